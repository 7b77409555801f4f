#include "sprhcxpas.h"
#include "ui_sprhcxpas.h"

#include "opening.h"
#include "session.h"

#include "formkit/buttonkeys.h"
#include "formkit/grid.h"
#include "formkit/guard.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/catalog.h"
#include "storedb/datetime.h"
#include "storedb/numtext.h"
#include "storedb/queries.h"

#include <QGuiApplication>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSqlQueryModel>
#include <QStyledItemDelegate>
#include <QTabBar>

namespace admin {

// ---------------------------------------------------------------------------
// Shared with the sales query window

namespace queryform {

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

void prepareResultGrid(QTableView* grid, QSqlQueryModel* result, int dateColumn) {
    formkit::prepareGrid(grid);
    grid->setItemDelegateForColumn(dateColumn, new MovementDateDelegate(grid));
    grid->setModel(result);
}

void fillCategoryLists(const storedb::Db& db, const QList<QComboBox*>& boxes) {
    QList<Entry> entries;
    for (const storedb::Category& category : storedb::categories(db))
        entries.append({category.hwlbh, category.hwlbm});
    for (QComboBox* box : boxes)
        refill(box, entries);
}

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

void listGoodsOfCategory(const storedb::Db& db, const QComboBox* categories, QComboBox* goods) {
    goods->setCurrentIndex(-1);
    const std::optional<QString> hwlbh = categoryNumber(db, categories);
    if (!hwlbh)
        return;
    QList<Entry> entries;
    for (const storedb::GoodsEntry& item : storedb::goodsOfCategory(db, *hwlbh))
        entries.append({item.hwh, item.hwm});
    refill(goods, entries);
}

void showPriceAndStock(const storedb::Db& db, const std::optional<QString>& hwh, QLineEdit* price,
                       QLineEdit* stock) {
    if (!hwh) {
        price->setText(QStringLiteral("0"));
        stock->setText(QStringLiteral("0"));
    } else if (const auto row = storedb::priceAndStock(db, *hwh)) {
        price->setText(storedb::numberText(row->dj));
        stock->setText(QString::number(row->kcl));
    } else {
        // Catalogued but never stocked.
        price->clear();
        stock->clear();
    }
}

std::optional<storedb::MovementPeriod> periodOf(const QCheckBox* on, const QDateTimeEdit* start,
                                                const QDateTimeEdit* end) {
    if (!on->isChecked())
        return std::nullopt;
    return storedb::periodBetween(start->dateTime(), end->dateTime());
}

bool rangeAccepted(const QCheckBox* on, QDateTimeEdit* start, const QDateTimeEdit* end) {
    if (!on->isChecked() || start->dateTime() <= end->dateTime())
        return true;
    formkit::showMessage(QStringLiteral("请输入正确的时间范围!"));
    start->setFocus();
    return false;
}

BusyCursor::BusyCursor() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor() {
    QGuiApplication::restoreOverrideCursor();
}

} // namespace queryform

// ---------------------------------------------------------------------------
// The incoming goods query

namespace {
const QList<int> kResultWidths{100, 80, 50, 90, 100};
}

TsprhcxForm::TsprhcxForm(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::TsprhcxForm) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(533, 417));

    result_ = new QSqlQueryModel(this);
    for (QTableView* grid : {ui->DBGrid1, ui->DBGrid2})
        queryform::prepareResultGrid(grid, result_, 3);
    for (QComboBox* box : {ui->ComboBox1, ui->ComboBox2, ui->ComboBox3})
        box->setCompleter(nullptr);

    formkit::onSignal(ui->PageControl1, &QTabWidget::currentChanged, this,
                      &TsprhcxForm::resetForNewPage);
    // Enter runs the query of the page on show, Esc closes the window.
    formkit::installDefaultButton(this);
    ui->PageControl1->tabBar()->setFocusPolicy(Qt::NoFocus);
    formkit::installCancelButton(ui->TabSheet1, ui->BitBtn2);
    formkit::installCancelButton(ui->TabSheet2, ui->BitBtn4);
    followPageWithDefaultButton();

    // By category
    formkit::chainEnter({ui->ComboBox1, ui->BitBtn1});
    formkit::onClick(ui->BitBtn1, this, &TsprhcxForm::queryByCategory);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &QWidget::close);

    // By goods
    formkit::onSignal(ui->ComboBox2, &QComboBox::activated, this,
                      &TsprhcxForm::listGoodsOfChosenCategory);
    formkit::onEnter(ui->ComboBox2, [this] {
        formkit::runGuarded(QStringLiteral("TsprhcxForm/ComboBox2"),
                            [this] { chooseTypedCategory(); });
    });
    formkit::chainEnter({ui->ComboBox3, ui->BitBtn3});
    formkit::onClick(ui->BitBtn3, this, &TsprhcxForm::queryByGoods);
    connect(ui->BitBtn4, &QPushButton::clicked, this, &QWidget::close);
}

