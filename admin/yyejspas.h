#pragma once

#include <QWidget>

namespace admin {

namespace Ui {
class TyyejsForm;
}

// Takings settlement: the shifts clerks still owe, and settling one clerk.
class TyyejsForm : public QWidget {
    Q_OBJECT
  public:
    explicit TyyejsForm(QWidget* parent = nullptr);
    ~TyyejsForm() override;

    Ui::TyyejsForm* ui = nullptr;
};

extern TyyejsForm* yyejsForm;

} // namespace admin
