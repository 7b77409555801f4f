#pragma once

#include <QWidget>

namespace admin {

class AdminSession;

namespace Ui {
class TsprhcxForm;
}

// The incoming goods query: by category (page 0) or by goods (page 1).
class TsprhcxForm : public QWidget {
    Q_OBJECT
  public:
    explicit TsprhcxForm(AdminSession& session, QWidget* parent = nullptr);
    ~TsprhcxForm() override;

    // Brings the window up on the page (chosen before it shows).
    void openByCategory();
    void openByGoods();

  private:
    AdminSession& session_;
    Ui::TsprhcxForm* ui = nullptr;
};

} // namespace admin
