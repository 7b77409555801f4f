#include "tillregistrationwindow.h"

#include "ui_tillregistrationwindow.h"

#include "session.h"
#include "tillwindup.h"

#include "formkit/grid.h"
#include "formkit/gridexport.h"
#include "formkit/guard.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/rowsetmodel.h"
#include "formkit/toolwindow.h"
#include "storedb/backoffice.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"
#include "storedb/procedures.h"
#include "storedb/till.h"
#include "storedb/tilllease.h"

#include <QDateTime>
#include <QShowEvent>
#include <QToolButton>

namespace admin {

namespace {
const QString kAlreadyRegistered = QStringLiteral("此计算机已经注册！");
const QString kNameMissing = QStringLiteral("请输入计算机名!");
const int kNameColumn = 0;
const int kFloatColumn = 1;
const int kStateColumn = 2;
} // namespace

TillRegistrationWindow::TillRegistrationWindow(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::TillRegistrationWindow),
      tills_(new formkit::RowSetModel(this)) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(536, 367));
    formkit::prepareGrid(ui->tillsGrid);
    ui->tillsGrid->setModel(tills_);

    formkit::installNumericFilter(ui->floatAmount,
                                  formkit::NumericKeys::DigitsPointBackspaceEscape);
    formkit::chainEnter({ui->tillName, ui->floatAmount, ui->registerButton});
    formkit::onClick(ui->registerButton, this, &TillRegistrationWindow::registerTill);
    formkit::onSignal(ui->tillsGrid, &QTableView::doubleClicked, this,
                      &TillRegistrationWindow::removeTill);
    formkit::offerExport(ui->tillsGrid, windowTitle())
        ->makeButton(this, QStringLiteral("ExportButton"))
        ->setGeometry(200, 330, 90, 26);
    formkit::onClick(ui->changeFloatButton, this, &TillRegistrationWindow::changeFloat);
    formkit::onClick(ui->windUpButton, this, &TillRegistrationWindow::windUpSelectedTill);
    connect(ui->tillsGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TillRegistrationWindow::tillSelected);
    connect(ui->closeButton, &QPushButton::clicked, this, &QWidget::close);
}

TillRegistrationWindow::~TillRegistrationWindow() {
    delete ui;
}

void TillRegistrationWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    resetBoxes();
    formkit::runGuarded(QStringLiteral("TillRegistrationWindow/show"), [this] { showTills(); });
}

void TillRegistrationWindow::showTills() {
    storedb::Db& db = session_.db();
    QSqlQuery q = storedb::zcTills(db);
    storedb::RowSet rows = storedb::readRows(q);
    storedb::markTillsOutOfContact(db, rows, kNameColumn, kStateColumn);
    tills_->setRows(std::move(rows));
    formkit::layoutGrid(ui->tillsGrid, {160, 160, 140});
    ui->windUpButton->setEnabled(false);
}

QString TillRegistrationWindow::tillAt(int row, int column) const {
    return tills_->index(row, column).data().toString();
}

// The till picked is the one the float change and 结束营业 are for.
void TillRegistrationWindow::tillSelected(const QModelIndex& current) {
    const bool picked = current.isValid();
    ui->windUpButton->setEnabled(picked &&
                                 tillAt(current.row(), kStateColumn) == storedb::kTillOutOfContact);
    if (!picked)
        return;
    ui->tillName->setText(tillAt(current.row(), kNameColumn));
    ui->floatAmount->setText(tillAt(current.row(), kFloatColumn));
}

void TillRegistrationWindow::resetBoxes() {
    ui->tillName->clear();
    ui->floatAmount->setText(QStringLiteral("0"));
    ui->tillName->setFocus();
}

// The name is registered as typed: checkTillName refuses one the till could
// not find or work under. The amount keeps one decimal, rounded.
void TillRegistrationWindow::registerTill() {
    storedb::Db& db = session_.db();
    const QString jsj = ui->tillName->text();
    if (jsj.isEmpty()) {
        formkit::showMessage(kNameMissing);
        resetBoxes();
        return;
    }
    if (storedb::registeredTillName(db, jsj)) {
        formkit::showMessage(kAlreadyRegistered);
        resetBoxes();
        return;
    }
    const double ye = storedb::toNumber(ui->floatAmount->text());
    // Checked again where it is written: another back office may have
    // registered the name meanwhile.
    if (!storedb::registerTill(db, jsj, ye)) {
        formkit::showMessage(kAlreadyRegistered);
        resetBoxes();
        return;
    }
    showTills();
    formkit::showMessage(QStringLiteral("计算机 ") + jsj + QStringLiteral(" 注册成功！"));
    resetBoxes();
}

// A standby till's float, checked as at registration; refused while a clerk is on duty.
void TillRegistrationWindow::changeFloat() {
    storedb::Db& db = session_.db();
    const QString typed = ui->tillName->text();
    if (typed.isEmpty()) {
        formkit::showMessage(kNameMissing);
        ui->tillName->setFocus();
        return;
    }
    const std::optional<QString> jsj = storedb::registeredTillName(db, typed);
    if (!jsj) {
        formkit::showMessage(QStringLiteral("计算机 %1 没有注册！").arg(typed));
        ui->tillName->setFocus();
        return;
    }
    const double ye = storedb::roundMoney(storedb::toNumber(ui->floatAmount->text()));
    storedb::checkTillFloat(ye);
    if (!formkit::askYesNo(QStringLiteral("真的要把计算机 %1 的余额改为 %2 元吗？")
                               .arg(*jsj, storedb::numberText(ye))))
        return;
    try {
        if (storedb::changeTillFloat(db, *jsj, ye, session_.administrator(),
                                     QDateTime::currentDateTime()))
            formkit::showMessage(QStringLiteral("计算机 %1 的余额已改为 %2 元。")
                                     .arg(*jsj, storedb::numberText(ye)));
        else
            formkit::showMessage(QStringLiteral("计算机 %1 没有注册！").arg(*jsj));
    } catch (const storedb::TillOnlineError& refused) {
        formkit::showMessage(refused.userText());
    }
    showTills();
    resetBoxes();
}

void TillRegistrationWindow::windUpSelectedTill() {
    const QModelIndex current = ui->tillsGrid->currentIndex();
    const QString jsj = current.isValid() ? tillAt(current.row(), kNameColumn) : QString();
    windUpTillOutOfContact(session_, jsj);
    showTills();
}

void TillRegistrationWindow::removeTill(const QModelIndex& row) {
    // A double-click beside the rows names no till.
    if (!row.isValid())
        return;
    const QString jsj = tills_->index(row.row(), 0).data().toString();
    if (!formkit::askYesNo(QStringLiteral("真的要删除计算机 ") + jsj + QStringLiteral(" 吗？")))
        return;
    try {
        storedb::removeTill(session_.db(), jsj);
    } catch (const storedb::TillOnlineError& refused) {
        formkit::showMessage(refused.userText());
    } catch (const storedb::TillTakingsError& refused) {
        formkit::showMessage(refused.userText());
    }
    showTills();
}

} // namespace admin
