#include "correctionwindow.h"

#include "ui_correctionwindow.h"

#include "opening.h"
#include "session.h"

#include "formkit/buttonkeys.h"
#include "formkit/grid.h"
#include "formkit/gridexport.h"
#include "formkit/guard.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/correction.h"
#include "storedb/numtext.h"
#include "storedb/procedures.h"

#include <QDateEdit>
#include <QShowEvent>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QTabBar>
#include <QToolButton>

namespace admin {

namespace {
const QList<int> kStockInWidths{45, 35, 40, 55, 25, 25, 40, 55, 40, 55};
const QList<int> kStockOutWidths{40, 50, 55, 70, 40, 40, 65, 55};
// 时间, 管理员, 类别, 商品号, 原值, 新值, 金额变化
const QList<int> kChangeWidths{120, 45, 35, 50, 180, 180, 60};

QString moneyText(const QVariant& value) {
    return storedb::numberText(storedb::roundFen(value.toDouble()));
}
} // namespace

CorrectionWindow::CorrectionWindow(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::CorrectionWindow) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(550, 459));

    // Each picker keeps its time of day for the whole run (a date chosen
    // replaces only the date). Set after the date-only format, which cuts
    // the time of a value set before it. They open on today, as the query
    // windows' do, rather than on the day the window was designed.
    ui->firstDay->setDateTime(QDateTime(QDate::currentDate(), QTime(20, 24, 30)));
    ui->lastDay->setDateTime(QDateTime(QDate::currentDate(), QTime(20, 24, 37)));

    cxModel_ = new QSqlQueryModel(this);
    formkit::prepareGrid(ui->movementsGrid);
    ui->movementsGrid->setModel(cxModel_);
    for (QLineEdit* box :
         {ui->unitPrice, ui->quantity, ui->buyingPrice, ui->goodsNumber, ui->newPrice})
        formkit::installNumericFilter(box, formkit::NumericKeys::DigitsPointBackspaceEscape);

    // Enter presses the price look-up (the default button) wherever it is
    // shown; Esc the "取消" of the page on show. The tabs change with a click
    // or Ctrl+Tab, so that keys typed always reach a page.
    formkit::installDefaultButton(this);
    ui->pages->tabBar()->setFocusPolicy(Qt::NoFocus);
    formkit::installCancelButton(ui->correctionPage, ui->correctionCancelButton);
    formkit::installCancelButton(ui->priceChangePage, ui->priceCancelButton);
    formkit::onSignal(ui->pages, &QTabWidget::currentChanged, this,
                      &CorrectionWindow::resetForNewPage);

    // Movement correction
    formkit::onSignal(ui->stockInOption, &QRadioButton::toggled, this,
                      &CorrectionWindow::chooseStockIn);
    formkit::onSignal(ui->stockOutOption, &QRadioButton::toggled, this,
                      &CorrectionWindow::chooseStockOut);
    formkit::onClick(ui->movementQueryButton, this, &CorrectionWindow::listMovements);
    formkit::onSignal(ui->movementsGrid, &QTableView::doubleClicked, this,
                      &CorrectionWindow::pickMovement);
    formkit::onClick(ui->correctButton, this, &CorrectionWindow::correctMovement);
    formkit::onClick(ui->correctionCancelButton, this, &CorrectionWindow::clearCorrection);
    connect(ui->correctionCloseButton, &QPushButton::clicked, this, &QWidget::close);

    // Price change
    formkit::onClick(ui->lookUpButton, this, &CorrectionWindow::lookUpGoods);
    formkit::onSignal(ui->goodsNumber, &QLineEdit::textEdited, this,
                      &CorrectionWindow::forgetLookedUpGoods);
    formkit::onClick(ui->changePriceButton, this, &CorrectionWindow::changePrice);
    formkit::onClick(ui->priceCancelButton, this, &CorrectionWindow::clearPriceChange);
    connect(ui->priceCloseButton, &QPushButton::clicked, this, &QWidget::close);

    // Change record
    formkit::prepareGrid(ui->ChangeGrid);
    ui->ChangeGrid->setModel(&changes_);
    formkit::offerExport(ui->movementsGrid, windowTitle());
    ui->ChangeCloseLayout->insertWidget(
        0, formkit::offerExport(ui->ChangeGrid, QStringLiteral("修改记录"))
               ->makeButton(this, QStringLiteral("ChangeExportButton")));
    formkit::installCancelButton(ui->ChangeRecordPage, ui->ChangeCloseButton);
    formkit::onClick(ui->ChangeQueryButton, this, &CorrectionWindow::listChanges);
    connect(ui->ChangeCloseButton, &QPushButton::clicked, this, &QWidget::close);

    layOutForDirection(stockInChosen());
}

