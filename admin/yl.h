#pragma once

#include <QWidget>

namespace admin {

class AdminSession;

namespace Ui {
class Tylform;
}

// The profit estimate.
class Tylform : public QWidget {
    Q_OBJECT
  public:
    explicit Tylform(AdminSession& session, QWidget* parent = nullptr);
    ~Tylform() override;

  private:
    AdminSession& session_;
    Ui::Tylform* ui = nullptr;
};

} // namespace admin