TsprhcxForm::~TsprhcxForm() {
    delete ui;
}

void TsprhcxForm::openByCategory() {
    selectPageQuietly(ui->PageControl1, 0);
    followPageWithDefaultButton();
    bringUp(*this);
}

void TsprhcxForm::openByGoods() {
    selectPageQuietly(ui->PageControl1, 1);
    followPageWithDefaultButton();
    bringUp(*this);
}

void TsprhcxForm::followPageWithDefaultButton() {
    const int page = ui->PageControl1->currentIndex();
    ui->BitBtn1->setDefault(page == 0);
    ui->BitBtn3->setDefault(page == 1);
}

void TsprhcxForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        formkit::runGuarded(QStringLiteral("TsprhcxForm/show"), [this] {
            queryform::fillCategoryLists(session_.db(), {ui->ComboBox1, ui->ComboBox2});
        });
    }
}

void TsprhcxForm::resetForNewPage() {
    followPageWithDefaultButton();
    result_->clear();
    ui->Edit1->clear();
    ui->Edit2->clear();
    ui->Edit3->clear();
    // The choices go with their texts.
    for (QComboBox* box : {ui->ComboBox1, ui->ComboBox2, ui->ComboBox3})
        box->setCurrentIndex(-1);
}

void TsprhcxForm::listGoodsOfChosenCategory() {
    queryform::listGoodsOfCategory(session_.db(), ui->ComboBox2, ui->ComboBox3);
}

// Enter takes a typed category as choosing it from the list would.
void TsprhcxForm::chooseTypedCategory() {
    listGoodsOfChosenCategory();
    ui->ComboBox3->setFocus();
}

void TsprhcxForm::showResult(const storedb::Statement& statement) {
    formkit::fillRows(result_, storedb::run(session_.db(), statement));
    for (QTableView* grid : {ui->DBGrid1, ui->DBGrid2})
        formkit::layoutGrid(grid, kResultWidths);
}

void TsprhcxForm::queryByCategory() {
    if (!queryform::rangeAccepted(ui->CheckBox2, ui->DateTimePicker1, ui->DateTimePicker2))
        return;
    if (ui->ComboBox1->currentText().isEmpty()) {
        formkit::showMessage(QStringLiteral("请选择商品类别!"));
        return;
    }
    const queryform::BusyCursor busy;
    storedb::Db& db = session_.db();
    const std::optional<QString> hwlbh = queryform::categoryNumber(db, ui->ComboBox1);
    ui->Edit1->setText(QString::number(hwlbh ? storedb::stockedGoodsOfCategory(db, *hwlbh) : 0));
    // A category that does not exist lists nothing: no movement has an empty number.
    showResult(storedb::stockInsOfCategory(
        hwlbh.value_or(QString()),
        queryform::periodOf(ui->CheckBox2, ui->DateTimePicker1, ui->DateTimePicker2)));
}

void TsprhcxForm::queryByGoods() {
    if (!queryform::rangeAccepted(ui->CheckBox1, ui->DateTimePicker3, ui->DateTimePicker4))
        return;
    if (ui->ComboBox2->currentText().isEmpty()) {
        formkit::showMessage(QStringLiteral("请选择商品类别!"));
        return;
    }
    if (ui->ComboBox3->currentText().isEmpty()) {
        formkit::showMessage(QStringLiteral("请选择商品名!"));
        return;
    }
    const queryform::BusyCursor busy;
    storedb::Db& db = session_.db();
    const std::optional<QString> hwh = queryform::goodsNumber(db, ui->ComboBox3);
    queryform::showPriceAndStock(db, hwh, ui->Edit2, ui->Edit3);
    showResult(storedb::stockInsOfGoods(
        hwh.value_or(QString()),
        queryform::periodOf(ui->CheckBox1, ui->DateTimePicker3, ui->DateTimePicker4)));
}

} // namespace admin
