#pragma once

#include <QWidget>

namespace admin {

namespace Ui {
class TspglForm;
}

// The stock movement window: stock-in or stock-out, as the main window set
// its mode.
class TspglForm : public QWidget {
    Q_OBJECT
  public:
    explicit TspglForm(QWidget* parent = nullptr);
    ~TspglForm() override;

    Ui::TspglForm* ui = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void FormClose();
};

extern TspglForm* spglForm;

} // namespace admin
