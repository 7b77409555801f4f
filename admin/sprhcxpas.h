#pragma once

#include <QList>
#include <QString>
#include <QWidget>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QSqlQueryModel;
class QTableView;

namespace storedb {
class Db;
struct MovementPeriod;
struct Statement;
} // namespace storedb

namespace admin {

class AdminSession;

namespace Ui {
class TsprhcxForm;
}

// What the two movement query windows share (this one and its twin for
// stock-outs). Every entry of their pick lists keeps the number behind its
// name: two categories, or two goods of different categories, may bear one
// name.
namespace queryform {
// A grid of the one result both pages show; the movement dates in the
// column read as dates.
void prepareResultGrid(QTableView* grid, QSqlQueryModel* result, int dateColumn);

// Fills the category boxes from the store, each category once. An entry
// chosen before stays chosen and a typed text stays as typed.
void fillCategoryLists(const storedb::Db& db, const QList<QComboBox*>& boxes);
// The category, or goods, the box shows: the chosen entry, else the first
// entry bearing the text. A name that no entry bears is looked up in the
// store (the first by number), since the lists may be older than the store.
std::optional<QString> categoryNumber(const storedb::Db& db, const QComboBox* box);
std::optional<QString> goodsNumber(const storedb::Db& db, const QComboBox* box);
// The goods box lists the goods of the category the category box shows,
// its text cleared; a category that does not exist leaves the list as it was.
void listGoodsOfCategory(const storedb::Db& db, const QComboBox* categories, QComboBox* goods);

// The goods' current price and stock: empty before its first stock-in, "0"
// for goods that do not exist.
void showPriceAndStock(const storedb::Db& db, const std::optional<QString>& hwh, QLineEdit* price,
                       QLineEdit* stock);

// The period the time box and its two pickers choose; none while the box is
// clear.
std::optional<storedb::MovementPeriod> periodOf(const QCheckBox* on, const QDateTimeEdit* start,
                                                const QDateTimeEdit* end);
// False for a start after the end while the box is ticked: the message has
// been shown and the start picker has the focus.
bool rangeAccepted(const QCheckBox* on, QDateTimeEdit* start, const QDateTimeEdit* end);

// A wait cursor while the database works, so that a long query over a large
// log shows that the window is busy.
class BusyCursor {
  public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};
} // namespace queryform

// The incoming goods query: by category (page 0) or by goods (page 1).
class TsprhcxForm : public QWidget {
    Q_OBJECT
  public:
    explicit TsprhcxForm(AdminSession& session, QWidget* parent = nullptr);
    ~TsprhcxForm() override;

    // Brings the window up on the page (chosen before it shows).
    void openByCategory();
    void openByGoods();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Handlers
    void resetForNewPage();
    void listGoodsOfChosenCategory();
    void chooseTypedCategory();
    void queryByCategory();
    void queryByGoods();

    void followPageWithDefaultButton();
    void showResult(const storedb::Statement& statement);

    AdminSession& session_;
    Ui::TsprhcxForm* ui = nullptr;
    QSqlQueryModel* result_ = nullptr; // both pages' grids show it
};

} // namespace admin
