#pragma once

#include <QWidget>

namespace admin {

namespace Ui {
class TsprhcxForm;
}

// The incoming goods query: by category (page 0) or by goods (page 1).
class TsprhcxForm : public QWidget {
    Q_OBJECT
  public:
    explicit TsprhcxForm(QWidget* parent = nullptr);
    ~TsprhcxForm() override;

    Ui::TsprhcxForm* ui = nullptr;
};

extern TsprhcxForm* sprhcxForm;

} // namespace admin
