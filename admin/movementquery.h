#pragma once

#include "formkit/rowsetmodel.h"
#include "formkit/windowreader.h"
#include "storedb/queries.h"

#include <QList>
#include <QObject>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;
class QWidget;

namespace admin {

class AdminSession;

// The controls of a movement query window: page 0 lists a category's
// movements, page 1 one goods item's.
struct MovementQueryControls {
    QTabWidget* pages = nullptr;
    struct {
        QComboBox* category = nullptr;
        QCheckBox* periodOn = nullptr;
        QDateTimeEdit* start = nullptr;
        QDateTimeEdit* end = nullptr;
        QPushButton* query = nullptr;
        QPushButton* close = nullptr;
        QLineEdit* stockedGoods = nullptr;
        QTableView* grid = nullptr;
    } byCategory;
    struct {
        QComboBox* category = nullptr;
        QComboBox* goods = nullptr;
        QCheckBox* periodOn = nullptr;
        QDateTimeEdit* start = nullptr;
        QDateTimeEdit* end = nullptr;
        QPushButton* query = nullptr;
        QPushButton* close = nullptr;
        QLineEdit* price = nullptr;
        QLineEdit* stock = nullptr;
        QTableView* grid = nullptr;
    } byGoods;
};

// The two query windows name their pages' controls alike: the controls of
// either window's form.
template <class Form> MovementQueryControls movementQueryControls(const Form& ui) {
    MovementQueryControls controls;
    controls.pages = ui.pages;
    controls.byCategory = {ui.categoryChoice,  ui.limitCategoryToPeriod, ui.categoryFirstDay,
                           ui.categoryLastDay, ui.categoryQueryButton,   ui.categoryCloseButton,
                           ui.stockedGoods,    ui.categoryMovementsGrid};
    controls.byGoods = {ui.goodsCategoryChoice, ui.goodsChoice,  ui.limitGoodsToPeriod,
                        ui.goodsFirstDay,       ui.goodsLastDay, ui.goodsQueryButton,
                        ui.goodsCloseButton,    ui.currentPrice, ui.currentStock,
                        ui.goodsMovementsGrid};
    return controls;
}

// The movements a window lists: its direction's statements and their rows'
// layout.
struct MovementListing {
    using Statement = std::function<storedb::Statement(
        const QString& number, const std::optional<storedb::MovementPeriod>& period)>;
    Statement ofCategory = nullptr;
    Statement ofGoods = nullptr;
    int dateColumn = 0;
    QList<int> widths;
};

// The behaviour the incoming and the outgoing goods queries share. Every
// entry of their pick lists keeps the number behind its name: two
// categories, or two goods of different categories, may bear one name. The
// movements are read on a thread and connection of their own, so that a
// year of a large log never freezes the window.
class MovementQuery : public QObject {
    Q_OBJECT
  public:
    MovementQuery(AdminSession& session, QWidget* window, const MovementQueryControls& controls,
                  MovementListing listing);
    ~MovementQuery() override;

    // Brings the window up on the page.
    void openOnPage(int page);
    // The window is shown: the category lists are read again.
    void refreshCategoryLists();
    void clearResult();
    // The window is closed: a read under way is abandoned.
    void abandon();

    bool isQuerying() const { return reader_->isReading(); }
    const formkit::RowSetModel& result() const { return result_; }

  private:
    // Handlers
    void resetForNewPage();
    void listGoodsOfChosenCategory();
    void chooseTypedCategory();
    void queryByCategory();
    void queryByGoods();

    void followPageWithDefaultButton();
    void startReading(const storedb::Statement& statement);

    AdminSession& session_;
    QWidget* window_;
    MovementQueryControls c_;
    MovementListing listing_;
    formkit::RowSetModel result_; // both pages' grids show it
    formkit::WindowReader* reader_ = nullptr;
};

} // namespace admin
