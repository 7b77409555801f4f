#include "dl.h"

#include "tavo.h"
#include "tavodata.h"
#include "ui_dl.h"
#include "ui_tavo.h"
#include "xgmm.h"

#include "formkit/buttonkeys.h"
#include "formkit/fonts.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/company.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"
#include "storedb/procedures.h"
#include "storedb/saletable.h"
#include "storedb/terminal.h"
#include "storedb/till.h"

#include <QDateTime>
#include <QShowEvent>
#include <QStyle>
#include <utility>

Tdlform* dlform = nullptr;

Tdlform::Tdlform(QWidget* parent) : QWidget(parent), ui(new Ui::Tdlform) {
    ui->setupUi(this);
    setFont(formkit::songFont());
    formkit::makeToolWindow(this, QSize(289, 199), false);
    ui->BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    ui->BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    connect(ui->BitBtn1, &QPushButton::clicked, this, &Tdlform::BitBtn1Click);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &Tdlform::BitBtn2Click);
    connect(ui->BitBtn3, &QPushButton::clicked, this, &Tdlform::BitBtn3Click);
    formkit::installNumericFilter(ui->Edit1, formkit::NumericKeys::DigitsPointBackspaceEscape);
    formkit::onEnter(ui->Edit1, [this] { Edit1KeyPress(); });
    formkit::installDefaultButton(this);
    formkit::installCancelButton(this, ui->BitBtn2);
}

Tdlform::~Tdlform() {
    delete ui;
    if (dlform == this)
        dlform = nullptr;
}

void Tdlform::rethrowShowFailure() {
    if (std::exception_ptr failure = std::exchange(showFailure_, nullptr))
        std::rethrow_exception(failure);
}

void Tdlform::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The window system showing it again (after minimising) is no new show.
    if (event->spontaneous())
        return;
    showFailure_ = nullptr;
    try {
        FormShow();
    } catch (...) {
        showFailure_ = std::current_exception();
    }
}

void Tdlform::refuseTerminal(const QString& message, const QString& statusText) {
    formkit::showMessage(message);
    mainform->ui->ToolBar1->hide();
    mainform->setStatusText(statusText);
    ui->BitBtn1->setEnabled(false);
    ui->BitBtn2->setEnabled(false);
    mainform->endProgram(1);
}

void Tdlform::FormShow() {
    const QString jsj = storedb::terminalName();
    ui->jsj->setText(jsj);
    ui->Edit1->clear();
    ui->Edit2->clear();
    ui->Edit1->setFocus();
    ui->BitBtn1->setDefault(false);

    // A name that cannot name the till's sale table cannot serve as a till.
    try {
        storedb::checkSaleTableName(jsj);
    } catch (const storedb::TerminalNameError& refused) {
        refuseTerminal(refused.text(), QStringLiteral("状态:未注册,请通知管理员注册！"));
        return;
    }
    if (storedb::tillRow(DataModule1->db(), jsj))
        return;
    refuseTerminal(QStringLiteral("此计算机 ") + jsj +
                       QStringLiteral(" 没有注册，请通知管理员注册！"),
                   QStringLiteral("状态:未注册,请通知管理员注册！"));
}

void Tdlform::Edit1KeyPress() {
    ui->BitBtn1->setDefault(true);
    ui->Edit2->setFocus();
}

void Tdlform::BitBtn1Click() {
    storedb::Db& db = DataModule1->db();
    const QString jsj = ui->jsj->text();
    const QString shyh = ui->Edit1->text();
    const std::optional<storedb::ClerkLogin> clerk = storedb::shydl(db, shyh);
    if (!clerk || clerk->mm != ui->Edit2->text()) {
        formkit::showMessage(QStringLiteral("你的输入有误,请重新输入！"));
        ui->Edit2->clear();
        ui->Edit2->setFocus();
        return;
    }
    const QString name = clerk->shym;
    ui->shym->setText(name);
    formkit::showMessage(QStringLiteral("售货员 ") + name + QStringLiteral(" 登录成功!"));
    mainform->setStatusText(QStringLiteral("状态: 售货员 ") + name + QStringLiteral(" 正在营业!"));

    storedb::openSaleTable(db, jsj, QDateTime::currentDateTime());
    mainform->setState(Tmainform::State::OnDuty);

    const std::optional<storedb::TillRow> till = storedb::tillRow(db, jsj);
    if (!till)
        throw storedb::DbError(QStringLiteral("此计算机 ") + jsj +
                               QStringLiteral(" 没有注册，请通知管理员注册！"));
    formkit::showMessage(QStringLiteral("此台计算机还有余额 ") + storedb::numberText(till->ye));
    mainform->ui->chaoshi->setText(storedb::loadShopSettings(db).company);
    storedb::recordSignOn(db, jsj, shyh, QDateTime::currentDateTime(), till->ye);
    close();
    mainform->takeKeyboard();
}

void Tdlform::BitBtn2Click() {
    if (!formkit::askYesNo(QStringLiteral("真的要取消登录吗？")))
        return;
    close();
    mainform->setState(Tmainform::State::NoClerk);
    mainform->takeKeyboard();
}

void Tdlform::BitBtn3Click() {
    close();
    xgmmform = new Txgmmform();
    xgmmform->show();
    xgmmform->activateWindow();
}
