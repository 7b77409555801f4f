#include "goodsconfigwindow.h"
#include "ui_goodsconfigwindow.h"

#include "opening.h"
#include "session.h"

#include "formkit/buttonkeys.h"
#include "formkit/grid.h"
#include "formkit/guard.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/barcode.h"
#include "storedb/catalog.h"
#include "storedb/columntext.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"
#include "storedb/procedures.h"
#include "storedb/queries.h"

#include <QAbstractTableModel>
#include <QButtonGroup>
#include <QFocusEvent>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QTabBar>

namespace admin {

namespace {

const QList<int> kListWidths{80, 130};
const QList<int> kCategoryGoodsWidths{80, 110};
const QString kNoSuchCategory = QStringLiteral("没有这种商品类别号！请重新输入！");
const QString kNoSuchGoods = QStringLiteral("没有这种商品号！请重新输入！");
const QString kReallyDelete = QStringLiteral("真的要删除吗？");

QString cellOfRow(const QTableView* grid, const QModelIndex& row, int column) {
    if (!row.isValid() || !grid->model())
        return {};
    return grid->model()->index(row.row(), column).data().toString();
}

QButtonGroup* radioGroup(QWidget* owner, const QList<QAbstractButton*>& choices) {
    auto* group = new QButtonGroup(owner);
    for (qsizetype i = 0; i < choices.size(); ++i)
        group->addButton(choices.at(i), int(i));
    return group;
}

} // namespace

// The whole catalogue, read a page at a time as the grid scrolls to its end:
// a store of many goods opens its list as fast as a small one, and each page
// is read to its end at once, so no statement stays open between actions.
class CatalogueModel : public QAbstractTableModel {
  public:
    static constexpr int kPage = 1000;

    using QAbstractTableModel::QAbstractTableModel;

    // From the first goods again, as the catalogue is now.
    void reload(const storedb::Db& db) {
        beginResetModel();
        db_ = &db;
        rows_.clear();
        titles_.clear();
        more_ = true;
        try {
            readPage();
        } catch (...) {
            more_ = false;
            endResetModel();
            throw;
        }
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(rows_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(titles_.size());
    }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        return rows_.at(index.row()).value(index.column());
    }
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return titles_.value(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    bool canFetchMore(const QModelIndex& parent) const override {
        return !parent.isValid() && more_ && db_;
    }
    void fetchMore(const QModelIndex& parent) override {
        if (!canFetchMore(parent))
            return;
        // Called by the grid while it scrolls: a failure is shown, and the
        // list stays as it is.
        formkit::runGuarded(QStringLiteral("GoodsConfigWindow/goods list"), [this] {
            more_ = false;
            readPage();
        });
    }

  private:
    void readPage() {
        const QString after = rows_.isEmpty() ? QString() : rows_.last().value(0).toString();
        QSqlQuery q = storedb::cataloguePage(*db_, after, kPage);
        if (titles_.isEmpty()) {
            const QSqlRecord fields = q.record();
            for (int c = 0; c < fields.count(); ++c)
                titles_ << fields.fieldName(c);
        }
        QList<QVariantList> page;
        while (q.next()) {
            QVariantList row;
            for (int c = 0; c < titles_.size(); ++c)
                row << q.value(c);
            page << row;
        }
        more_ = page.size() == kPage;
        if (page.isEmpty())
            return;
        const bool resetting = rows_.isEmpty();
        if (!resetting)
            beginInsertRows({}, int(rows_.size()), int(rows_.size() + page.size() - 1));
        rows_ << page;
        if (!resetting)
            endInsertRows();
    }

    const storedb::Db* db_ = nullptr;
    QStringList titles_;
    QList<QVariantList> rows_;
    bool more_ = false;
};

GoodsConfigWindow::GoodsConfigWindow(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::GoodsConfigWindow) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(536, 348));