CorrectionWindow::~CorrectionWindow() {
    delete ui;
}

void CorrectionWindow::openCorrection() {
    selectPageQuietly(ui->pages, 0);
    layOutForDirection(stockInChosen());
    bringUp(*this);
}

void CorrectionWindow::openPriceChange() {
    selectPageQuietly(ui->pages, 1);
    layOutForDirection(stockInChosen());
    bringUp(*this);
}

// The boxes are cleared, so a selection or a look-up made before would be
// confirmed unseen: both are withdrawn with them.
void CorrectionWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    clearCorrectionBoxes();
    withdrawSelection();
    for (QLineEdit* box :
         {ui->goodsNumber, ui->goodsName, ui->categoryName, ui->oldPrice, ui->newPrice})
        box->clear();
    endPriceChange();
    changes_.clear();
    for (QDateEdit* picker : {ui->ChangeFirstDay, ui->ChangeLastDay})
        picker->setDate(QDate::currentDate());
}

// A page change by the user starts both pages afresh, on stock-in.
void CorrectionWindow::resetForNewPage() {
    closeList();
    for (QLineEdit* box :
         {ui->goodsNumber, ui->goodsName, ui->categoryName, ui->oldPrice, ui->newPrice})
        box->clear();
    endPriceChange();
    ui->stockInOption->setChecked(true);
    layOutForDirection(true);
}

// ---------------------------------------------------------------------------
// Movement correction

bool CorrectionWindow::stockInChosen() const {
    return ui->stockInOption->isChecked();
}

void CorrectionWindow::chooseStockIn(bool checked) {
    if (!checked)
        return;
    closeList();
    layOutForDirection(true);
}

void CorrectionWindow::chooseStockOut(bool checked) {
    if (!checked)
        return;
    closeList();
    layOutForDirection(false);
}

void CorrectionWindow::layOutForDirection(bool stockIn) {
    for (QWidget* w :
         {static_cast<QWidget*>(ui->buyingPriceCaption), static_cast<QWidget*>(ui->buyingPrice),
          static_cast<QWidget*>(ui->sourceCaption), static_cast<QWidget*>(ui->source)})
        w->setVisible(stockIn);
    // The record's values are long texts: its page takes a wider window.
    const int wide = ui->pages->currentWidget() == ui->ChangeRecordPage ? 720 : 550;
    ui->pages->resize(wide - 16, stockIn ? 436 : 396);
    setFixedSize(wide, stockIn ? 459 : 424);
}

// A selection made under one direction must not be confirmed under the other.
void CorrectionWindow::closeList() {
    cxModel_->clear();
    clearCorrectionBoxes();
    withdrawSelection();
}

void CorrectionWindow::withdrawSelection() {
    selectedBh_.reset();
    ui->correctButton->setEnabled(false);
}

void CorrectionWindow::clearCorrectionBoxes() {
    for (QLineEdit* box : {ui->unitPrice, ui->quantity, ui->source, ui->buyingPrice})
        box->clear();
}

void CorrectionWindow::listMovements() {
    const bool stockIn = stockInChosen();
    formkit::showRows(
        ui->movementsGrid, cxModel_,
        storedb::movementsToCorrect(session_.db(), stockIn ? storedb::kStockIn : storedb::kStockOut,
                                    ui->firstDay->dateTime(), ui->lastDay->dateTime()),
        stockIn ? kStockInWidths : kStockOutWidths);
}

void CorrectionWindow::pickMovement(const QModelIndex& index) {
    if (!index.isValid() || index.row() >= cxModel_->rowCount())
        return;
    const QSqlRecord row = cxModel_->record(index.row());
    selectedBh_ = row.value(0).toInt();
    ui->correctButton->setEnabled(true);
    ui->unitPrice->setText(moneyText(row.value(4)));
    ui->quantity->setText(row.value(5).toString());
    if (stockInChosen()) {
        ui->buyingPrice->setText(moneyText(row.value(6)));
        ui->source->setText(row.value(9).isNull() ? QString() : row.value(9).toString());
    } else {
        ui->source->clear();
    }
}

