#include "stockwindow.h"

#include "ui_stockwindow.h"

#include "opening.h"
#include "session.h"

#include "formkit/guard.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/columntext.h"
#include "storedb/numtext.h"
#include "storedb/procedures.h"
#include "storedb/stock.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QScopedValueRollback>
#include <QShowEvent>

namespace admin {

namespace {
const QString kStockInCaption = QStringLiteral("商品入库");
const QString kNoSuchGoods = QStringLiteral("没有此商品，请先到商品配置里配置！");

QString padded(const QString& text, int blanks) {
    return text + QString(blanks, QLatin1Char(' '));
}

// A pasted number with a control character names no goods (the catalogue
// refuses them) and is not sent to the server.
std::optional<storedb::GoodsInCatalogue> findGoods(const storedb::Db& db, const QString& hwh) {
    if (storedb::holdsControlCharacter(hwh))
        return std::nullopt;
    return storedb::spglsph(db, hwh);
}
} // namespace

StockWindow::StockWindow(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::StockWindow) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(464, 351));

    formkit::onEnter(ui->goodsNumber, [this] { lookUpGoodsOnEnter(); });
    ui->goodsNumber->installEventFilter(this);
    formkit::installNumericFilter(ui->movementPrice,
                                  formkit::NumericKeys::DigitsPointBackspaceEscape);
    formkit::installNumericFilter(ui->unitPrice, formkit::NumericKeys::DigitsPointBackspaceEscape);
    formkit::installNumericFilter(ui->quantity, formkit::NumericKeys::DigitsBackspaceEscape);
    formkit::onEnter(ui->movementPrice, [this] { moveOnFromPrice(); });
    formkit::chainEnter({ui->unitPrice, ui->quantity, ui->source, ui->confirmButton});

    formkit::onClick(ui->confirmButton, this, &StockWindow::recordMovement);
    formkit::onClick(ui->cancelButton, this, &StockWindow::cancelGoods);
    connect(ui->exitButton, &QPushButton::clicked, this, &QWidget::close);

    // Until an opener sets the mode, the window keeps the one its frame names.
    clearGoods();
    ui->movementPrice->clear();
    ui->unitPrice->clear();
    ui->quantity->clear();
    ui->source->clear();
    const bool stockIn = stockInMode();
    ui->movementPriceCaption->setText(stockIn ? QStringLiteral("入货价")
                                              : QStringLiteral("出货价"));
    ui->unitPriceCaption->setVisible(stockIn);
    ui->unitPrice->setVisible(stockIn);
}

StockWindow::~StockWindow() {
    delete ui;
}

void StockWindow::openForStockIn() {
    bringUp(*this);
    ui->movementBox->setTitle(kStockInCaption);
    ui->movementPriceCaption->setText(QStringLiteral("入货价    "));
    ui->unitPriceCaption->setVisible(true);
    ui->unitPrice->setVisible(true);
}

void StockWindow::openForStockOut() {
    bringUp(*this);
    ui->movementBox->setTitle(QStringLiteral("商品出库"));
    ui->movementPriceCaption->setText(QStringLiteral("出货价     "));
    ui->unitPriceCaption->setVisible(false);
    ui->unitPrice->setVisible(false);
}

bool StockWindow::stockInMode() const {
    return ui->movementBox->title() == kStockInCaption;
}

void StockWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    clearGoods();
    ui->movementPrice->clear();
    ui->unitPrice->clear();
    ui->quantity->clear();
    ui->source->clear();
    ui->confirmButton->setText(QStringLiteral("确定"));
    // The opener activates the window (bringUp): the number box takes the keys.
    ui->goodsNumber->setFocus(Qt::OtherFocusReason);
}

void StockWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closed();
}

bool StockWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->goodsNumber && event->type() == QEvent::FocusOut && isVisible()) {
        // Leaving the box for another control, not the window losing the
        // keyboard to a message box or another program.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // "取消" and "退出" must work on an unknown number too: the click
        // would be lost to the message.
        const QWidget* next = QApplication::focusWidget();
        const bool leaving = next == ui->cancelButton || next == ui->exitButton;
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !leaving)
            formkit::runGuarded(QStringLiteral("StockWindow/goodsNumber"),
                                [this] { lookUpGoodsOnLeave(); });
    }
    return QWidget::eventFilter(watched, event);
}

void StockWindow::clearGoods() {
    ui->goodsNumber->clear();
    ui->goodsNameLabel->clear();
    ui->categoryNameLabel->clear();
}

// ---------------------------------------------------------------------------
// Goods look-up

