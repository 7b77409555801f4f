#include "movementquery.h"

#include "opening.h"
#include "session.h"

#include "formkit/buttonkeys.h"
#include "formkit/grid.h"
#include "formkit/guard.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "storedb/catalog.h"
#include "storedb/datetime.h"
#include "storedb/numtext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTableView>

namespace admin {

namespace {

struct Entry {
    QString number;
    QString name;
};

// The chosen entry's number while the box still shows its name.
std::optional<QString> chosenNumber(const QComboBox* box) {
    const int index = box->currentIndex();
    if (index < 0 || box->itemText(index) != box->currentText())
        return std::nullopt;
    return box->itemData(index).toString();
}

std::optional<QString> numberShown(const QComboBox* box) {
    if (const auto chosen = chosenNumber(box))
        return chosen;
    const int index = box->findText(box->currentText(), Qt::MatchExactly);
    if (index < 0)
        return std::nullopt;
    return box->itemData(index).toString();
}

// An entry chosen before stays chosen and a typed text stays as typed.
void refill(QComboBox* box, const QList<Entry>& entries) {
    const QString text = box->currentText();
    const std::optional<QString> chosen = chosenNumber(box);
    const QSignalBlocker quiet(box);
    box->clear();
    for (const Entry& entry : entries)
        box->addItem(entry.name, entry.number);
    int index = chosen ? box->findData(*chosen) : -1;
    if (index >= 0 && box->itemText(index) != text)
        index = -1; // renamed meanwhile: the text says what the user wants
    box->setCurrentIndex(index);
    box->setEditText(text);
}

// The category, or goods, the box shows: the chosen entry, else the first
// entry bearing the text. A name that no entry bears is looked up in the
// store (the first by number), since the lists may be older than the store.
std::optional<QString> categoryNumber(const storedb::Db& db, const QComboBox* box) {
    if (const auto shown = numberShown(box))
        return shown;
    return storedb::categoryNumberOf(db, box->currentText());
}

std::optional<QString> goodsNumber(const storedb::Db& db, const QComboBox* box) {
    if (const auto shown = numberShown(box))
        return shown;
    return storedb::goodsNumberOf(db, box->currentText());
}

// The period the time box and its two pickers choose; none while the box is
// clear.
std::optional<storedb::MovementPeriod> periodOf(const QCheckBox* on, const QDateTimeEdit* start,
                                                const QDateTimeEdit* end) {
    if (!on->isChecked())
        return std::nullopt;
    return storedb::periodBetween(start->dateTime(), end->dateTime());
}

// False for a start after the end while the box is ticked: the message has
// been shown and the start picker has the focus.
bool rangeAccepted(const QCheckBox* on, QDateTimeEdit* start, const QDateTimeEdit* end) {
    if (!on->isChecked() || start->dateTime() <= end->dateTime())
        return true;
    formkit::showMessage(QStringLiteral("请输入正确的时间范围!"));
    start->setFocus();
    return false;
}

// Movements are dated at midnight: the date alone says it, and fits the column.
class MovementDateDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant& value, const QLocale& locale) const override {
        const QDateTime moment = storedb::readDateTime(value);
        if (!moment.isValid())
            return QStyledItemDelegate::displayText(value, locale);
        return moment.toString(moment.time() == QTime(0, 0)
                                   ? QStringLiteral("yyyy-MM-dd")
                                   : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = Qt::AlignCenter;
    }
};

} // namespace

MovementQuery::MovementQuery(AdminSession& session, QWidget* window,
                             const MovementQueryControls& controls, MovementListing listing)
    : QObject(window), session_(session), window_(window), c_(controls),
      listing_(std::move(listing)),
      reader_(new formkit::WindowReader(window, window->objectName() + QStringLiteral("/query"))) {
    for (QTableView* grid : {c_.byCategory.grid, c_.byGoods.grid}) {
        formkit::prepareGrid(grid);
        grid->setItemDelegateForColumn(listing_.dateColumn, new MovementDateDelegate(grid));
        grid->setModel(&result_);
    }
    for (QComboBox* box : {c_.byCategory.category, c_.byGoods.category, c_.byGoods.goods})
        box->setCompleter(nullptr);
    // Today, rather than the day the window was designed; the time of day
    // the pickers bear stays.
    for (QDateTimeEdit* picker :
         {c_.byCategory.start, c_.byCategory.end, c_.byGoods.start, c_.byGoods.end})
        picker->setDate(QDate::currentDate());

    formkit::onSignal(c_.pages, &QTabWidget::currentChanged, this, &MovementQuery::resetForNewPage);
    // Enter runs the query of the page on show, Esc closes the window.
    formkit::installDefaultButton(window_);
    c_.pages->tabBar()->setFocusPolicy(Qt::NoFocus);
    formkit::installCancelButton(c_.pages->widget(0), c_.byCategory.close);
    formkit::installCancelButton(c_.pages->widget(1), c_.byGoods.close);
    followPageWithDefaultButton();

    formkit::chainEnter({c_.byCategory.category, c_.byCategory.query});
    formkit::onClick(c_.byCategory.query, this, &MovementQuery::queryByCategory);
    connect(c_.byCategory.close, &QPushButton::clicked, window_, &QWidget::close);

    formkit::onSignal(c_.byGoods.category, &QComboBox::activated, this,
                      &MovementQuery::listGoodsOfChosenCategory);
    formkit::onEnter(c_.byGoods.category, [this] {
        formkit::runGuarded(
            QStringLiteral("%1/%2").arg(window_->objectName(), c_.byGoods.category->objectName()),
            [this] { chooseTypedCategory(); });
    });
    formkit::chainEnter({c_.byGoods.goods, c_.byGoods.query});
    formkit::onClick(c_.byGoods.query, this, &MovementQuery::queryByGoods);
    connect(c_.byGoods.close, &QPushButton::clicked, window_, &QWidget::close);
}

