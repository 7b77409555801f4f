#pragma once

#include <QWidget>

namespace admin {

class AdminSession;
class MovementQuery;

namespace Ui {
class PurchaseQueryWindow;
}

// The incoming goods query: by category (page 0) or by goods (page 1).
class PurchaseQueryWindow : public QWidget {
    Q_OBJECT
  public:
    explicit PurchaseQueryWindow(AdminSession& session, QWidget* parent = nullptr);
    ~PurchaseQueryWindow() override;

    // Brings the window up on the page (chosen before it shows).
    void openByCategory();
    void openByGoods();
    // A query's movements are still being read.
    bool isQuerying() const;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    Ui::PurchaseQueryWindow* ui = nullptr;
    MovementQuery* query_ = nullptr;
};

} // namespace admin
