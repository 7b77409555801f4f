#pragma once

namespace formkit {

// A wait cursor while the program works on the window's thread (a report
// of many pages laid out, a list read).
class BusyCursor {
  public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace formkit
