#pragma once

#include <QWidget>

namespace admin {

class AdminSession;

namespace Ui {
class TdlForm;
}

// The administrator sign-on: unlocks the main window for the rest of the run.
class TdlForm : public QWidget {
    Q_OBJECT
  public:
    explicit TdlForm(AdminSession& session, QWidget* parent = nullptr);
    ~TdlForm() override;

    // Shows the window with the keyboard in the number box, so that the
    // administrator can type at once.
    void openForSignOn();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void signOn();
    void cancelSignOn();
    void leave();

    AdminSession& session_;
    Ui::TdlForm* ui = nullptr;
    bool leaving_ = false;
};

} // namespace admin
