#pragma once

#include <QWidget>

namespace admin {

namespace Ui {
class TrsglForm;
}

// Personnel: administrators (page 0) and salesclerks (page 1).
class TrsglForm : public QWidget {
    Q_OBJECT
  public:
    explicit TrsglForm(QWidget* parent = nullptr);
    ~TrsglForm() override;

    Ui::TrsglForm* ui = nullptr;
};

extern TrsglForm* rsglForm;

} // namespace admin