// Every box is converted before anything is written; the stock and the log
// row then change together.
void CorrectionWindow::correctMovement() {
    if (!selectedBh_)
        return;
    storedb::MovementEntries entries;
    entries.sl = storedb::toInteger(ui->quantity->text());
    entries.dj = storedb::toNumber(ui->unitPrice->text());
    if (stockInChosen()) {
        entries.rhj = storedb::toNumber(ui->buyingPrice->text());
        entries.hwly = ui->source->text();
    }
    const storedb::CorrectionOutcome outcome =
        storedb::correctMovement(session_.db(), *selectedBh_, entries, session_.administrator(),
                                 QDateTime::currentDateTime());
    switch (outcome.result) {
    case storedb::CorrectionOutcome::NegativeStock:
        formkit::showMessage(
            QStringLiteral("此商品现有库存%1件,修改后库存将小于零,不能修改！").arg(outcome.kcl));
        return;
    case storedb::CorrectionOutcome::NoSuchMovement:
        formkit::showMessage(QStringLiteral("没有这条出入库记录,请重新查询！"));
        clearCorrectionBoxes();
        withdrawSelection();
        return;
    case storedb::CorrectionOutcome::TillSale:
        formkit::showMessage(QStringLiteral("这是收银台的销售记录,已计入营业额,不能修改！"));
        return;
    case storedb::CorrectionOutcome::Corrected:
        break;
    }
    formkit::showMessage(QStringLiteral("出入库修改成功！"));
    clearCorrectionBoxes();
    withdrawSelection();
    listMovements();
}

void CorrectionWindow::clearCorrection() {
    clearCorrectionBoxes();
}

// ---------------------------------------------------------------------------
// Price change

void CorrectionWindow::lookUpGoods() {
    const QString hwh = ui->goodsNumber->text();
    if (hwh.isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入商品号!"));
        ui->goodsNumber->setFocus(Qt::OtherFocusReason);
        return;
    }
    const std::optional<storedb::GoodsPrice> goods = storedb::goodsPrice(session_.db(), hwh);
    if (!goods) {
        formkit::showMessage(QStringLiteral("没有此商品号,请重新输入!"));
        clearPriceChange();
        return;
    }
    pricedHwh_ = hwh;
    ui->changePriceButton->setEnabled(true);
    ui->goodsName->setText(goods->hwm);
    ui->categoryName->setText(goods->hwlbm);
    ui->oldPrice->setText(storedb::numberText(storedb::roundFen(goods->dj)));
}

// The details shown belong to the goods looked up, not to a number typed since.
void CorrectionWindow::forgetLookedUpGoods() {
    if (pricedHwh_) {
        ui->goodsName->clear();
        ui->categoryName->clear();
        ui->oldPrice->clear();
    }
    endPriceChange();
}

void CorrectionWindow::endPriceChange() {
    pricedHwh_.reset();
    ui->changePriceButton->setEnabled(false);
}

void CorrectionWindow::changePrice() {
    if (!pricedHwh_)
        return;
    if (ui->newPrice->text().isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入现单价!"));
        ui->newPrice->setFocus(Qt::OtherFocusReason);
        return;
    }
    const double dj = storedb::toNumber(ui->newPrice->text());
    if (!storedb::changeUnitPrice(session_.db(), *pricedHwh_, dj, session_.administrator(),
                                  QDateTime::currentDateTime())) {
        formkit::showMessage(QStringLiteral("此商品已被删除,单价没有修改!"));
        clearPriceChange();
        return;
    }
    endPriceChange();
    formkit::showMessage(QStringLiteral("单价修改成功！"));
    ui->oldPrice->setText(ui->newPrice->text());
    ui->newPrice->clear();
    ui->goodsNumber->setFocus(Qt::OtherFocusReason);
}

void CorrectionWindow::clearPriceChange() {
    for (QLineEdit* box :
         {ui->goodsNumber, ui->goodsName, ui->categoryName, ui->oldPrice, ui->newPrice})
        box->clear();
    endPriceChange();
    ui->goodsNumber->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------
// Change record

void CorrectionWindow::listChanges() {
    // Rows of an earlier range are not left as if they answered this one.
    changes_.clear();
    if (ui->ChangeFirstDay->date() > ui->ChangeLastDay->date()) {
        formkit::showMessage(QStringLiteral("请输入正确的时间范围!"));
        ui->ChangeFirstDay->setFocus(Qt::OtherFocusReason);
        return;
    }
    changes_.setRows(storedb::changesBetween(session_.db(), ui->ChangeFirstDay->date(),
                                             ui->ChangeLastDay->date()));
    formkit::layoutGrid(ui->ChangeGrid, kChangeWidths);
}

} // namespace admin