    categoryActions_ = radioGroup(
        this, {ui->addCategoryOption, ui->deleteCategoryOption, ui->renameCategoryOption});
    goodsActions_ =
        radioGroup(this, {ui->addGoodsOption, ui->deleteGoodsOption, ui->renameGoodsOption});

    splbpzModel_ = new QSqlQueryModel(this);
    sppz1Model_ = new CatalogueModel(this);
    sppzModel_ = new QSqlQueryModel(this);
    formkit::prepareGrid(ui->categoriesGrid);
    ui->categoriesGrid->setModel(splbpzModel_);
    formkit::prepareGrid(ui->goodsGrid);
    ui->goodsGrid->setModel(sppz1Model_);

    formkit::onSignal(ui->pages, &QTabWidget::currentChanged, this,
                      &GoodsConfigWindow::resetForNewPage);
    // Enter presses the OK button of the page on show, Esc its close button.
    // A key only reaches the page it was typed on, so each page has its own
    // cancel button.
    formkit::installDefaultButton(this);
    // The keyboard stays on the pages (the tabs change with a click or
    // Ctrl+Tab): an Esc typed on the tab bar would reach no page.
    ui->pages->tabBar()->setFocusPolicy(Qt::NoFocus);
    formkit::installCancelButton(ui->categoryPage, ui->categoryCloseButton);
    formkit::installCancelButton(ui->goodsPage, ui->goodsCloseButton);
    formkit::installCancelButton(ui->settingsPage, ui->settingsCloseButton);
    followPageWithDefaultButton();

    // Categories
    formkit::onEnter(ui->categoryNumber, [this] {
        formkit::runGuarded(QStringLiteral("GoodsConfigWindow/categoryNumber"),
                            [this] { lookUpCategoryOnEnter(); });
    });
    ui->categoryNumber->installEventFilter(this);
    formkit::chainEnter({ui->categoryName, ui->categoryConfirmButton});
    formkit::onClick(ui->categoryConfirmButton, this, &GoodsConfigWindow::runCategoryAction);
    connect(ui->categoryCloseButton, &QPushButton::clicked, this, &QWidget::close);
    formkit::onSignal(ui->categoriesGrid, &QTableView::doubleClicked, this,
                      &GoodsConfigWindow::pickCategoryRow);

    // Goods
    ui->goodsCategory->setCompleter(nullptr);
    // Keys reach the combo box itself, which hands them to its line edit unfiltered.
    formkit::chainEnter(
        {ui->goodsCategory, ui->goodsNumber, ui->goodsName, ui->goodsConfirmButton});
    formkit::onSignal(ui->goodsCategory, &QComboBox::activated, this,
                      &GoodsConfigWindow::showGoodsOfChosenCategory);
    formkit::onClick(ui->goodsConfirmButton, this, &GoodsConfigWindow::runGoodsAction);
    connect(ui->goodsCloseButton, &QPushButton::clicked, this, &QWidget::close);
    formkit::onSignal(ui->goodsGrid, &QTableView::doubleClicked, this,
                      &GoodsConfigWindow::pickGoodsRow);

    // Settings
    formkit::installNumericFilter(ui->lowStockLevel, formkit::NumericKeys::DigitsOnly);
    formkit::chainEnter(
        {ui->shopName, ui->welcomeMessage, ui->lowStockLevel, ui->settingsConfirmButton});
    formkit::onClick(ui->settingsConfirmButton, this, &GoodsConfigWindow::saveSettings);
    connect(ui->settingsCloseButton, &QPushButton::clicked, this, &QWidget::close);
}

GoodsConfigWindow::~GoodsConfigWindow() {
    delete ui;
}

// ---------------------------------------------------------------------------
// Opening from the main window

void GoodsConfigWindow::prepareCategoryPage() {
    bringUp(*this);
    openCategoryList();
    selectPage(0);
}

