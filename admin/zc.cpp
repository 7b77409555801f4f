#include "zc.h"

#include "ui_zc.h"

#include "session.h"

#include "formkit/grid.h"
#include "formkit/guard.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/backoffice.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"

#include <QShowEvent>
#include <QSqlQueryModel>

namespace admin {

namespace {
const QString kAlreadyRegistered = QStringLiteral("此计算机已经注册！");
} // namespace

Tzcform::Tzcform(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::Tzcform), tills_(new QSqlQueryModel(this)) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(536, 367));
    formkit::prepareGrid(ui->DBGrid1);
    ui->DBGrid1->setModel(tills_);

    formkit::installNumericFilter(ui->Edit2, formkit::NumericKeys::DigitsPointBackspaceEscape);
    formkit::chainEnter({ui->Edit1, ui->Edit2, ui->BitBtn1});
    formkit::onClick(ui->BitBtn1, this, &Tzcform::registerTill);
    formkit::onSignal(ui->DBGrid1, &QTableView::doubleClicked, this, &Tzcform::removeTill);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &QWidget::close);
}

Tzcform::~Tzcform() {
    delete ui;
}

void Tzcform::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    resetBoxes();
    formkit::runGuarded(QStringLiteral("Tzcform/show"), [this] { showTills(); });
}

void Tzcform::showTills() {
    formkit::showRows(ui->DBGrid1, tills_, storedb::zcTills(session_.db()), {160, 160, 140});
}

void Tzcform::resetBoxes() {
    ui->Edit1->clear();
    ui->Edit2->setText(QStringLiteral("0"));
    ui->Edit1->setFocus();
}

// The name is registered as typed: checkTillName refuses one the till could
// not find or work under. The amount keeps one decimal, rounded.
void Tzcform::registerTill() {
    storedb::Db& db = session_.db();
    const QString jsj = ui->Edit1->text();
    if (jsj.isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入计算机名!"));
        resetBoxes();
        return;
    }
    if (storedb::registeredTillName(db, jsj)) {
        formkit::showMessage(kAlreadyRegistered);
        resetBoxes();
        return;
    }
    const double ye = storedb::toNumber(ui->Edit2->text());
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

void Tzcform::removeTill(const QModelIndex& row) {
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
