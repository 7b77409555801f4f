#pragma once

#include <QString>
#include <QWidget>
#include <optional>

namespace storedb {
class Db;
}
namespace Ui {
class Tsfform;
}

// The charge window: cash received, change, confirm. A new one is created for
// every charge, after the sale has been booked. It can only be left through
// its confirm button, which prints the receipt and empties the sale table; it
// is not deleted on close (the caller deletes it after closed()).
class Tsfform : public QWidget {
    Q_OBJECT
  public:
    // amountDue is the text of the main window's total.
    Tsfform(storedb::Db& db, const QString& terminal, const QString& amountDue,
            QWidget* parent = nullptr);
    ~Tsfform() override;

    Ui::Tsfform* ui = nullptr;

    // The bill number the charge drew (storedb::chargeSale), printed on the
    // receipt. Without it the receipt shows the store's last bill number,
    // which another till may have moved on meanwhile.
    void setBillNumber(qint64 bill) { bill_ = bill; }

    void FormShow();
    // Cash received: Enter in Edit1, or leaving it, with text in it.
    void Edit1Exit();
    void BitBtn1Click();

  signals:
    // The receipt has been printed and the sale table emptied.
    void saleFinished();
    // The window has been closed (it closes itself after saleFinished).
    void closed();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Works out the change; false (and Edit1 emptied) when the cash is short.
    bool takeCash();
    void keepFocusInEdit1();

    storedb::Db& db_;
    QString terminal_;
    QString amountDue_;
    std::optional<qint64> bill_;
    bool finished_ = false;
};
