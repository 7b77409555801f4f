#pragma once

#include <QWidget>

namespace admin {

class AdminSession;

namespace Ui {
class Tjkform;
}

// Live monitoring of the tills.
class Tjkform : public QWidget {
    Q_OBJECT
  public:
    explicit Tjkform(AdminSession& session, QWidget* parent = nullptr);
    ~Tjkform() override;

  private:
    AdminSession& session_;
    Ui::Tjkform* ui = nullptr;
};

} // namespace admin
