#pragma once

#include "storedb/charge.h"

#include <QString>
#include <QWidget>

class TillSession;
namespace Ui {
class Tsfform;
}

// The charge window: cash received, change, confirm. A new one is created for
// every charge, after the sale has been booked. It can only be left through
// its confirm button, which prints the receipt; it is not deleted on close
// (the caller deletes it after closed()).
class Tsfform : public QWidget {
    Q_OBJECT
  public:
    Tsfform(TillSession& session, storedb::ChargedSale sale, QWidget* parent = nullptr);
    ~Tsfform() override;

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
    // Works out the change; false (and Edit1 emptied) when the cash is short.
    bool takeCash();
    void keepFocusInEdit1();

    TillSession& session_;
    Ui::Tsfform* ui = nullptr;
    storedb::ChargedSale sale_;
    bool finished_ = false;
};
