#pragma once

#include <QWidget>

namespace admin {

class AdminSession;

namespace Ui {
class Tylform;
}

// The profit estimate: cost, turnover and stock of the whole store, and the
// profit if the stock sold at its current prices. Worked out afresh each
// time the window is shown.
class Tylform : public QWidget {
    Q_OBJECT
  public:
    explicit Tylform(AdminSession& session, QWidget* parent = nullptr);
    ~Tylform() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void showEstimate();

    AdminSession& session_;
    Ui::Tylform* ui = nullptr;
};

} // namespace admin
