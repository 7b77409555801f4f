#pragma once

namespace admin {

// Program start of the back office, shared by main() and the tests so that
// both run the same windows.

// The application's title and font.
void initialiseApplication();
// Creates every window once, in the system's order, all hidden; the main
// window first. Nothing touches the database here.
void createWindows();
// Deletes the windows, the login window and the data module.
void destroyWindows();

} // namespace admin
