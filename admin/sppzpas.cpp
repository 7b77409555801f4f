#include "sppzpas.h"
#include "ui_sppzpas.h"

#include "data.h"

#include "formkit/grid.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/catalog.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"
#include "storedb/procedures.h"

#include <QButtonGroup>
#include <QFocusEvent>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSqlQueryModel>
#include <QSqlRecord>

namespace admin {

TsppzForm* sppzForm = nullptr;

namespace {

const QList<int> kListWidths{80, 130};
const QList<int> kCategoryGoodsWidths{80, 110};
const QString kNoSuchCategory = QStringLiteral("没有这种商品类别号！请重新输入！");
const QString kNoSuchGoods = QStringLiteral("没有这种商品号！请重新输入！");
const QString kReallyDelete = QStringLiteral("真的要删除吗？");

storedb::Db& db() {
    return DataModule1->db();
}

// Runs the grid's query again. All rows are fetched at once so that no
// statement stays open on the connection between two actions.
void reopen(QSqlQueryModel* model, QSqlQuery query) {
    model->setQuery(std::move(query));
    while (model->canFetchMore())
        model->fetchMore();
}

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

TsppzForm::TsppzForm(QWidget* parent) : QWidget(parent), ui(new Ui::TsppzForm) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(536, 348));

    categoryActions_ =
        radioGroup(this, {ui->RadioGroup1Item0, ui->RadioGroup1Item1, ui->RadioGroup1Item2});
    goodsActions_ =
        radioGroup(this, {ui->RadioGroup2Item0, ui->RadioGroup2Item1, ui->RadioGroup2Item2});

    splbpzModel_ = new QSqlQueryModel(this);
    sppz1Model_ = new QSqlQueryModel(this);
    sppzModel_ = new QSqlQueryModel(this);
    formkit::prepareGrid(ui->DBGrid1);
    ui->DBGrid1->setModel(splbpzModel_);
    formkit::prepareGrid(ui->DBGrid2);
    ui->DBGrid2->setModel(sppz1Model_);

    connect(ui->PageControl1, &QTabWidget::currentChanged, this, [this] { PageControl1Change(); });

