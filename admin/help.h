#pragma once

#include <QWidget>

namespace admin {

class AdminSession;

namespace Ui {
class Thelpform;
}

// About this system: title, version and the computer it runs on.
class Thelpform : public QWidget {
    Q_OBJECT
  public:
    explicit Thelpform(AdminSession& session, QWidget* parent = nullptr);
    ~Thelpform() override;

  private:
    AdminSession& session_;
    Ui::Thelpform* ui = nullptr;
};

} // namespace admin
