#include "settlementwindow.h"

#include "ui_settlementwindow.h"

#include "handinslip.h"
#include "opening.h"
#include "session.h"

#include "formkit/buttonkeys.h"
#include "formkit/grid.h"
#include "formkit/gridexport.h"
#include "formkit/guard.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/columntext.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"
#include "storedb/procedures.h"

#include <QShowEvent>
#include <QSqlQueryModel>

namespace admin {

namespace {
const QList<int> kWidths{50, 125, 60};
const QList<int> kSettlementWidths{135, 70, 80, 80, 80};
const QString kEnterNumber = QStringLiteral("请输入售货员号！");
const QString kNoSuchClerk = QStringLiteral("没有此售货员,请重新输入!");
const QString kChangedMeanwhile =
    QStringLiteral("该售货员的未交营业额已有变动,没有结算！请重新查询。");
} // namespace

SettlementWindow::SettlementWindow(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::SettlementWindow),
      owed_(new QSqlQueryModel(this)), clerkShifts_(new QSqlQueryModel(this)),
      settlements_(new QSqlQueryModel(this)) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(498, 493));
    formkit::prepareGrid(ui->owedShiftsGrid);
    formkit::prepareGrid(ui->settlementsGrid);
    ui->settlementsGrid->setModel(settlements_);
    // The grid shows all owed shifts or one clerk's: it exports what it shows.
    formkit::offerExport(ui->owedShiftsGrid, QStringLiteral("未交营业额"))
        ->attachButton(ui->ExportButton1);
    formkit::offerExport(ui->settlementsGrid, QStringLiteral("历次结算"))
        ->attachButton(ui->ExportButton2);
    formkit::installNumericFilter(ui->receivedEdit,
                                  formkit::NumericKeys::DigitsPointBackspaceEscape);

    formkit::installDefaultButton(this);
    formkit::onEnter(ui->clerkNumber, [this] {
        ui->lookUpButton->setDefault(true);
        ui->lookUpButton->setFocus();
    });
    formkit::onEnter(ui->receivedEdit, [this] {
        ui->settleButton->setDefault(true);
        ui->settleButton->setFocus();
    });
    connect(ui->clerkNumber, &QLineEdit::textEdited, this, &SettlementWindow::forgetLookUp);
    formkit::onClick(ui->lookUpButton, this, &SettlementWindow::lookUpClerk);
    formkit::onClick(ui->settleButton, this, &SettlementWindow::settleLookedUp);
}

SettlementWindow::~SettlementWindow() {
    delete ui;
}

void SettlementWindow::openOwedShifts() {
    bringUp(*this);
    showOwedShiftsOfAll();
    clearBoxes();
    settlements_->clear();
}

void SettlementWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        formkit::runGuarded(QStringLiteral("SettlementWindow/show"), [this] {
            showOwedShiftsOfAll();
            clearBoxes();
            settlements_->clear();
        });
    }
}

void SettlementWindow::showOwedShiftsOfAll() {
    formkit::showRows(ui->owedShiftsGrid, owed_, storedb::yyejs(session_.db()), kWidths);
}

void SettlementWindow::showSettlementsOf(const QString& shyh) {
    formkit::showRows(ui->settlementsGrid, settlements_,
                      storedb::settlementsOf(session_.db(), shyh), kSettlementWidths);
    for (int column = storedb::kSettlementShownColumns; column < settlements_->columnCount();
         ++column)
        ui->settlementsGrid->setColumnHidden(column, true);
}

void SettlementWindow::clearBoxes() {
    ui->clerkNumber->clear();
    ui->clerkName->clear();
    ui->amountDue->clear();
    ui->receivedEdit->clear();
}

void SettlementWindow::setLookedUp(std::optional<LookedUp> lookedUp) {
    lookedUp_ = std::move(lookedUp);
    ui->settleButton->setEnabled(lookedUp_.has_value());
    ui->receivedEdit->setEnabled(lookedUp_.has_value());
    if (!lookedUp_)
        ui->receivedEdit->clear();
}

void SettlementWindow::forgetLookUp() {
    setLookedUp(std::nullopt);
}

