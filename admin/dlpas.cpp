#include "dlpas.h"

#include "ui_dlpas.h"

#include "data.h"
#include "mainpas.h"

#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/procedures.h"

#include <QCloseEvent>
#include <QStyle>

namespace admin {

TdlForm* dlForm = nullptr;

TdlForm::TdlForm(QWidget* parent) : QWidget(parent), ui(new Ui::TdlForm) {
    ui->setupUi(this);
    // No title-bar buttons: the window leaves only by signing on or cancelling.
    formkit::makeToolWindow(this, QSize(249, 156), false);
    ui->Edit2->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    ui->BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    ui->BitBtn2->setIcon(style()->standardIcon(QStyle::SP_BrowserStop));
    formkit::chainEnter({ui->Edit1, ui->Edit2, ui->BitBtn1});
    connect(ui->BitBtn1, &QPushButton::clicked, this, &TdlForm::BitBtn1Click);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &TdlForm::BitBtn2Click);
}

TdlForm::~TdlForm() {
    if (dlForm == this)
        dlForm = nullptr;
    delete ui;
}

void TdlForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ui->Edit1->setFocus(Qt::OtherFocusReason);
}

void TdlForm::closeEvent(QCloseEvent* event) {
    // Only signing on or cancelling closes the window; a close from the
    // window manager (Alt+F4) is refused.
    if (!leaving_) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void TdlForm::leave() {
    leaving_ = true;
    close();
    leaving_ = false;
}

void TdlForm::BitBtn1Click() {
    // Both texts are used exactly as typed: the number is passed on and kept
    // unchanged, the password compared whole.
    const QString glyh = ui->Edit1->text();
    const auto administrator = storedb::glydl(DataModule1->db(), glyh);
    if (!administrator || administrator->mm != ui->Edit2->text()) {
        formkit::showMessage(QStringLiteral("你的输入有误，请重新输入！"));
        ui->Edit2->setFocus(Qt::OtherFocusReason);
        return;
    }
    DataModule1->setSignedOnAdministrator(glyh);
    formkit::showMessage(QStringLiteral("管理员") + administrator->glym +
                         QStringLiteral("登录成功！"));
    mainform->setStatusText(QStringLiteral("状态:管理员") + administrator->glym +
                            QStringLiteral("登录成功"));
    mainform->setLockedFunctionsEnabled(true);
    leave();
    // The menus' keys work at once: the main window takes the keyboard back.
    mainform->activateWindow();
}

void TdlForm::BitBtn2Click() {
    if (formkit::askYesNo(QStringLiteral("真的要取消登录吗？")))
        leave();
}

} // namespace admin
