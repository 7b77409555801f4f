#include "returnlistwindow.h"

#include "session.h"

#include "formkit/buttonkeys.h"
#include "formkit/grid.h"
#include "formkit/gridexport.h"
#include "formkit/guard.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/numtext.h"
#include "storedb/returnlist.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace admin {

namespace {
// 退货时间, 收款机, 售货员号, 售货员, 管理员号, 授权管理员, 原帐单, 退货单号, 退款金额
const QList<int> kWidths{130, 60, 60, 70, 60, 70, 70, 70, 70};

QDateEdit* datePicker(QWidget* parent, const char* name) {
    auto* picker = new QDateEdit(parent);
    picker->setObjectName(QString::fromLatin1(name));
    picker->setLocale(QLocale(QLocale::Chinese, QLocale::China));
    picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    picker->setCalendarPopup(true);
    return picker;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setFixedWidth(80);
    return b;
}
} // namespace

ReturnListWindow::ReturnListWindow(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session) {
    setObjectName(QStringLiteral("ReturnListWindow"));
    setWindowTitle(QStringLiteral("退货查询"));

    firstDay_ = datePicker(this, "FirstDay");
    lastDay_ = datePicker(this, "LastDay");
    query_ = button(this, "QueryButton", QStringLiteral("查询"));
    close_ = button(this, "CloseButton", QStringLiteral("关闭"));
    grid_ = new QTableView(this);
    grid_->setObjectName(QStringLiteral("ReturnGrid"));
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("Summary"));

    auto* from = new QLabel(QStringLiteral("退货日期"), this);
    from->setBuddy(firstDay_);
    auto* to = new QLabel(QStringLiteral("到"), this);
    to->setBuddy(lastDay_);
    auto* conditions = new QHBoxLayout;
    conditions->addWidget(from);
    conditions->addWidget(firstDay_);
    conditions->addWidget(to);
    conditions->addWidget(lastDay_);
    conditions->addStretch();
    conditions->addWidget(query_);
    conditions->addWidget(close_);
    formkit::prepareGrid(grid_);
    grid_->setModel(&result_);
    auto* foot = new QHBoxLayout;
    foot->addWidget(summary_, 1);
    foot->addWidget(formkit::offerExport(grid_, windowTitle())
                        ->makeButton(this, QStringLiteral("ExportButton")));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(conditions);
    layout->addWidget(grid_, 1);
    layout->addLayout(foot);
    formkit::makeToolWindow(this, QSize(700, 420));

    // Enter queries from the pickers as well, Esc closes.
    query_->setDefault(true);
    formkit::installDefaultButton(this);
    formkit::installCancelButton(this, close_);
    formkit::onClick(query_, this, &ReturnListWindow::listReturns);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
}

void ReturnListWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    clearResult();
    for (QDateEdit* picker : {firstDay_, lastDay_})
        picker->setDate(QDate::currentDate());
    firstDay_->setFocus();
}

void ReturnListWindow::clearResult() {
    result_.clear();
    summary_->clear();
}

void ReturnListWindow::listReturns() {
    // Rows of an earlier range are not left as if they answered this one,
    // nor when the read fails.
    clearResult();
    if (firstDay_->date() > lastDay_->date()) {
        formkit::showMessage(QStringLiteral("请输入正确的时间范围!"));
        firstDay_->setFocus();
        return;
    }
    storedb::ReturnList list;
    try {
        list = storedb::returnsBetween(session_.db(), firstDay_->date(), lastDay_->date());
    } catch (...) {
        const QString cause = formkit::logCurrentException(QStringLiteral("ReturnListWindow/read"));
        formkit::showMessage(QStringLiteral("退货记录读取失败:") + cause);
        return;
    }
    result_.setRows(std::move(list.rows));
    formkit::layoutGrid(grid_, kWidths);
    summary_->setText(QStringLiteral("共 %1 笔退货,退款合计 %2 元")
                          .arg(list.count)
                          .arg(storedb::numberText(list.total)));
}

} // namespace admin
