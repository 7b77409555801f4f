#pragma once

#include <QWidget>

namespace admin {

class AdminSession;

namespace Ui {
class Tywtjform;
}

// Business statistics: by category (page 0) or by goods (page 1).
class Tywtjform : public QWidget {
    Q_OBJECT
  public:
    explicit Tywtjform(AdminSession& session, QWidget* parent = nullptr);
    ~Tywtjform() override;

    // Brings the window up on the page (chosen before it shows).
    void openByCategory();
    void openByGoods();

  private:
    AdminSession& session_;
    Ui::Tywtjform* ui = nullptr;
};

} // namespace admin
