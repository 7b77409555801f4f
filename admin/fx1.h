#pragma once

#include <QWidget>

namespace admin {

class AdminSession;

namespace Ui {
class Tfx1form;
}

// The stock level analysis.
class Tfx1form : public QWidget {
    Q_OBJECT
  public:
    explicit Tfx1form(AdminSession& session, QWidget* parent = nullptr);
    ~Tfx1form() override;

  private:
    AdminSession& session_;
    Ui::Tfx1form* ui = nullptr;
};

} // namespace admin
