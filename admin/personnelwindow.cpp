#include "personnelwindow.h"

#include "ui_personnelwindow.h"

#include "opening.h"
#include "session.h"

#include "formkit/grid.h"
#include "formkit/gridexport.h"
#include "formkit/guard.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/backoffice.h"
#include "storedb/columntext.h"
#include "storedb/numtext.h"
#include "storedb/passwordreset.h"
#include "storedb/personnel.h"
#include "storedb/procedures.h"

#include <QButtonGroup>
#include <QDateTime>
#include <QShowEvent>
#include <QSqlQueryModel>
#include <QToolButton>

namespace admin {

namespace {

enum Action { Add = 0, Delete = 1, Modify = 2, Reset = 3 };

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

// Asked before a reset; the names are the stored ones, since a reset is about
// the person the number belongs to.
bool confirmReset(const QString& who, const QString& number, const QString& name) {
    return formkit::askYesNo(
        QStringLiteral("确实要重置%1 %2 %3 的密码吗？重置后须在下次登录时修改密码。")
            .arg(who, number, name));
}
QString resetDone(const QString& who, const QString& name) {
    return QStringLiteral("%1 %2 的密码已重置,下次登录时须修改密码！").arg(who, name);
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

PersonnelWindow::PersonnelWindow(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::PersonnelWindow),
      people_(new QSqlQueryModel(this)) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(524, 356));
    formkit::prepareGrid(ui->administratorsGrid);
    formkit::prepareGrid(ui->clerksGrid);
    ui->administratorsGrid->setModel(people_);
    ui->clerksGrid->setModel(people_);
    // Each page's list with its way out, above the list.
    for (auto [grid, name] : {std::pair{ui->administratorsGrid, "ExportButton1"},
                              std::pair{ui->clerksGrid, "ExportButton2"}})
        formkit::offerExport(grid, windowTitle())
            ->makeButton(grid->parentWidget(), QString::fromLatin1(name))
            ->setGeometry(grid->x() + grid->width() - 80, grid->y() - 26, 80, 22);
    ui->administratorPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    ui->administratorSecondPassword->setStyleSheet(
        QStringLiteral("lineedit-password-character: 42"));

    administratorActions_ =
        radioGroup(this, {ui->addAdministratorOption, ui->deleteAdministratorOption,
                          ui->modifyAdministratorOption, ui->resetAdministratorPasswordOption});
    clerkActions_ = radioGroup(this, {ui->addClerkOption, ui->deleteClerkOption,
                                      ui->modifyClerkOption, ui->resetClerkPasswordOption});
    for (QLineEdit* box : {ui->clerkNewPassword, ui->clerkConfirmation})
        box->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    showClerkPasswords(false);

    formkit::onSignal(ui->pages, &QTabWidget::currentChanged, this,
                      &PersonnelWindow::showListOfPage);

    formkit::onSignal(administratorActions_, &QButtonGroup::idToggled, this,
                      &PersonnelWindow::chooseAdministratorAction);
    formkit::chainEnter({ui->administratorNumber, ui->administratorName, ui->administratorPassword,
                         ui->administratorSecondPassword, ui->administratorConfirmButton});
    formkit::onClick(ui->administratorConfirmButton, this,
                     &PersonnelWindow::runAdministratorAction);
    connect(ui->administratorCancelButton, &QPushButton::clicked, this, &QWidget::close);
    formkit::onSignal(ui->administratorsGrid, &QTableView::doubleClicked, this,
                      &PersonnelWindow::pickAdministratorRow);

    formkit::onSignal(clerkActions_, &QButtonGroup::idToggled, this,
                      &PersonnelWindow::chooseClerkAction);
    // The new password's boxes are in the chain only while they are shown.
    formkit::chainEnter({ui->clerkNumber, ui->clerkName});
    formkit::onEnter(ui->clerkName, [this] {
        (ui->clerkNewPassword->isHidden() ? static_cast<QWidget*>(ui->clerkConfirmButton)
                                          : ui->clerkNewPassword)
            ->setFocus(Qt::OtherFocusReason);
    });
    formkit::chainEnter({ui->clerkNewPassword, ui->clerkConfirmation, ui->clerkConfirmButton});
    formkit::onClick(ui->clerkConfirmButton, this, &PersonnelWindow::runClerkAction);
    connect(ui->clerkCancelButton, &QPushButton::clicked, this, &QWidget::close);
    formkit::onSignal(ui->clerksGrid, &QTableView::doubleClicked, this,
                      &PersonnelWindow::pickClerkRow);
}

PersonnelWindow::~PersonnelWindow() {
    delete ui;
}

void PersonnelWindow::openAdministrators() {
    bringUp(*this);
    selectPageQuietly(ui->pages, 0);
    showAdministrators();
}

void PersonnelWindow::openClerks() {
    bringUp(*this);
    selectPageQuietly(ui->pages, 1);
    showClerks();
}

void PersonnelWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    // The action choices and the password captions stay as they were.
    for (QLineEdit* box :
         {ui->clerkNumber, ui->clerkName, ui->administratorNumber, ui->administratorName,
          ui->administratorPassword, ui->administratorSecondPassword, ui->clerkNewPassword,
          ui->clerkConfirmation})
        box->clear();
    formkit::runGuarded(QStringLiteral("PersonnelWindow/show"), [this] { showListOfPage(); });
}

