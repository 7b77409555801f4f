#pragma once

#include <QWidget>

namespace admin {

namespace Ui {
class TdlForm;
}

// The administrator sign-on: unlocks the main window for the rest of the run.
class TdlForm : public QWidget {
    Q_OBJECT
  public:
    explicit TdlForm(QWidget* parent = nullptr);
    ~TdlForm() override;

    Ui::TdlForm* ui = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void BitBtn1Click();
    void BitBtn2Click();
    void leave();

    bool leaving_ = false;
};

extern TdlForm* dlForm;

} // namespace admin
