#pragma once

#include <QWidget>

namespace admin {

class AdminSession;

namespace Ui {
class Tzcform;
}

// Terminal registration: the tills allowed to sell.
class Tzcform : public QWidget {
    Q_OBJECT
  public:
    explicit Tzcform(AdminSession& session, QWidget* parent = nullptr);
    ~Tzcform() override;

  private:
    AdminSession& session_;
    Ui::Tzcform* ui = nullptr;
};

} // namespace admin
