#pragma once

#include <QObject>
#include <QPointer>
#include <memory>

class TillSession;
class TillWindow;
class SignOnWindow;
class SignOffWindow;
class ReceiptWindow;
class AboutWindow;
class PasswordWindow;

// The till's windows, and the one place that connects them to each other:
// the main window, the sign-on, the sign-off summary, the receipt and the
// about window live for the whole run; a password window is made each time
// one is wanted. main() and the tests start a till the same way: a
// TillSession, then its TillWindows, then start().
class TillWindows : public QObject {
    Q_OBJECT
  public:
    // Creates the windows, all hidden; none touches the database before
    // start().
    explicit TillWindows(TillSession& session);
    // The windows go before the session's connection their grids may hold.
    ~TillWindows() override;
    TillWindows(const TillWindows&) = delete;
    TillWindows& operator=(const TillWindows&) = delete;

    // The main window's first show: the connection, the terminal check and
    // the sign-on window. The program ends through TillWindow::quitRequested.
    void start();

    TillWindow& mainWindow() { return *main_; }
    SignOnWindow& signOnWindow() { return *signOn_; }
    SignOffWindow& summaryWindow() { return *summary_; }
    ReceiptWindow& receipt() { return *receipt_; }
    AboutWindow& aboutWindow() { return *about_; }
    // The password window while one is up (each is deleted when it closes).
    PasswordWindow* passwordWindow() const;

  private:
    PasswordWindow& openPasswordWindow();
    void showAbout();

    TillSession& session_;
    std::unique_ptr<TillWindow> main_;
    std::unique_ptr<SignOffWindow> summary_;
    std::unique_ptr<ReceiptWindow> receipt_;
    std::unique_ptr<AboutWindow> about_;
    std::unique_ptr<SignOnWindow> signOn_;
    QPointer<PasswordWindow> password_;
};
