#pragma once

#include <QWidget>

namespace admin {

class AdminSession;

namespace Ui {
class TspglForm;
}

// The stock movement window: stock-in or stock-out, as it was opened.
class TspglForm : public QWidget {
    Q_OBJECT
  public:
    explicit TspglForm(AdminSession& session, QWidget* parent = nullptr);
    ~TspglForm() override;

    // Brings the window up in the mode; the opener disables the other mode's
    // menu entry, and closing the window tells the main window.
    void openForStockIn();
    void openForStockOut();

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
    Ui::TspglForm* ui = nullptr;
    bool inLookup_ = false;
};

} // namespace admin