void GoodsConfigWindow::prepareGoodsPage() {
    bringUp(*this);
    openAllGoods();
    // The grid keeps whichever list it was last bound to.
    formkit::layoutGrid(ui->goodsGrid, kListWidths);
    selectPage(1);
}

void GoodsConfigWindow::prepareSettingsPage() {
    bringUp(*this);
    loadSettings();
    selectPage(2);
}

void GoodsConfigWindow::selectPage(int index) {
    selectPageQuietly(ui->pages, index);
    followPageWithDefaultButton();
}

void GoodsConfigWindow::followPageWithDefaultButton() {
    const int page = ui->pages->currentIndex();
    ui->categoryConfirmButton->setDefault(page == 0);
    ui->goodsConfirmButton->setDefault(page == 1);
    ui->settingsConfirmButton->setDefault(page == 2);
}

// ---------------------------------------------------------------------------
// The whole window

void GoodsConfigWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        formkit::runGuarded(QStringLiteral("GoodsConfigWindow/show"),
                            [this] { reloadPickList(false); });
    }
}

bool GoodsConfigWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->categoryNumber && event->type() == QEvent::FocusOut) {
        // Leaving the box for another control of this window, not the window
        // losing activation to a message box or another program.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            formkit::runGuarded(QStringLiteral("GoodsConfigWindow/categoryNumber"),
                                [this] { lookUpCategoryOnLeave(); });
        }
    }
    return QWidget::eventFilter(watched, event);
}

void GoodsConfigWindow::resetForNewPage() {
    followPageWithDefaultButton();
    ui->categoryNumber->clear();
    ui->categoryName->clear();
    ui->goodsNumber->clear();
    ui->goodsName->clear();
    ui->goodsCategory->clearEditText();
    openCategoryList();
    openAllGoods();
    if (ui->goodsGrid->model() != sppz1Model_)
        ui->goodsGrid->setModel(sppz1Model_);
    formkit::layoutGrid(ui->goodsGrid, kListWidths);
    loadSettings();
}

void GoodsConfigWindow::reloadPickList(bool keepText) {
    const QStringList names = storedb::categoryNames(session_.db());
    const QString text = keepText ? ui->goodsCategory->currentText() : QString();
    const QSignalBlocker quiet(ui->goodsCategory);
    ui->goodsCategory->clear();
    ui->goodsCategory->addItems(names);
    ui->goodsCategory->setCurrentIndex(-1);
    ui->goodsCategory->setEditText(text);
}

// ---------------------------------------------------------------------------
// Categories

int GoodsConfigWindow::categoryAction() const {
    return categoryActions_->checkedId();
}

void GoodsConfigWindow::openCategoryList() {
    formkit::showRows(ui->categoriesGrid, splbpzModel_, storedb::splbpz(session_.db()),
                      kListWidths);
}

bool GoodsConfigWindow::categorySearch(const QString& hwlbh) {
    openCategoryList();
    for (int row = 0; row < splbpzModel_->rowCount(); ++row) {
        if (splbpzModel_->record(row).value(QStringLiteral("商品类别号")).toString() == hwlbh) {
            ui->categoriesGrid->setCurrentIndex(splbpzModel_->index(row, 0));
            return true;
        }
    }
    return false;
}

bool GoodsConfigWindow::nameLookup() {
    if (categoryAction() == 0 || ui->categoryNumber->text().isEmpty())
        return true;
    const QScopedValueRollback busy(inLookup_, true);
    if (categorySearch(storedb::normalizeCode(ui->categoryNumber->text()))) {
        ui->categoryName->setText(
            cellOfRow(ui->categoriesGrid, ui->categoriesGrid->currentIndex(), 1));
        return true;
    }
    ui->categoryNumber->clear();
    formkit::showMessage(kNoSuchCategory);
    ui->categoryNumber->setFocus();
    return false;
}

