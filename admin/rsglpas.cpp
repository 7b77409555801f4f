#include "rsglpas.h"

#include "ui_rsglpas.h"

#include "opening.h"
#include "session.h"

#include "formkit/grid.h"
#include "formkit/guard.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/backoffice.h"
#include "storedb/columntext.h"
#include "storedb/numtext.h"
#include "storedb/personnel.h"
#include "storedb/procedures.h"

#include <QButtonGroup>
#include <QShowEvent>
#include <QSqlQueryModel>

namespace admin {

namespace {

enum Action { Add = 0, Delete = 1, Modify = 2 };

const QList<int> kListWidths{50, 150};
const QString kEmptyPassword = QStringLiteral("密码不能为空,请输入密码");
const QString kPasswordsDiffer = QStringLiteral("密码输入不一致,请重新输入密码！");
const QString kNoSuchAdministrator = QStringLiteral("此管理员号不存在,请重新输入！");
const QString kNoSuchClerk = QStringLiteral("此售货员号不存在,请重新输入！");

QString administratorDone(const QString& glym, const QString& what) {
    return QStringLiteral("管理员 ") + glym + what;
}
QString clerkDone(const QString& shym, const QString& what) {
    return QStringLiteral("售货员 ") + shym + what;
}

QButtonGroup* radioGroup(QWidget* owner, const QList<QAbstractButton*>& choices) {
    auto* group = new QButtonGroup(owner);
    for (qsizetype i = 0; i < choices.size(); ++i)
        group->addButton(choices.at(i), int(i));
    return group;
}

QString cell(const QModelIndex& row, int column) {
    return row.model()->index(row.row(), column).data().toString();
}

} // namespace

TrsglForm::TrsglForm(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::TrsglForm), people_(new QSqlQueryModel(this)) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(524, 356));
    formkit::prepareGrid(ui->DBGrid1);
    formkit::prepareGrid(ui->DBGrid2);
    ui->DBGrid1->setModel(people_);
    ui->DBGrid2->setModel(people_);
    ui->Edit6->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    ui->Edit7->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));

    administratorActions_ =
        radioGroup(this, {ui->RadioGroup1Item0, ui->RadioGroup1Item1, ui->RadioGroup1Item2});
    clerkActions_ =
        radioGroup(this, {ui->RadioGroup2Item0, ui->RadioGroup2Item1, ui->RadioGroup2Item2});

    formkit::onSignal(ui->PageControl1, &QTabWidget::currentChanged, this,
                      &TrsglForm::showListOfPage);

    formkit::onSignal(administratorActions_, &QButtonGroup::idToggled, this,
                      &TrsglForm::chooseAdministratorAction);
    formkit::chainEnter({ui->Edit4, ui->Edit5, ui->Edit6, ui->Edit7, ui->Button1});
    formkit::onClick(ui->Button1, this, &TrsglForm::runAdministratorAction);
    connect(ui->Button2, &QPushButton::clicked, this, &QWidget::close);
    formkit::onSignal(ui->DBGrid1, &QTableView::doubleClicked, this,
                      &TrsglForm::pickAdministratorRow);

    formkit::onSignal(clerkActions_, &QButtonGroup::idToggled, this, &TrsglForm::chooseClerkAction);
    formkit::chainEnter({ui->Edit1, ui->Edit2, ui->Button3});
    formkit::onClick(ui->Button3, this, &TrsglForm::runClerkAction);
    connect(ui->Button4, &QPushButton::clicked, this, &QWidget::close);
    formkit::onSignal(ui->DBGrid2, &QTableView::doubleClicked, this, &TrsglForm::pickClerkRow);
}

TrsglForm::~TrsglForm() {
    delete ui;
}

void TrsglForm::openAdministrators() {
    bringUp(*this);
    selectPageQuietly(ui->PageControl1, 0);
    showAdministrators();
}

void TrsglForm::openClerks() {
    bringUp(*this);
    selectPageQuietly(ui->PageControl1, 1);
    showClerks();
}

void TrsglForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    // The action choices and the password captions stay as they were.
    for (QLineEdit* box : {ui->Edit1, ui->Edit2, ui->Edit4, ui->Edit5, ui->Edit6, ui->Edit7})
        box->clear();
    formkit::runGuarded(QStringLiteral("TrsglForm/show"), [this] { showListOfPage(); });
}