void SettlementWindow::lookUpClerk() {
    const QString shyh = ui->clerkNumber->text();
    if (shyh.isEmpty()) {
        formkit::showMessage(kEnterNumber);
        ui->clerkNumber->setFocus();
        return;
    }
    const storedb::Db& db = session_.db();
    // No clerk number holds a control character: such a number (pasted) is
    // not sent to the server, and finds no shifts and no clerk.
    const bool askable = !storedb::holdsControlCharacter(shyh);
    if (askable) {
        formkit::showRows(ui->owedShiftsGrid, clerkShifts_, storedb::owedShiftsOf(db, shyh),
                          kWidths);
        for (int column = storedb::kOwedShiftShownColumns; column < clerkShifts_->columnCount();
             ++column)
            ui->owedShiftsGrid->setColumnHidden(column, true);
        showSettlementsOf(shyh);
    } else {
        clerkShifts_->clear();
        ui->owedShiftsGrid->setModel(clerkShifts_);
        settlements_->clear();
    }

    const std::optional<QString> name =
        askable ? storedb::clerkName(db, shyh) : std::optional<QString>();
    if (!name) {
        formkit::showMessage(kNoSuchClerk);
        ui->clerkName->clear();
        ui->amountDue->clear();
        ui->clerkNumber->clear();
        ui->clerkNumber->setFocus();
        return;
    }
    ui->clerkName->setText(*name);

    // The amount is what the listed rows come to, so that what is shown,
    // summed and settled is one and the same set of shifts.
    QList<storedb::OwedShift> shifts;
    for (int row = 0; row < clerkShifts_->rowCount(); ++row)
        shifts << storedb::owedShiftOf(clerkShifts_->record(row));
    const double due = storedb::totalDue(shifts);
    if (due > 0) {
        ui->amountDue->setText(storedb::numberText(due) + QStringLiteral("元"));
        setLookedUp(LookedUp{shyh, shifts});
        // What is owed is what is usually handed in: Enter takes it as it is.
        ui->receivedEdit->setText(storedb::numberText(due));
        ui->receivedEdit->setFocus();
        ui->receivedEdit->selectAll();
    } else {
        ui->amountDue->setText(QStringLiteral("0元"));
        setLookedUp(std::nullopt);
    }
}

void SettlementWindow::settleLookedUp() {
    if (ui->clerkNumber->text().isEmpty()) {
        formkit::showMessage(kEnterNumber);
        ui->clerkNumber->setFocus();
        return;
    }
    // The clerk settled is the one whose number the box shows.
    if (!lookedUp_ || lookedUp_->shyh != ui->clerkNumber->text()) {
        setLookedUp(std::nullopt);
        return;
    }
    const std::optional<double> received = typedReceived();
    if (!received)
        return;
    const double owed = storedb::totalDue(lookedUp_->shifts);
    const double difference = storedb::roundFen(*received - owed);
    if (difference != 0 &&
        !formkit::askYesNo(QStringLiteral("实收 %1 元,应交 %2 元,差额 %3 元。确定结算吗？")
                               .arg(storedb::numberText(*received), storedb::numberText(owed),
                                    storedb::numberText(difference)))) {
        ui->receivedEdit->setFocus();
        return;
    }
    const QString shyh = lookedUp_->shyh;
    const std::optional<storedb::SettlementRecord> settled =
        storedb::recordSettlement(session_.db(), session_.administrator(), shyh, lookedUp_->shifts,
                                  *received, QDateTime::currentDateTime());
    setLookedUp(std::nullopt);
    if (!settled) {
        formkit::showMessage(kChangedMeanwhile);
        return;
    }
    showOwedShiftsOfAll();
    clearBoxes();
    showSettlementsOf(shyh);
    if (const std::optional<HandInSlip> slip = readHandInSlip(session_.db(), settled->id))
        printHandInSlip(*slip, this);
}

std::optional<double> SettlementWindow::typedReceived() {
    try {
        return storedb::receivedAmount(ui->receivedEdit->text());
    } catch (const storedb::InvalidValueError& error) {
        formkit::showMessage(error.userText());
        ui->receivedEdit->setFocus();
        ui->receivedEdit->selectAll();
        return std::nullopt;
    }
}

} // namespace admin
