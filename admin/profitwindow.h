#pragma once

#include <QWidget>

namespace admin {

class AdminSession;

namespace Ui {
class ProfitWindow;
}

// The profit estimate: cost, turnover and stock of the whole store, and the
// profit if the stock sold at its current prices. Worked out afresh each
// time the window is shown.
class ProfitWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ProfitWindow(AdminSession& session, QWidget* parent = nullptr);
    ~ProfitWindow() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void showEstimate();

    AdminSession& session_;
    Ui::ProfitWindow* ui = nullptr;
};

} // namespace admin