void TrsglForm::showListOfPage() {
    if (ui->PageControl1->currentIndex() == 0)
        showAdministrators();
    else
        showClerks();
}

void TrsglForm::showAdministrators() {
    formkit::showRows(ui->DBGrid1, people_, storedb::rsglAdministrators(session_.db()),
                      kListWidths);
}

void TrsglForm::showClerks() {
    formkit::showRows(ui->DBGrid2, people_, storedb::rsglClerks(session_.db()), kListWidths);
}

// ---------------------------------------------------------------------------
// Administrators

void TrsglForm::resetNumber() {
    ui->Edit4->clear();
    ui->Edit6->clear();
    ui->Edit7->clear();
    ui->Edit4->setFocus();
}

void TrsglForm::resetPasswords() {
    ui->Edit6->clear();
    ui->Edit7->clear();
    ui->Edit6->setFocus();
}

void TrsglForm::resetAdministrator() {
    ui->Edit5->clear();
    resetNumber();
}

void TrsglForm::chooseAdministratorAction(int id, bool checked) {
    if (!checked)
        return;
    for (QLineEdit* box : {ui->Edit4, ui->Edit5, ui->Edit6, ui->Edit7})
        box->clear();
    ui->Edit4->setFocus();
    if (id == Modify) {
        ui->Label8->setText(QStringLiteral(" 原密码         "));
        ui->Label9->setText(QStringLiteral(" 新密码       "));
    } else {
        ui->Label8->setText(QStringLiteral("密           码         "));
        ui->Label9->setText(QStringLiteral("确认密码       "));
    }
}

void TrsglForm::pickAdministratorRow(const QModelIndex& row) {
    ui->Edit4->setText(cell(row, 0));
    ui->Edit5->setText(cell(row, 1));
}

// The number and the name as the store keeps them (no trailing blanks);
// passwords exactly as typed.
void TrsglForm::runAdministratorAction() {
    const QString glyh = storedb::normalizeCode(ui->Edit4->text());
    const QString glym = storedb::normalizeCode(ui->Edit5->text());
    const auto refuse = [](const QString& text, QLineEdit* box) {
        formkit::showMessage(text);
        box->setFocus();
    };
    if (glyh.isEmpty())
        return refuse(QStringLiteral("请输入管理员号！"), ui->Edit4);
    if (glym.isEmpty())
        return refuse(QStringLiteral("请输入管理员名！"), ui->Edit5);
    if (ui->Edit6->text().isEmpty())
        return refuse(kEmptyPassword, ui->Edit6);
    if (ui->Edit7->text().isEmpty())
        return refuse(kEmptyPassword, ui->Edit7);
    // A number or name no row can have (too long, control characters) is
    // refused before it reaches a statement or a message; so is a new
    // password the login box could never take.
    storedb::checkNumber(QStringLiteral("管理员号"), glyh);
    storedb::checkName(QStringLiteral("管理员名"), glym);
    if (administratorActions_->checkedId() != Delete)
        storedb::checkText(QStringLiteral("密码"), ui->Edit7->text());
    administratorAction(glyh, glym);
    showAdministrators();
}

