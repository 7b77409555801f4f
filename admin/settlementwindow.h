#pragma once

#include "storedb/settlement.h"

#include <QWidget>
#include <optional>

class QSqlQueryModel;

namespace admin {

class AdminSession;

namespace Ui {
class SettlementWindow;
}

// Takings settlement: the shifts clerks still owe, and settling one clerk.
// "结算" settles exactly the shifts the last look-up showed, and only while
// the number looked up stands unedited in its box. The cash counted is keyed
// in (the amount owed is proposed); the settlement is recorded with it, a
// hand-in slip prints, and the clerk's earlier settlements are listed.
class SettlementWindow : public QWidget {
    Q_OBJECT
  public:
    explicit SettlementWindow(AdminSession& session, QWidget* parent = nullptr);
    ~SettlementWindow() override;

    // Brings the window up with the owed shifts read again and its boxes
    // cleared.
    void openOwedShifts();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Handlers
    void lookUpClerk();
    void settleLookedUp();
    void forgetLookUp();

    void showOwedShiftsOfAll();
    void showSettlementsOf(const QString& shyh);
    void clearBoxes();
    // The cash received as typed; none, with the reason shown, when it is
    // not an amount of money.
    std::optional<double> typedReceived();

    struct LookedUp {
        QString shyh;
        QList<storedb::OwedShift> shifts;
    };
    // "结算" is enabled exactly while there is a look-up to settle (after a
    // Show its boxes are empty, and a click asks for the number).
    void setLookedUp(std::optional<LookedUp> lookedUp);

    AdminSession& session_;
    Ui::SettlementWindow* ui = nullptr;
    QSqlQueryModel* owed_ = nullptr;        // DataSourceyyejs
    QSqlQueryModel* clerkShifts_ = nullptr; // DataSourcequerycx
    QSqlQueryModel* settlements_ = nullptr;
    std::optional<LookedUp> lookedUp_;
};

} // namespace admin
