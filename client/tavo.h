#pragma once

#include "sf.h"

#include <QMainWindow>
#include <QPointer>

class QSqlQueryModel;
class QTimer;
namespace Ui {
class Tmainform;
}
namespace formkit {
class HintWatcher;
}

// The till's main window: toolbar, sale panel, status line and clock.
class Tmainform : public QMainWindow {
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

    explicit Tmainform(QWidget* parent = nullptr);
    ~Tmainform() override;

    Ui::Tmainform* ui = nullptr;
    QTimer* Timer1 = nullptr;
    // The sale lines on show in DBGrid1.
    QSqlQueryModel* lsb = nullptr;

    State state() const { return state_; }
    // Shows and hides the toolbar buttons and the sale panel as the state
    // has them; what a state leaves open stays as it is.
    void setState(State state);
    // Gives the main window the keyboard after a tool window has closed.
    void takeKeyboard();

    // The status text: the main window's own hint, shown in StatusBar1.
    void setStatusText(const QString& text);
    QString statusText() const;

    // This till's name, as the sign-on window holds it.
    QString terminal() const;

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
    Tsfform* chargeWindow() const { return chargeWindow_; }

    // Re-runs the grid query on the sale table and sets the column widths.
    void openSaleGrid(const QList<int>& widths);

  signals:
    void quitRequested(int exitCode);

  public slots:
    void ToolButton1Click();
    void ToolButton2Click();
    void ToolButton3Click();
    void ToolButton4Click();
    void ToolButton5Click();
    void BitBtn1Click();
    void SpeedButton1Click();
    void BitBtn3Click();
    void scClick();
    void DBGrid1DblClick();
    void Edit1KeyPress();
    void Edit3Change();
    void Timer1Timer();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FormShow();
    void resetEntry();
    void refuseShortStock(int stockLeft);
    bool chargeWindowUp();

    State state_ = State::SigningOn;
    bool shown_ = false;
    bool ended_ = false;
    int exitCode_ = 0;
    formkit::HintWatcher* hints_ = nullptr;
    QPointer<Tsfform> chargeWindow_;
};

extern Tmainform* mainform;