void StockWindow::lookUpGoodsOnEnter() {
    std::optional<storedb::GoodsInCatalogue> goods;
    {
        const QScopedValueRollback busy(inLookup_, true);
        goods = findGoods(session_.db(), ui->goodsNumber->text());
        if (!goods) {
            formkit::showMessage(kNoSuchGoods);
            return;
        }
    }
    ui->goodsNameLabel->setText(padded(goods->hwm, 9));
    ui->categoryNameLabel->setText(padded(goods->hwlbm, 9));
    // Leaving the box looks the goods up once more.
    ui->movementPrice->setFocus(Qt::OtherFocusReason);
}

// A box holding an unknown number cannot be left; an empty one can.
void StockWindow::lookUpGoodsOnLeave() {
    if (inLookup_)
        return;
    const QScopedValueRollback busy(inLookup_, true);
    const auto goods = findGoods(session_.db(), ui->goodsNumber->text());
    if (!goods) {
        if (!ui->goodsNumber->text().isEmpty()) {
            formkit::showMessage(kNoSuchGoods);
            ui->goodsNumber->setFocus(Qt::OtherFocusReason);
        }
        return;
    }
    ui->goodsNameLabel->setText(padded(goods->hwm, 13));
    ui->categoryNameLabel->setText(padded(goods->hwlbm, 15));
    ui->movementPrice->setFocus(Qt::OtherFocusReason);
}

void StockWindow::moveOnFromPrice() {
    QLineEdit* next = ui->unitPrice->isVisibleTo(this) ? ui->unitPrice : ui->quantity;
    next->setFocus(Qt::OtherFocusReason);
}

void StockWindow::cancelGoods() {
    clearGoods();
    ui->goodsNumber->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------
// Recording a movement

void StockWindow::refuseShortStock(int kcl) {
    formkit::showMessage(QStringLiteral("此商品库存不足，最多只能销售") + QString::number(kcl) +
                         QStringLiteral(" 件"));
    ui->quantity->setText(QString::number(kcl));
    ui->quantity->setFocus(Qt::OtherFocusReason);
}

// Every box is converted and checked before the question, and the goods'
// existence and the stock once more when writing: a till may sell, or the
// goods be deleted, while the question waits.
void StockWindow::recordMovement() {
    storedb::Db& db = session_.db();
    const QString hwh = ui->goodsNumber->text();
    if (hwh.isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入商品号！"));
        ui->goodsNumber->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (!findGoods(db, hwh)) {
        formkit::showMessage(kNoSuchGoods);
        ui->goodsNumber->setFocus(Qt::OtherFocusReason);
        return;
    }
    const bool stockIn = stockInMode();
    const QString crk = stockIn ? storedb::kStockIn : storedb::kStockOut;
    const QString glyh = session_.administrator();
    const QDate today = QDate::currentDate();

    storedb::MovementOutcome outcome;
    if (stockIn) {
        storedb::StockInLine line;
        line.hwh = hwh;
        line.rhj = storedb::toNumber(ui->movementPrice->text());
        line.dj = storedb::toNumber(ui->unitPrice->text());
        line.sl = storedb::toInteger(ui->quantity->text());
        line.hwly = ui->source->text();
        storedb::checkLine(line);
        if (!formkit::askYesNo(QStringLiteral("真的要") + crk + QStringLiteral("吗？")))
            return;
        outcome = storedb::recordStockIn(db, line, glyh, today);
    } else {
        storedb::StockOutLine line;
        line.hwh = hwh;
        line.dj = storedb::toNumber(ui->movementPrice->text());
        line.sl = storedb::toInteger(ui->quantity->text());
        line.hwly = ui->source->text();
        storedb::checkLine(line);
        const int kcl = storedb::piecesInStock(db, hwh);
        if (kcl < line.sl) {
            refuseShortStock(kcl);
            return;
        }
        if (!formkit::askYesNo(QStringLiteral("真的要") + crk + QStringLiteral("吗？")))
            return;
        outcome = storedb::recordStockOut(db, line, glyh, today);
    }

    switch (outcome.result) {
    case storedb::MovementOutcome::UnknownGoods:
        formkit::showMessage(kNoSuchGoods);
        ui->goodsNumber->setFocus(Qt::OtherFocusReason);
        return;
    case storedb::MovementOutcome::ShortOfStock:
        refuseShortStock(outcome.kcl);
        return;
    case storedb::MovementOutcome::Recorded:
        break;
    }
    if (formkit::askYesNo(QStringLiteral("你还要继续") + crk + QStringLiteral("吗？"))) {
        // The next line keeps the prices, quantity and source of this one.
        clearGoods();
        ui->goodsNumber->setFocus(Qt::OtherFocusReason);
    } else {
        close();
    }
}

} // namespace admin
