#pragma once

#include "storedb/charge.h"

#include <QString>
#include <QWidget>

class TillSession;
class ReceiptWindow;
namespace Ui {
class ChargeWindow;
}

// The charge window: cash received, change, confirm. A new one is created for
// every charge, after the sale has been booked. It can only be left through
// its confirm button, which prints the receipt; it is not deleted on close
// (the caller deletes it after closed()).
class ChargeWindow : public QWidget {
    Q_OBJECT
  public:
    // Prints the sale's receipt on `receipt` when the cash is taken.
    ChargeWindow(TillSession& session, ReceiptWindow& receipt, storedb::ChargedSale sale,
                 QWidget* parent = nullptr);
    ~ChargeWindow() override;

  signals:
    // The receipt has been printed.
    void saleFinished();
    // The window has been closed (it closes itself after saleFinished).
    void closed();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void workOutChange();
    void finishSale();
    // Works out the change; false (and the cash box emptied) when the cash is short.
    bool takeCash();
    void keepFocusInCashReceived();

    TillSession& session_;
    ReceiptWindow& receipt_;
    Ui::ChargeWindow* ui = nullptr;
    storedb::ChargedSale sale_;
    bool finished_ = false;
};
