#pragma once

#include <QWidget>

namespace storedb {
class Db;
}
namespace Ui {
class Tsfform;
}

// The charge window: cash received, change, confirm. A new one is created for
// every charge, after the sale has been booked.
class Tsfform : public QWidget {
    Q_OBJECT
public:
    // amountDue is the text of the main window's total.
    Tsfform(storedb::Db& db, const QString& terminal, const QString& amountDue, QWidget* parent = nullptr);
    ~Tsfform() override;

    Ui::Tsfform* ui = nullptr;

signals:
    // The receipt has been printed and the sale table emptied.
    void saleFinished();
    // The window has been closed (it closes itself after saleFinished).
    void closed();
};
