#include "spckcxpas.h"
#include "ui_spckcxpas.h"

#include "opening.h"
#include "session.h"
#include "sprhcxpas.h"

#include "formkit/buttonkeys.h"
#include "formkit/grid.h"
#include "formkit/guard.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/queries.h"

#include <QShowEvent>
#include <QSqlQueryModel>
#include <QTabBar>

namespace admin {

namespace {
const QList<int> kResultWidths{120, 130, 180};
}

TspckcxForm::TspckcxForm(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::TspckcxForm) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(529, 411));

    result_ = new QSqlQueryModel(this);
    for (QTableView* grid : {ui->DBGrid1, ui->DBGrid2})
        queryform::prepareResultGrid(grid, result_, 2);
    for (QComboBox* box : {ui->ComboBox1, ui->ComboBox2, ui->ComboBox3})
        box->setCompleter(nullptr);

    formkit::onSignal(ui->PageControl1, &QTabWidget::currentChanged, this,
                      &TspckcxForm::resetForNewPage);
    // Enter runs the query of the page on show, Esc closes the window.
    formkit::installDefaultButton(this);
    ui->PageControl1->tabBar()->setFocusPolicy(Qt::NoFocus);
    formkit::installCancelButton(ui->TabSheet1, ui->BitBtn2);
    formkit::installCancelButton(ui->TabSheet2, ui->BitBtn4);
    followPageWithDefaultButton();

    // By category
    formkit::chainEnter({ui->ComboBox1, ui->BitBtn1});
    formkit::onClick(ui->BitBtn1, this, &TspckcxForm::queryByCategory);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &QWidget::close);
    // Not guarded: a name that cannot be shown is no reason for a message.
    connect(ui->DBGrid1, &QTableView::doubleClicked, this, &TspckcxForm::showGoodsNameOfRow);

    // By goods
    formkit::onSignal(ui->ComboBox2, &QComboBox::activated, this,
                      &TspckcxForm::listGoodsOfChosenCategory);
    formkit::onEnter(ui->ComboBox2, [this] {
        formkit::runGuarded(QStringLiteral("TspckcxForm/ComboBox2"),
                            [this] { chooseTypedCategory(); });
    });
    formkit::chainEnter({ui->ComboBox3, ui->BitBtn3});
    formkit::onClick(ui->BitBtn3, this, &TspckcxForm::queryByGoods);
    connect(ui->BitBtn4, &QPushButton::clicked, this, &QWidget::close);
}

TspckcxForm::~TspckcxForm() {
    delete ui;
}

void TspckcxForm::openByCategory() {
    selectPageQuietly(ui->PageControl1, 0);
    followPageWithDefaultButton();
    bringUp(*this);
}

void TspckcxForm::openByGoods() {
    selectPageQuietly(ui->PageControl1, 1);
    followPageWithDefaultButton();
    bringUp(*this);
}

void TspckcxForm::followPageWithDefaultButton() {
    const int page = ui->PageControl1->currentIndex();
    ui->BitBtn1->setDefault(page == 0);
    ui->BitBtn3->setDefault(page == 1);
}

void TspckcxForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        result_->clear();
        formkit::runGuarded(QStringLiteral("TspckcxForm/show"), [this] {
            queryform::fillCategoryLists(session_.db(), {ui->ComboBox1, ui->ComboBox2});
        });
    }
}

void TspckcxForm::resetForNewPage() {
    followPageWithDefaultButton();
    result_->clear();
    ui->Edit1->clear();
    ui->Edit2->clear();
    ui->Edit3->clear();
    // The choices go with their texts.
    for (QComboBox* box : {ui->ComboBox1, ui->ComboBox2, ui->ComboBox3})
        box->setCurrentIndex(-1);
}

void TspckcxForm::listGoodsOfChosenCategory() {
    queryform::listGoodsOfCategory(session_.db(), ui->ComboBox2, ui->ComboBox3);
}

// Enter takes a typed category as choosing it from the list would.
void TspckcxForm::chooseTypedCategory() {
    listGoodsOfChosenCategory();
    ui->ComboBox3->setFocus();
}

void TspckcxForm::showGoodsNameOfRow(const QModelIndex& row) {
    const QString hwh = result_->index(row.row(), 0).data().toString();
    try {
        // Goods no longer catalogued have no name to show, and must not
        // show another's.
        ui->Edit4->setText(storedb::goodsNameOf(session_.db(), hwh).value_or(QString()));
    } catch (...) {
        formkit::logCurrentException(QStringLiteral("TspckcxForm/DBGrid1"));
    }
}

void TspckcxForm::showResult(const storedb::Statement& statement) {
    formkit::fillRows(result_, storedb::run(session_.db(), statement));
    for (QTableView* grid : {ui->DBGrid1, ui->DBGrid2})
        formkit::layoutGrid(grid, kResultWidths);
}

void TspckcxForm::queryByCategory() {
    if (!queryform::rangeAccepted(ui->CheckBox1, ui->DateTimePicker1, ui->DateTimePicker2))
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
    showResult(storedb::stockOutsOfCategory(
        hwlbh.value_or(QString()),
        queryform::periodOf(ui->CheckBox1, ui->DateTimePicker1, ui->DateTimePicker2)));
}

void TspckcxForm::queryByGoods() {
    if (!queryform::rangeAccepted(ui->CheckBox2, ui->DateTimePicker3, ui->DateTimePicker4))
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
    showResult(storedb::stockOutsOfGoods(
        hwh.value_or(QString()),
        queryform::periodOf(ui->CheckBox2, ui->DateTimePicker3, ui->DateTimePicker4)));
}

} // namespace admin