void PersonnelWindow::showListOfPage() {
    if (ui->pages->currentIndex() == 0)
        showAdministrators();
    else
        showClerks();
}

void PersonnelWindow::showAdministrators() {
    formkit::showRows(ui->administratorsGrid, people_, storedb::rsglAdministrators(session_.db()),
                      kListWidths);
}

void PersonnelWindow::showClerks() {
    formkit::showRows(ui->clerksGrid, people_, storedb::rsglClerks(session_.db()), kListWidths);
}

// ---------------------------------------------------------------------------
// Administrators

void PersonnelWindow::resetNumber() {
    ui->administratorNumber->clear();
    ui->administratorPassword->clear();
    ui->administratorSecondPassword->clear();
    ui->administratorNumber->setFocus();
}

void PersonnelWindow::resetPasswords() {
    ui->administratorPassword->clear();
    ui->administratorSecondPassword->clear();
    ui->administratorPassword->setFocus();
}

void PersonnelWindow::resetAdministrator() {
    ui->administratorName->clear();
    resetNumber();
}

void PersonnelWindow::chooseAdministratorAction(int id, bool checked) {
    if (!checked)
        return;
    for (QLineEdit* box : {ui->administratorNumber, ui->administratorName,
                           ui->administratorPassword, ui->administratorSecondPassword})
        box->clear();
    ui->administratorNumber->setFocus();
    if (id == Modify) {
        ui->administratorPasswordCaption->setText(QStringLiteral(" 原密码         "));
        ui->administratorSecondPasswordCaption->setText(QStringLiteral(" 新密码       "));
    } else if (id == Reset) {
        ui->administratorPasswordCaption->setText(QStringLiteral(" 新密码         "));
        ui->administratorSecondPasswordCaption->setText(QStringLiteral("确认密码       "));
    } else {
        ui->administratorPasswordCaption->setText(QStringLiteral("密           码         "));
        ui->administratorSecondPasswordCaption->setText(QStringLiteral("确认密码       "));
    }
}

void PersonnelWindow::pickAdministratorRow(const QModelIndex& row) {
    ui->administratorNumber->setText(cell(row, 0));
    ui->administratorName->setText(cell(row, 1));
}

// The number and the name as the store keeps them (no trailing blanks);
// passwords exactly as typed.
void PersonnelWindow::runAdministratorAction() {
    const QString glyh = storedb::normalizeCode(ui->administratorNumber->text());
    const QString glym = storedb::normalizeCode(ui->administratorName->text());
    const auto refuse = [](const QString& text, QLineEdit* box) {
        formkit::showMessage(text);
        box->setFocus();
    };
    if (glyh.isEmpty())
        return refuse(QStringLiteral("请输入管理员号！"), ui->administratorNumber);
    if (glym.isEmpty())
        return refuse(QStringLiteral("请输入管理员名！"), ui->administratorName);
    if (ui->administratorPassword->text().isEmpty())
        return refuse(kEmptyPassword, ui->administratorPassword);
    if (ui->administratorSecondPassword->text().isEmpty())
        return refuse(kEmptyPassword, ui->administratorSecondPassword);
    // A number or name no row can have (too long, control characters) is
    // refused before it reaches a statement or a message; so is a new
    // password the login box could never take.
    storedb::checkNumber(QStringLiteral("管理员号"), glyh);
    storedb::checkName(QStringLiteral("管理员名"), glym);
    if (administratorActions_->checkedId() != Delete)
        storedb::checkText(QStringLiteral("密码"), ui->administratorSecondPassword->text());
    administratorAction(glyh, glym);
    showAdministrators();
}