void GoodsConfigWindow::lookUpCategoryOnEnter() {
    if (!nameLookup())
        return;
    // The look-up has run; moving on must not run it a second time.
    const QScopedValueRollback once(skipExitLookup_, true);
    ui->categoryName->setFocus();
}

void GoodsConfigWindow::lookUpCategoryOnLeave() {
    if (skipExitLookup_ || inLookup_)
        return;
    nameLookup();
}

void GoodsConfigWindow::pickCategoryRow() {
    if (categoryAction() == 0)
        return;
    const QModelIndex row = ui->categoriesGrid->currentIndex();
    ui->categoryNumber->setText(cellOfRow(ui->categoriesGrid, row, 0));
    ui->categoryName->setText(cellOfRow(ui->categoriesGrid, row, 1));
}

// The number and the name as the store keeps them (no trailing blanks) serve
// both the existence check and the write; a number of blanks only is none.
void GoodsConfigWindow::runCategoryAction() {
    storedb::Db& db = session_.db();
    const QString hwlbh = storedb::normalizeCode(ui->categoryNumber->text());
    const QString hwlbm = storedb::normalizeCode(ui->categoryName->text());
    if (hwlbh.isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入商品类别号！"));
    } else {
        const bool found = categorySearch(hwlbh);
        switch (categoryAction()) {
        case 0:
            if (found) {
                formkit::showMessage(QStringLiteral("已有这种商品类别号！请重新输入！"));
                ui->categoryNumber->clear();
                ui->categoryNumber->setFocus();
            } else {
                storedb::splbpztj(db, hwlbh, hwlbm);
            }
            break;
        case 1:
            if (!found) {
                formkit::showMessage(kNoSuchCategory);
                ui->categoryNumber->clear();
                ui->categoryNumber->setFocus();
            } else {
                if (!formkit::askYesNo(kReallyDelete))
                    return;
                storedb::deleteCategory(db, hwlbh);
            }
            break;
        case 2:
            if (!found) {
                formkit::showMessage(kNoSuchCategory);
                ui->categoryNumber->setFocus();
            } else {
                storedb::splbpzxg(db, hwlbh, hwlbm);
            }
            break;
        }
        openCategoryList();
    }
    reloadPickList(true);
}

// ---------------------------------------------------------------------------
// Goods

int GoodsConfigWindow::goodsAction() const {
    return goodsActions_->checkedId();
}

void GoodsConfigWindow::openAllGoods() {
    sppz1Model_->reload(session_.db());
}

void GoodsConfigWindow::showGoodsOfCategory(const QString& hwlbm) {
    storedb::Db& db = session_.db();
    // A name that no category bears lists nothing: a null number matches no row.
    const std::optional<QString> hwlbh = storedb::categoryNumberOf(db, hwlbm);
    formkit::showRows(ui->goodsGrid, sppzModel_, storedb::sppz(db, hwlbh.value_or(QString())),
                      kCategoryGoodsWidths);
}

void GoodsConfigWindow::showGoodsOfPickedCategory() {
    showGoodsOfCategory(ui->goodsCategory->currentText());
}

void GoodsConfigWindow::showGoodsOfChosenCategory() {
    ui->goodsNumber->clear();
    ui->goodsName->clear();
    showGoodsOfPickedCategory();
}

void GoodsConfigWindow::pickGoodsRow() {
    if (goodsAction() == 0)
        return;
    storedb::Db& db = session_.db();
    const QModelIndex row = ui->goodsGrid->currentIndex();
    ui->goodsNumber->setText(cellOfRow(ui->goodsGrid, row, 0));
    ui->goodsName->setText(cellOfRow(ui->goodsGrid, row, 1));
    if (const auto hwlbh = storedb::categoryOfGoods(db, ui->goodsNumber->text())) {
        if (const auto hwlbm = storedb::categoryNameOf(db, *hwlbh))
            ui->goodsCategory->setEditText(*hwlbm);
    }
    showGoodsOfPickedCategory();
}

