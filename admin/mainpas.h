#pragma once

#include <QList>
#include <QMainWindow>

class QAction;
class QLabel;
class QTimer;
class QToolButton;

namespace formkit {
class HintWatcher;
}

namespace admin {

namespace Ui {
class Tmain;
}

// The back office's main window: menu, tool bar, status bar, and the opening
// (and preparing) of every function window. Business functions stay locked
// until an administrator signs on.
class Tmain : public QMainWindow {
    Q_OBJECT
  public:
    explicit Tmain(QWidget* parent = nullptr);
    ~Tmain() override;

    Ui::Tmain* ui = nullptr;
    QLabel* hintPanel = nullptr;  // StatusBar1, panel 0: the current hint
    QLabel* clockPanel = nullptr; // StatusBar1, panel 1: the clock
    QTimer* Timer1 = nullptr;

    // The main window's own hint, shown while the pointer rests on its area.
    QString statusText() const;
    void setStatusText(const QString& text);

    // The functions locked until sign-on, in the order they are locked and
    // unlocked: the top-level menus, then the tool buttons.
    QList<QAction*> lockedMenus() const;
    QList<QToolButton*> lockedToolButtons() const;
    void setLockedFunctionsEnabled(bool enabled);

    // True once the first show failed to connect. The window has then asked
    // the event loop to end with exit code 1 (QCoreApplication::exit); code
    // that runs the window without a loop (tests) reads this instead.
    bool startupFailed() const { return startupFailed_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void FormCreate();
    void FormShow();
    void Timer1Timer();

    // Menu entries (the tool buttons share them where they act alike)
    void N6Click();  // stock in
    void N7Click();  // stock out
    void N30Click(); // movement correction
    void D1Click();  // unit price change
    void N36Click(); // settlement
    void N35Click(); // profit estimate
    void N27Click(); // incoming goods query by goods
    void N26Click(); // incoming goods query by category
    void N29Click(); // sales query by goods
    void N28Click(); // sales query by category
    void N4Click();  // stock analysis
    void N12Click(); // statistics by category
    void N13Click(); // statistics by goods
    void N16Click(); // administrators
    void N17Click(); // salesclerks
    void N19Click(); // category page
    void N20Click(); // goods page
    void N38Click(); // settings page
    void M1Click();  // terminal registration
    void N33Click(); // live monitoring
    void N25Click(); // about
    void N21Click(); // exit
    // Tool buttons with actions of their own
    void ToolButton3Click();
    void ToolButton5Click();
    void ToolButton16Click();

    void nameSeparators();
    void connectHandlers();

    formkit::HintWatcher* hints_ = nullptr;
    bool shownOnce_ = false;
    bool startupFailed_ = false;
};

// The main window's instance. The system calls it `main`, which C++ reserves
// for the program's entry function, hence `mainform`.
extern Tmain* mainform;

} // namespace admin