void TrsglForm::administratorAction(const QString& glyh, const QString& glym) {
    storedb::Db& db = session_.db();
    const QString password = ui->Edit6->text();
    const QString confirmation = ui->Edit7->text();
    const std::optional<storedb::AdministratorLogin> stored = storedb::glydl(db, glyh);
    switch (administratorActions_->checkedId()) {
    case Add:
        if (stored) {
            formkit::showMessage(QStringLiteral("此管理员号已经被人占用,请重新输入！"));
            resetNumber();
        } else if (password != confirmation) {
            formkit::showMessage(kPasswordsDiffer);
            resetPasswords();
        } else {
            storedb::insertAdministrator(db, glyh, glym, confirmation);
            formkit::showMessage(administratorDone(glym, QStringLiteral(" 添加成功！")));
            resetAdministrator();
        }
        break;
    case Delete:
        if (!stored) {
            formkit::showMessage(kNoSuchAdministrator);
            resetNumber();
        } else if (password != confirmation) {
            formkit::showMessage(kPasswordsDiffer);
            resetPasswords();
        } else if (stored->mm != password) {
            formkit::showMessage(QStringLiteral("密码不正确,你无权删除!"));
            resetPasswords();
        } else {
            switch (storedb::removeAdministrator(db, glyh)) {
            case storedb::AdministratorRemoval::Missing:
                formkit::showMessage(kNoSuchAdministrator);
                resetNumber();
                break;
            case storedb::AdministratorRemoval::LastOne:
                formkit::showMessage(QStringLiteral(
                    "此管理员是仅剩的一个管理员,不能删除！否则将无人能登录服务器端。"));
                resetNumber();
                break;
            case storedb::AdministratorRemoval::Removed:
                formkit::showMessage(administratorDone(glym, QStringLiteral(" 删除成功！")));
                resetAdministrator();
                break;
            }
        }
        break;
    case Modify:
        // Edit6 holds the old password, Edit7 the new one.
        if (!stored) {
            formkit::showMessage(kNoSuchAdministrator);
            resetNumber();
        } else if (stored->mm != password) {
            formkit::showMessage(QStringLiteral("密码不正确,你无权修改!"));
            resetPasswords();
        } else {
            storedb::updateAdministrator(db, glyh, glym, confirmation);
            formkit::showMessage(administratorDone(glym, QStringLiteral(" 修改成功！")));
            resetAdministrator();
        }
        break;
    }
}

// ---------------------------------------------------------------------------
// Clerks

void TrsglForm::resetClerk() {
    ui->Edit1->clear();
    ui->Edit2->clear();
    ui->Edit1->setFocus();
}

void TrsglForm::chooseClerkAction(int /*id*/, bool checked) {
    if (checked)
        resetClerk();
}

void TrsglForm::pickClerkRow(const QModelIndex& row) {
    ui->Edit1->setText(cell(row, 0));
    ui->Edit2->setText(cell(row, 1));
}

void TrsglForm::runClerkAction() {
    const QString shyh = storedb::normalizeCode(ui->Edit1->text());
    const QString shym = storedb::normalizeCode(ui->Edit2->text());
    if (shyh.isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入售货员号！"));
        ui->Edit1->setFocus();
        return;
    }
    if (shym.isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入售货员名！"));
        ui->Edit2->setFocus();
        return;
    }
    storedb::checkNumber(QStringLiteral("售货员号"), shyh);
    storedb::checkName(QStringLiteral("售货员名"), shym);
    clerkAction(shyh, shym);
    resetClerk();
    showClerks();
}

void TrsglForm::clerkAction(const QString& shyh, const QString& shym) {
    storedb::Db& db = session_.db();
    switch (clerkActions_->checkedId()) {
    case Add:
        if (storedb::shydl(db, shyh)) {
            formkit::showMessage(QStringLiteral("此售货员号已经被人占用,请重新输入！"));
        } else {
            // The first password is the number; the clerk changes it at a till.
            storedb::insertClerk(db, shyh, shym);
            formkit::showMessage(clerkDone(shym, QStringLiteral(" 添加成功！")));
        }
        break;
    case Delete: {
        // A shift under way or owing money keeps its clerk: settlement finds
        // the shifts by the clerk's number.
        const storedb::ClerkRemoval removal = storedb::removeClerk(db, shyh);
        switch (removal.result) {
        case storedb::ClerkRemoval::Removed:
            formkit::showMessage(clerkDone(shym, QStringLiteral(" 删除成功！")));
            break;
        case storedb::ClerkRemoval::Missing:
            formkit::showMessage(kNoSuchClerk);
            break;
        case storedb::ClerkRemoval::OnDuty:
            formkit::showMessage(
                QStringLiteral("售货员 %1 正在计算机 %2 上班,不能删除！请等其注销后再删除。")
                    .arg(shyh, removal.jsj));
            break;
        case storedb::ClerkRemoval::Owes:
            formkit::showMessage(
                QStringLiteral("售货员 %1 还有 %2 元营业款未交,不能删除！请先结算营业款再删除。")
                    .arg(shyh, storedb::numberText(removal.owed)));
            break;
        }
        break;
    }
    case Modify:
        if (storedb::shydl(db, shyh)) {
            storedb::renameClerk(db, shyh, shym);
            formkit::showMessage(clerkDone(shym, QStringLiteral(" 修改成功！")));
        } else {
            formkit::showMessage(kNoSuchClerk);
        }
        break;
    }
}

} // namespace admin