void GoodsConfigWindow::runGoodsAction() {
    storedb::Db& db = session_.db();
    const QString hwh = storedb::normalizeCode(ui->goodsNumber->text());
    const QString hwm = storedb::normalizeCode(ui->goodsName->text());
    if (hwh.isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入商品号！"));
    } else {
        openAllGoods();
        const bool found = storedb::goodsExists(db, hwh);
        switch (goodsAction()) {
        case 0:
            if (found) {
                formkit::showMessage(QStringLiteral("已有这种商品号！请重新输入！"));
                ui->goodsNumber->clear();
                ui->goodsNumber->setFocus();
                break;
            }
            // A barcode typed with a slip would never match a scan of the goods.
            if (const auto expected = storedb::wrongGtinCheckDigit(hwh);
                expected && !formkit::askYesNo(
                                QStringLiteral("商品号 %1 的校验位应为 %2,可能输错了。仍然保存吗？")
                                    .arg(hwh, QString::number(*expected)))) {
                ui->goodsNumber->setFocus();
                return;
            }
            if (!storedb::addGoodsToCategory(db, ui->goodsCategory->currentText(), hwh, hwm)) {
                // Goods need a real category; the typed boxes stay for a second try.
                formkit::showMessage(QStringLiteral("没有这种商品类别！请重新选择！"));
                ui->goodsCategory->setFocus();
                reloadPickList(true);
                return;
            }
            break;
        case 1:
            if (!found) {
                formkit::showMessage(kNoSuchGoods);
                ui->goodsNumber->clear();
                ui->goodsNumber->setFocus();
            } else {
                if (!formkit::askYesNo(kReallyDelete))
                    return;
                // The stock row goes with the goods: goods added again under
                // the number start without the old stock and price.
                storedb::deleteGoods(db, hwh);
            }
            break;
        case 2:
            if (!found) {
                formkit::showMessage(kNoSuchGoods);
                ui->goodsNumber->clear();
                ui->goodsNumber->setFocus();
            } else {
                storedb::sppzxg(db, hwh, hwm);
            }
            break;
        }
        ui->goodsNumber->clear();
        ui->goodsName->clear();
        showGoodsOfPickedCategory();
    }
    reloadPickList(true);
}

// ---------------------------------------------------------------------------
// Shop settings

void GoodsConfigWindow::loadSettings() {
    const storedb::ShopSettings settings = storedb::loadShopSettings(session_.db());
    ui->shopName->setText(settings.company);
    ui->welcomeMessage->setText(settings.welcome);
    ui->lowStockLevel->setText(QString::number(settings.sl));
}

// Handles its own failures: the boxes stay as typed for another try.
void GoodsConfigWindow::saveSettings() {
    if (ui->shopName->text().trimmed().isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入超市名字!"));
        return;
    }
    if (ui->welcomeMessage->text().trimmed().isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入欢迎信息!"));
        return;
    }
    if (ui->lowStockLevel->text().trimmed().isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入报警库存量!"));
        return;
    }
    try {
        storedb::ShopSettings settings;
        settings.company = ui->shopName->text();
        settings.welcome = ui->welcomeMessage->text();
        // A level beyond the integer column fails here, alike on every engine.
        settings.sl = storedb::toInteger(ui->lowStockLevel->text());
        storedb::saveShopSettings(session_.db(), settings);
    } catch (const storedb::InvalidValueError&) {
        // A value the store will not keep (a negative level, a text too
        // long): the user is told which.
        formkit::showMessage(formkit::logCurrentException(
            QStringLiteral("GoodsConfigWindow/settingsConfirmButton")));
        return;
    } catch (...) {
        formkit::logCurrentException(QStringLiteral("GoodsConfigWindow/settingsConfirmButton"));
        formkit::showMessage(QStringLiteral("数据操作失败!"));
        return;
    }
    formkit::showMessage(QStringLiteral("设置成功!"));
    close();
}

} // namespace admin
