#pragma once

#include <QWidget>

class QComboBox;
class QModelIndex;

namespace admin {

class AdminSession;
class MovementQuery;

namespace Ui {
class SalesQueryWindow;
}

// The sales query: by category (page 0) or by goods (page 1).
class SalesQueryWindow : public QWidget {
    Q_OBJECT
  public:
    explicit SalesQueryWindow(AdminSession& session, QWidget* parent = nullptr);
    ~SalesQueryWindow() override;

    // Brings the window up on the page (chosen before it shows).
    void openByCategory();
    void openByGoods();
    // A query's movements are still being read.
    bool isQuerying() const;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // Handlers
    void showGoodsNameOfRow(const QModelIndex& row);
    void showTotals();

    AdminSession& session_;
    Ui::SalesQueryWindow* ui = nullptr;
    MovementQuery* query_ = nullptr;
};

} // namespace admin
