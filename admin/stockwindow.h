#pragma once

#include <QWidget>

namespace admin {

class AdminSession;

namespace Ui {
class StockWindow;
}

// The stock movement window: stock-in or stock-out, as it was opened.
class StockWindow : public QWidget {
    Q_OBJECT
  public:
    explicit StockWindow(AdminSession& session, QWidget* parent = nullptr);
    ~StockWindow() override;

    // Brings the window up in the mode; the opener disables the other mode's
    // menu entry until the window is closed.
    void openForStockIn();
    void openForStockOut();

  signals:
    // The window is gone: both stock entries of the main window work again.
    void closed();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Handlers
    void lookUpGoodsOnEnter();
    void lookUpGoodsOnLeave();
    void moveOnFromPrice();
    void cancelGoods();
    void recordMovement();

    // The mode is the frame's caption.
    bool stockInMode() const;
    void clearGoods();
    void refuseShortStock(int kcl);

    AdminSession& session_;
    Ui::StockWindow* ui = nullptr;
    bool inLookup_ = false;
};

} // namespace admin
