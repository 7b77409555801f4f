#pragma once

#include "chargewindow.h"
#include "returnwindow.h"

#include <QMainWindow>
#include <QPointer>

class QSqlQueryModel;
class QTimer;
class TillSession;
class SignOffWindow;
class SignOnWindow;
class ReceiptWindow;
namespace Ui {
class TillWindow;
}
namespace formkit {
class HintWatcher;
struct Scan;
} // namespace formkit
namespace storedb {
struct ShiftFigures;
}

// The till's main window: toolbar, sale panel, status line and clock.
class TillWindow : public QMainWindow {
    Q_OBJECT
  public:
    // What the toolbar and the sale panel show.
    enum class State {
        SigningOn,
        NoClerk,
        OnDuty,
        SalePanelOpen,
        SalePending,
        Charging,
        SignOffSummary
    };

    explicit TillWindow(TillSession& session, QWidget* parent = nullptr);
    ~TillWindow() override;

    // The sign-off summary this window shows and waits for.
    void attachSummary(SignOffWindow& summary);
    // The sign-on window this window opens and follows.
    void attachSignOn(SignOnWindow& signOn);
    // The receipt the charges and returns print, F8 prints again and F9
    // opens the drawer of.
    void attachReceipt(ReceiptWindow& receipt);

    State state() const { return state_; }
    // Gives the main window the keyboard after a tool window has closed.
    void takeKeyboard();
    // The status text: the main window's own hint, shown in statusLabel.
    QString statusText() const;

    // Ends the program: emits quitRequested, which the program turns into
    // the end of its event loop (main.cpp). Tests watch the signal or
    // programEnded() instead, so that the test process lives on.
    void endProgram(int exitCode);
    bool programEnded() const { return ended_; }
    int exitCode() const { return exitCode_; }

    // The session manager asks whether the session may end: always no, with
    // the till's message.
    bool FormQueryEndSession();

    // The charge window while one is up.
    ChargeWindow* chargeWindow() const { return chargeWindow_; }
    // The return window while one is up.
    ReturnWindow* returnWindow() const { return returnWindow_; }

  signals:
    void quitRequested(int exitCode);
    // The about button was pressed.
    void aboutRequested();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Toolbar
    void exitProgram();
    void openSalePanel();
    void signOnAgain();
    void signOff();
    void showAbout();
    // Sale panel
    void moveToQuantity();
    void addLine();
    // A scan in the goods box sells one piece at once; one in the quantity
    // box while it waits adds the line keyed by hand first.
    void takeScan(const QString& code);
    void takeScanInQuantityBox(const formkit::Scan& scan);
    // How many pieces a line sells: what the quantity box says, or one (a
    // scan, a scale label).
    enum class Pieces { FromQuantityBox, One };
    // Sells the code as a goods number or else as a scale label; false when
    // refused, the clerk told why.
    bool sellCode(const QString& code, Pieces pieces);
    void chargeSale();
    void showTakings();
    void deleteLine();
    void pickLineForDeletion();
    void allowDeletion();
    void showTime();
    // F8 prints the last receipt again, F9 opens the cash drawer (receiptwindow.h).
    void installReceiptKeys();
    void reprintReceipt();
    void openCashDrawer();
    // F7 takes goods of a charged bill back, F10 voids the last sale
    // (returnwindow.h); both only between sales of a clerk on duty.
    void installReturnKeys();
    void openReturn();
    void voidLastSale();
    // False, the clerk told why, when no return may start now.
    bool mayStartReturn();
    ReturnWindow* showReturnWindow();

    // The first show: connection, terminal check, sign-on window.
    void startUp();
    // Shows and hides the toolbar buttons and the sale panel as the state
    // has them; what a state leaves open stays as it is.
    void setState(State state);
    void setStatusText(const QString& text);
    void goOnDuty(const QString& clerkName, const QString& shopName);
    void refuseToRun(const QString& statusText);
    void summaryConfirmed();
    void resetEntry();
    void resetDeletion();
    void refuseShortStock(int stockLeft, Pieces pieces);
    // Shows the sale as the sale table holds it: lines, total and state.
    void reloadSale();
    // Another till took this till's name and wound the shift up.
    void leaveDuty(const QString& message);
    bool chargeWindowUp();
    // Re-runs the grid query on the sale table and sets the column widths.
    void openSaleGrid(const QList<int>& widths);

    TillSession& session_;
    Ui::TillWindow* ui = nullptr;
    QTimer* clockTimer_ = nullptr;
    // What the saleLines grid shows.
    QSqlQueryModel* lsb = nullptr;
    SignOffWindow* summary_ = nullptr;
    SignOnWindow* signOn_ = nullptr;
    ReceiptWindow* receipt_ = nullptr;
    State state_ = State::SigningOn;
    bool shown_ = false;
    bool ended_ = false;
    int exitCode_ = 0;
    formkit::HintWatcher* hints_ = nullptr;
    QPointer<ChargeWindow> chargeWindow_;
    QPointer<ReturnWindow> returnWindow_;
};