void PersonnelWindow::administratorAction(const QString& glyh, const QString& glym) {
    storedb::Db& db = session_.db();
    const QString password = ui->administratorPassword->text();
    const QString confirmation = ui->administratorSecondPassword->text();
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
        // administratorPassword holds the old password, administratorSecondPassword the new one.
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
    case Reset:
        // administratorPassword holds the new password, administratorSecondPassword the same again.
        if (!stored) {
            formkit::showMessage(kNoSuchAdministrator);
            resetNumber();
        } else if (password != confirmation) {
            formkit::showMessage(kPasswordsDiffer);
            resetPasswords();
        } else if (glyh == session_.administrator()) {
            // The own password is changed knowing the old one, not reset.
            formkit::showMessage(
                QStringLiteral("不能重置自己的密码！请选“修改管理员项目”修改自己的密码。"));
            resetNumber();
        } else if (confirmReset(QStringLiteral("管理员"), glyh, stored->glym)) {
            if (storedb::resetPassword(db, storedb::Person::Administrator, glyh, confirmation,
                                       {storedb::kResetByBackOffice, session_.administrator()},
                                       QDateTime::currentDateTime())) {
                formkit::showMessage(resetDone(QStringLiteral("管理员"), stored->glym));
                resetAdministrator();
            } else {
                formkit::showMessage(kNoSuchAdministrator);
                resetNumber();
            }
        }
        break;
    }
}

// ---------------------------------------------------------------------------
// Clerks

void PersonnelWindow::resetClerk() {
    for (QLineEdit* box :
         {ui->clerkNumber, ui->clerkName, ui->clerkNewPassword, ui->clerkConfirmation})
        box->clear();
    ui->clerkNumber->setFocus();
}

// The new password's boxes take the place of the note on the first password.
void PersonnelWindow::showClerkPasswords(bool shown) {
    ui->clerkFirstPasswordNote->setVisible(!shown);
    for (QWidget* w :
         std::initializer_list<QWidget*>{ui->clerkNewPasswordCaption, ui->clerkNewPassword,
                                         ui->clerkConfirmationCaption, ui->clerkConfirmation})
        w->setVisible(shown);
}

void PersonnelWindow::chooseClerkAction(int id, bool checked) {
    if (!checked)
        return;
    showClerkPasswords(id == Reset);
    resetClerk();
}

void PersonnelWindow::pickClerkRow(const QModelIndex& row) {
    ui->clerkNumber->setText(cell(row, 0));
    ui->clerkName->setText(cell(row, 1));
}

void PersonnelWindow::runClerkAction() {
    const QString shyh = storedb::normalizeCode(ui->clerkNumber->text());
    const QString shym = storedb::normalizeCode(ui->clerkName->text());
    if (shyh.isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入售货员号！"));
        ui->clerkNumber->setFocus();
        return;
    }
    if (shym.isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入售货员名！"));
        ui->clerkName->setFocus();
        return;
    }
    storedb::checkNumber(QStringLiteral("售货员号"), shyh);
    storedb::checkName(QStringLiteral("售货员名"), shym);
    if (clerkActions_->checkedId() == Reset) {
        resetClerkPassword(shyh);
    } else {
        clerkAction(shyh, shym);
        resetClerk();
    }
    showClerks();
}

// The checks and resets of the administrators' page, on the clerk's boxes.
void PersonnelWindow::resetClerkPassword(const QString& shyh) {
    const QString password = ui->clerkNewPassword->text();
    const QString confirmation = ui->clerkConfirmation->text();
    for (QLineEdit* box : {ui->clerkNewPassword, ui->clerkConfirmation}) {
        if (box->text().isEmpty()) {
            formkit::showMessage(kEmptyPassword);
            box->setFocus();
            return;
        }
    }
    storedb::Db& db = session_.db();
    const std::optional<storedb::ClerkLogin> stored = storedb::shydl(db, shyh);
    if (!stored) {
        formkit::showMessage(kNoSuchClerk);
        resetClerk();
        return;
    }
    if (password != confirmation) {
        formkit::showMessage(kPasswordsDiffer);
        ui->clerkNewPassword->clear();
        ui->clerkConfirmation->clear();
        ui->clerkNewPassword->setFocus();
        return;
    }
    storedb::checkText(QStringLiteral("密码"), confirmation);
    if (!confirmReset(QStringLiteral("售货员"), shyh, stored->shym))
        return;
    if (storedb::resetPassword(db, storedb::Person::Clerk, shyh, confirmation,
                               {storedb::kResetByBackOffice, session_.administrator()},
                               QDateTime::currentDateTime()))
        formkit::showMessage(resetDone(QStringLiteral("售货员"), stored->shym));
    else
        formkit::showMessage(kNoSuchClerk);
    resetClerk();
}

void PersonnelWindow::clerkAction(const QString& shyh, const QString& shym) {
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
