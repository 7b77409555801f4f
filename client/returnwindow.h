#pragma once

#include "storedb/salereturn.h"

#include <QList>
#include <QWidget>
#include <optional>

class TillSession;
class ReceiptWindow;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// 退货: the clerk keys a receipt's bill number, the pieces to take back (or
// the whole bill), and an administrator authorises this one return with
// number and password. One window is made for each return and deleted after
// closed(); nothing of an authorisation outlives it.
class ReturnWindow : public QWidget {
    Q_OBJECT
  public:
    // Prints the return slip on `receipt`.
    ReturnWindow(TillSession& session, ReceiptWindow& receipt, QWidget* parent = nullptr);

    // Opens on an empty bill number.
    void openForReturn();
    // Opens on the bill with every piece left to return chosen: the void of
    // the last sale, waiting only for the administrator.
    void openForVoid(qint64 bill);

    // The bill on show, if one was found.
    const std::optional<storedb::BillForReturn>& bill() const { return bill_; }

  signals:
    // Booked and its slip printed.
    void returnBooked(const storedb::BookedReturn& booked);
    void closed();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // Handlers
    void findBill();
    void returnWholeBill();
    void showRefund();
    void confirmReturn();

    void showBill(const storedb::BillForReturn& bill);
    void clearBill();
    // The pieces keyed per line; none when a box asks for more than is left
    // (the clerk told which).
    std::optional<QList<storedb::ReturnPiece>> chosenPieces();
    // Whether the number and password are an administrator's; the clerk is
    // told when not.
    bool authorised(const QString& glyh, const QString& password);
    void forgetAuthorisation();

    TillSession& session_;
    ReceiptWindow& receipt_;
    std::optional<storedb::BillForReturn> bill_;
    QLineEdit* billNumber_ = nullptr;
    QPushButton* find_ = nullptr;
    QLabel* billInfo_ = nullptr;
    QTableWidget* lines_ = nullptr;
    QList<QLineEdit*> pieces_; // per line of the bill, in its order
    QPushButton* wholeBill_ = nullptr;
    QLabel* refund_ = nullptr;
    QLineEdit* adminNumber_ = nullptr;
    QLineEdit* adminPassword_ = nullptr;
    QPushButton* confirm_ = nullptr;
    QPushButton* cancel_ = nullptr;
};
