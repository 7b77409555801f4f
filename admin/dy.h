#pragma once

#include <QWidget>

namespace admin {

class AdminSession;

namespace Ui {
class Tdyform;
}

// The holder of the stock level report; the window itself is never shown.
class Tdyform : public QWidget {
    Q_OBJECT
  public:
    explicit Tdyform(AdminSession& session, QWidget* parent = nullptr);
    ~Tdyform() override;

  private:
    AdminSession& session_;
    Ui::Tdyform* ui = nullptr;
};

} // namespace admin
