#pragma once

#include <QWidget>

namespace admin {

class AdminSession;

namespace Ui {
class Tfxform;
}

// The short progress window shown before the stock level analysis.
class Tfxform : public QWidget {
    Q_OBJECT
  public:
    explicit Tfxform(AdminSession& session, QWidget* parent = nullptr);
    ~Tfxform() override;

  private:
    AdminSession& session_;
    Ui::Tfxform* ui = nullptr;
};

} // namespace admin