    // Categories
    formkit::onEnter(ui->Edit1, [this] { Edit1KeyPress(); });
    ui->Edit1->installEventFilter(this);
    formkit::chainEnter({ui->Edit2, ui->Button1});
    connect(ui->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(ui->Button2, &QPushButton::clicked, this, &QWidget::close);
    connect(ui->DBGrid1, &QTableView::doubleClicked, this,
            [this](const QModelIndex& row) { DBGrid1DblClick(row); });

    // Goods
    ui->ComboBox1->setCompleter(nullptr);
    // Keys reach the combo box itself, which hands them to its line edit unfiltered.
    formkit::chainEnter({ui->ComboBox1, ui->Edit3, ui->Edit4, ui->Button3});
    connect(ui->ComboBox1, &QComboBox::activated, this, [this] { ComboBox1Select(); });
    connect(ui->Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(ui->Button4, &QPushButton::clicked, this, &QWidget::close);
    connect(ui->DBGrid2, &QTableView::doubleClicked, this,
            [this](const QModelIndex& row) { DBGrid2DblClick(row); });

    // Settings
    formkit::installNumericFilter(ui->Edit7, formkit::NumericKeys::DigitsOnly);
    formkit::chainEnter({ui->Edit5, ui->Edit6, ui->Edit7, ui->BitBtn1});
    connect(ui->BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(ui->BitBtn2, &QPushButton::clicked, this, &QWidget::close);
}

TsppzForm::~TsppzForm() {
    if (sppzForm == this)
        sppzForm = nullptr;
    delete ui;
}

// ---------------------------------------------------------------------------
// Opening from the main window

void TsppzForm::prepareCategoryPage() {
    show();
    raise();
    activateWindow();
    openCategoryList();
    selectPage(0);
}

void TsppzForm::prepareGoodsPage() {
    show();
    raise();
    activateWindow();
    openAllGoods();
    // The grid keeps whichever list it was last bound to.
    formkit::layoutGrid(ui->DBGrid2, kListWidths);
    selectPage(1);
}

void TsppzForm::prepareSettingsPage() {
    show();
    raise();
    activateWindow();
    loadSettings();
    selectPage(2);
}

void TsppzForm::selectPage(int index) {
    const QSignalBlocker quiet(ui->PageControl1);
    ui->PageControl1->setCurrentIndex(index);
}

// ---------------------------------------------------------------------------
// The whole window

void TsppzForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TsppzForm::FormShow() {
    reloadPickList(false);
}

bool TsppzForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->Edit1 && event->type() == QEvent::FocusOut) {
        // Leaving the box for another control of this window, not the window
        // losing activation to a message box or another program.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            Edit1Exit();
    }
    return QWidget::eventFilter(watched, event);
}

void TsppzForm::PageControl1Change() {
    ui->Edit1->clear();
    ui->Edit2->clear();
    ui->Edit3->clear();
    ui->Edit4->clear();
    ui->ComboBox1->clearEditText();
    openCategoryList();
    ui->DBGrid2->setModel(sppz1Model_);
    openAllGoods();
    formkit::layoutGrid(ui->DBGrid2, kListWidths);
    loadSettings();
}

void TsppzForm::reloadPickList(bool keepText) {
    const QStringList names = storedb::categoryNames(db());
    const QString text = keepText ? ui->ComboBox1->currentText() : QString();
    const QSignalBlocker quiet(ui->ComboBox1);
    ui->ComboBox1->clear();
    ui->ComboBox1->addItems(names);
    ui->ComboBox1->setCurrentIndex(-1);
    ui->ComboBox1->setEditText(text);
}

// ---------------------------------------------------------------------------
// Categories

int TsppzForm::categoryAction() const {
    return categoryActions_->checkedId();
}

void TsppzForm::openCategoryList() {
    reopen(splbpzModel_, storedb::splbpz(db()));
    formkit::layoutGrid(ui->DBGrid1, kListWidths);
}

bool TsppzForm::categorySearch() {
    openCategoryList();
    const QString hwlbh = ui->Edit1->text();
    for (int row = 0; row < splbpzModel_->rowCount(); ++row) {
        if (splbpzModel_->record(row).value(QStringLiteral("商品类别号")).toString() == hwlbh) {
            ui->DBGrid1->setCurrentIndex(splbpzModel_->index(row, 0));
            return true;
        }
    }
    return false;
}

bool TsppzForm::nameLookup() {
    if (categoryAction() == 0 || ui->Edit1->text().isEmpty())
        return true;
    const QScopedValueRollback busy(inLookup_, true);
    if (categorySearch()) {
        ui->Edit2->setText(cellOfRow(ui->DBGrid1, ui->DBGrid1->currentIndex(), 1));
        return true;
    }
    ui->Edit1->clear();
    formkit::showMessage(kNoSuchCategory);
    ui->Edit1->setFocus();
    return false;
}

void TsppzForm::Edit1KeyPress() {
    if (!nameLookup())
        return;
    // The look-up has run; moving on must not run it a second time.
    const QScopedValueRollback once(skipExitLookup_, true);
    ui->Edit2->setFocus();
}

void TsppzForm::Edit1Exit() {
    if (skipExitLookup_ || inLookup_)
        return;
    nameLookup();
}

void TsppzForm::DBGrid1DblClick(const QModelIndex& row) {
    if (categoryAction() == 0)
        return;
    ui->Edit1->setText(cellOfRow(ui->DBGrid1, row, 0));
    ui->Edit2->setText(cellOfRow(ui->DBGrid1, row, 1));
}

void TsppzForm::Button1Click() {
    const QString hwlbh = ui->Edit1->text();
    if (hwlbh.isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入商品类别号！"));
    } else {
        const bool found = categorySearch();
        switch (categoryAction()) {
        case 0:
            if (found) {
                formkit::showMessage(QStringLiteral("已有这种商品类别号！请重新输入！"));
                ui->Edit1->clear();
                ui->Edit1->setFocus();
            } else {
                storedb::splbpztj(db(), hwlbh, ui->Edit2->text());
            }
            break;
        case 1:
            if (!found) {
                formkit::showMessage(kNoSuchCategory);
                ui->Edit1->clear();
                ui->Edit1->setFocus();
            } else {
                if (!formkit::askYesNo(kReallyDelete))
                    return;
                storedb::deleteCategory(db(), hwlbh);
            }
            break;
        case 2:
            if (!found) {
                formkit::showMessage(kNoSuchCategory);
                ui->Edit1->setFocus();
            } else {
                storedb::splbpzxg(db(), hwlbh, ui->Edit2->text());
            }
            break;
        }
        openCategoryList();
    }
    reloadPickList(true);
}

// ---------------------------------------------------------------------------
// Goods

int TsppzForm::goodsAction() const {
    return goodsActions_->checkedId();
}

void TsppzForm::openAllGoods() {
    reopen(sppz1Model_, storedb::sppz1(db()));
}

void TsppzForm::showGoodsOfCategory(const QString& hwlbm) {
    // A name that no category bears lists nothing: a null number matches no row.
    const std::optional<QString> hwlbh = storedb::categoryNumberOf(db(), hwlbm);
    reopen(sppzModel_, storedb::sppz(db(), hwlbh.value_or(QString())));
    ui->DBGrid2->setModel(sppzModel_);
    formkit::layoutGrid(ui->DBGrid2, kCategoryGoodsWidths);
}

void TsppzForm::showGoodsOfPickedCategory() {
    showGoodsOfCategory(ui->ComboBox1->currentText());
}

void TsppzForm::ComboBox1Select() {
    ui->Edit3->clear();
    ui->Edit4->clear();
    showGoodsOfPickedCategory();
}

void TsppzForm::DBGrid2DblClick(const QModelIndex& row) {
    if (goodsAction() == 0)
        return;
    ui->Edit3->setText(cellOfRow(ui->DBGrid2, row, 0));
    ui->Edit4->setText(cellOfRow(ui->DBGrid2, row, 1));
    if (const auto hwlbh = storedb::categoryOfGoods(db(), ui->Edit3->text())) {
        if (const auto hwlbm = storedb::categoryNameOf(db(), *hwlbh))
            ui->ComboBox1->setEditText(*hwlbm);
    }
    showGoodsOfPickedCategory();
}

void TsppzForm::Button3Click() {
    const QString hwh = ui->Edit3->text();
    if (hwh.isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入商品号！"));
    } else {
        openAllGoods();
        const bool found = storedb::goodsExists(db(), hwh);
        switch (goodsAction()) {
        case 0:
            if (found) {
                formkit::showMessage(QStringLiteral("已有这种商品号！请重新输入！"));
                ui->Edit3->clear();
                ui->Edit3->setFocus();
            } else if (!storedb::addGoodsToCategory(db(), ui->ComboBox1->currentText(), hwh,
                                                    ui->Edit4->text())) {
                // Goods need a real category; the typed boxes stay for a second try.
                formkit::showMessage(QStringLiteral("没有这种商品类别！请重新选择！"));
                ui->ComboBox1->setFocus();
                reloadPickList(true);
                return;
            }
            break;
        case 1:
            if (!found) {
                formkit::showMessage(kNoSuchGoods);
                ui->Edit3->clear();
                ui->Edit3->setFocus();
            } else {
                if (!formkit::askYesNo(kReallyDelete))
                    return;
                storedb::sppzsc(db(), hwh);
            }
            break;
        case 2:
            if (!found) {
                formkit::showMessage(kNoSuchGoods);
                ui->Edit3->clear();
                ui->Edit3->setFocus();
            } else {
                storedb::sppzxg(db(), hwh, ui->Edit4->text());
            }
            break;
        }
        ui->Edit3->clear();
        ui->Edit4->clear();
        showGoodsOfPickedCategory();
    }
    reloadPickList(true);
}

// ---------------------------------------------------------------------------
// Shop settings

void TsppzForm::loadSettings() {
    const storedb::ShopSettings settings = storedb::loadShopSettings(db());
    ui->Edit5->setText(settings.company);
    ui->Edit6->setText(settings.welcome);
    ui->Edit7->setText(QString::number(settings.sl));
}

void TsppzForm::BitBtn1Click() {
    if (ui->Edit5->text().trimmed().isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入超市名字!"));
        return;
    }
    if (ui->Edit6->text().trimmed().isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入欢迎信息!"));
        return;
    }
    if (ui->Edit7->text().trimmed().isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入报警库存量!"));
        return;
    }
    try {
        storedb::ShopSettings settings;
        settings.company = ui->Edit5->text();
        settings.welcome = ui->Edit6->text();
        // A level beyond the integer column fails here, alike on every engine.
        settings.sl = storedb::toInteger(ui->Edit7->text());
        storedb::saveShopSettings(db(), settings);
    } catch (...) {
        formkit::showMessage(QStringLiteral("数据操作失败!"));
        return;
    }
    formkit::showMessage(QStringLiteral("设置成功!"));
    close();
}

} // namespace admin