MovementQuery::~MovementQuery() = default;

void MovementQuery::openOnPage(int page) {
    selectPageQuietly(c_.pages, page);
    followPageWithDefaultButton();
    bringUp(*window_);
}

void MovementQuery::followPageWithDefaultButton() {
    const int page = c_.pages->currentIndex();
    c_.byCategory.query->setDefault(page == 0);
    c_.byGoods.query->setDefault(page == 1);
}

void MovementQuery::refreshCategoryLists() {
    QList<Entry> entries;
    for (const storedb::Category& category : storedb::categories(session_.db()))
        entries.append({category.hwlbh, category.hwlbm});
    for (QComboBox* box : {c_.byCategory.category, c_.byGoods.category})
        refill(box, entries);
}

void MovementQuery::clearResult() {
    abandon();
    result_.clear();
}

void MovementQuery::resetForNewPage() {
    followPageWithDefaultButton();
    clearResult();
    for (QLineEdit* box : {c_.byCategory.stockedGoods, c_.byGoods.price, c_.byGoods.stock})
        box->clear();
    // The choices go with their texts.
    for (QComboBox* box : {c_.byCategory.category, c_.byGoods.category, c_.byGoods.goods})
        box->setCurrentIndex(-1);
}

// The goods box lists the goods of the category the category box shows,
// its text cleared; a category that does not exist leaves the list as it was.
void MovementQuery::listGoodsOfChosenCategory() {
    QComboBox* goods = c_.byGoods.goods;
    goods->setCurrentIndex(-1);
    const std::optional<QString> hwlbh = categoryNumber(session_.db(), c_.byGoods.category);
    if (!hwlbh)
        return;
    QList<Entry> entries;
    for (const storedb::GoodsEntry& item : storedb::goodsOfCategory(session_.db(), *hwlbh))
        entries.append({item.hwh, item.hwm});
    refill(goods, entries);
}

// Enter takes a typed category as choosing it from the list would.
void MovementQuery::chooseTypedCategory() {
    listGoodsOfChosenCategory();
    c_.byGoods.goods->setFocus();
}

void MovementQuery::queryByCategory() {
    const auto& page = c_.byCategory;
    if (!rangeAccepted(page.periodOn, page.start, page.end))
        return;
    if (page.category->currentText().isEmpty()) {
        formkit::showMessage(QStringLiteral("请选择商品类别!"));
        return;
    }
    storedb::Db& db = session_.db();
    const std::optional<QString> hwlbh = categoryNumber(db, page.category);
    page.stockedGoods->setText(
        QString::number(hwlbh ? storedb::stockedGoodsOfCategory(db, *hwlbh) : 0));
    // A category that does not exist lists nothing: no movement has an empty number.
    startReading(listing_.ofCategory(hwlbh.value_or(QString()),
                                     periodOf(page.periodOn, page.start, page.end)));
}

void MovementQuery::queryByGoods() {
    const auto& page = c_.byGoods;
    if (!rangeAccepted(page.periodOn, page.start, page.end))
        return;
    if (page.category->currentText().isEmpty()) {
        formkit::showMessage(QStringLiteral("请选择商品类别!"));
        return;
    }
    if (page.goods->currentText().isEmpty()) {
        formkit::showMessage(QStringLiteral("请选择商品名!"));
        return;
    }
    storedb::Db& db = session_.db();
    const std::optional<QString> hwh = goodsNumber(db, page.goods);
    if (!hwh) {
        page.price->setText(QStringLiteral("0"));
        page.stock->setText(QStringLiteral("0"));
    } else if (const auto row = storedb::priceAndStock(db, *hwh)) {
        page.price->setText(storedb::numberText(row->dj));
        page.stock->setText(QString::number(row->kcl));
    } else {
        // Catalogued but never stocked.
        page.price->clear();
        page.stock->clear();
    }
    startReading(
        listing_.ofGoods(hwh.value_or(QString()), periodOf(page.periodOn, page.start, page.end)));
}

void MovementQuery::startReading(const storedb::Statement& statement) {
    // Rows of an earlier choice are not shown as if they answered this one.
    result_.clear();
    reader_->read({[statement](const storedb::Db& db) {
                      QSqlQuery rows = storedb::run(db, statement);
                      return storedb::readRows(rows);
                  }},
                  [this](const QList<storedb::RowSet>& rows) {
                      result_.setRows(rows.first());
                      for (QTableView* grid : {c_.byCategory.grid, c_.byGoods.grid})
                          formkit::layoutGrid(grid, listing_.widths);
                  });
}

void MovementQuery::abandon() {
    reader_->abandon();
}

} // namespace admin
