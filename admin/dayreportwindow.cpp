#include "dayreportwindow.h"

#include "session.h"

#include "formkit/buttonkeys.h"
#include "formkit/grid.h"
#include "formkit/gridexport.h"
#include "formkit/guard.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/preview.h"
#include "formkit/toolwindow.h"
#include "storedb/company.h"
#include "storedb/personnel.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace admin {

namespace {

using storedb::fenText;

const QStringList kColumns{
    QStringLiteral("项目"),     QStringLiteral("销售笔数"), QStringLiteral("退货笔数"),
    QStringLiteral("销售额"),   QStringLiteral("退款"),     QStringLiteral("净营业额"),
    QStringLiteral("备用金"),   QStringLiteral("上交"),     QStringLiteral("结账实收"),
    QStringLiteral("结账差额"), QStringLiteral("未交")};

QPushButton* button(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

void addRow(QTableWidget* grid, const QString& label, const storedb::TakingsFigures& f,
            bool clerk) {
    const int row = grid->rowCount();
    grid->insertRow(row);
    const QStringList cells{label,
                            QString::number(f.sales),
                            QString::number(f.returns),
                            fenText(f.gross),
                            fenText(f.refunds),
                            fenText(f.net()),
                            fenText(f.floats),
                            fenText(f.handedIn),
                            clerk ? fenText(f.settledReceived) : QString(),
                            clerk ? fenText(f.settledDifference) : QString(),
                            clerk ? fenText(f.stillOwed) : QString()};
    // Exported as numbers (yuan), not as the texts shown.
    const auto yuan = [](qint64 fen) { return QVariant(double(fen) / 100); };
    const QVariantList values{label,
                              f.sales,
                              f.returns,
                              yuan(f.gross),
                              yuan(f.refunds),
                              yuan(f.net()),
                              yuan(f.floats),
                              yuan(f.handedIn),
                              clerk ? yuan(f.settledReceived) : QVariant(),
                              clerk ? yuan(f.settledDifference) : QVariant(),
                              clerk ? yuan(f.stillOwed) : QVariant()};
    for (int column = 0; column < cells.size(); ++column) {
        auto* item = new QTableWidgetItem(cells[column]);
        item->setData(formkit::kExportRole, values.at(column));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        if (column > 0)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->setItem(row, column, item);
    }
}

} // namespace

DayReportWindow::DayReportWindow(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session) {
    setObjectName(QStringLiteral("DayReportWindow"));
    setWindowTitle(QStringLiteral("营业日报与日结"));

    day_ = new QDateEdit(this);
    day_->setObjectName(QStringLiteral("Day"));
    day_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    day_->setCalendarPopup(true);
    showX_ = button(this, "ShowXButton", QStringLiteral("营业日报"));
    closeDay_ = button(this, "CloseDayButton", QStringLiteral("日结"));
    zNumber_ = new QLineEdit(this);
    zNumber_->setObjectName(QStringLiteral("ZNumber"));
    zNumber_->setMaxLength(9);
    zNumber_->setFixedWidth(70);
    reprintZ_ = button(this, "ReprintZButton", QStringLiteral("重打日结单"));
    printA4_ = button(this, "PrintA4Button", QStringLiteral("打印(A4)"));
    printRoll_ = button(this, "PrintRollButton", QStringLiteral("打印(小票)"));
    closeButton_ = button(this, "CloseButton", QStringLiteral("关闭"));
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("State"));
    grid_ = new QTableWidget(0, int(kColumns.size()), this);
    grid_->setObjectName(QStringLiteral("FiguresGrid"));
    grid_->setHorizontalHeaderLabels(kColumns);
    grid_->verticalHeader()->hide();
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    movements_ = new QLabel(this);
    movements_->setObjectName(QStringLiteral("Movements"));
    movements_->setWordWrap(true);

    auto* dayLabel = new QLabel(QStringLiteral("营业日期"), this);
    dayLabel->setBuddy(day_);
    auto* zLabel = new QLabel(QStringLiteral("日结单号"), this);
    zLabel->setBuddy(zNumber_);
    auto* top = new QHBoxLayout;
    top->addWidget(dayLabel);
    top->addWidget(day_);
    top->addWidget(showX_);
    top->addWidget(closeDay_);
    top->addSpacing(20);
    top->addWidget(zLabel);
    top->addWidget(zNumber_);
    top->addWidget(reprintZ_);
    top->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(state_, 1);
    bottom->addWidget(formkit::offerExport(grid_, windowTitle())
                          ->makeButton(this, QStringLiteral("ExportButton")));
    bottom->addWidget(printA4_);
    bottom->addWidget(printRoll_);
    bottom->addWidget(closeButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(grid_, 1);
    layout->addWidget(movements_);
    layout->addLayout(bottom);
    formkit::makeToolWindow(this, QSize(860, 480));

    formkit::installNumericFilter(zNumber_, formkit::NumericKeys::DigitsBackspaceEscape);
    formkit::onEnter(zNumber_, [this] { reprintZ_->click(); });
    showX_->setDefault(true);
    formkit::installDefaultButton(this);
    formkit::installCancelButton(this, closeButton_);
    formkit::onClick(showX_, this, &DayReportWindow::showX);
    formkit::onClick(closeDay_, this, &DayReportWindow::closeDay);
    formkit::onClick(reprintZ_, this, &DayReportWindow::reprintZ);
    formkit::onClick(printA4_, this, &DayReportWindow::printA4);
    formkit::onClick(printRoll_, this, &DayReportWindow::printRoll);
    connect(closeButton_, &QPushButton::clicked, this, &QWidget::close);
}

void DayReportWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    clearReport();
    day_->setDate(QDate::currentDate());
    day_->setFocus();
}

void DayReportWindow::clearReport() {
    figures_.reset();
    close_.reset();
    copy_ = false;
    grid_->setRowCount(0);
    movements_->clear();
    state_->clear();
    printA4_->setEnabled(false);
    printRoll_->setEnabled(false);
}

void DayReportWindow::showReport(const storedb::DayFigures& figures,
                                 const std::optional<storedb::DayClose>& close, bool copy) {
    clearReport();
    figures_ = figures;
    close_ = close;
    copy_ = copy;
    addRow(grid_, QStringLiteral("全店合计"), figures.total, true);
    for (auto it = figures.tills.cbegin(); it != figures.tills.cend(); ++it)
        addRow(grid_, QStringLiteral("收款机 ") + it.key(), it.value(), false);
    clerkNames_ = storedb::clerkNames(session_.db());
    for (auto it = figures.clerks.cbegin(); it != figures.clerks.cend(); ++it)
        addRow(grid_, clerkHeading(it.key(), clerkNames_), it.value(), true);
    movements_->setText(
        QStringLiteral(
            "后台入库 %1 笔 %2 件 %3 元;后台出库 %4 笔 %5 件 %6 元;更正 %7 次,调价 %8 次")
            .arg(figures.stockIns.rows)
            .arg(figures.stockIns.pieces)
            .arg(fenText(figures.stockIns.value))
            .arg(figures.stockOuts.rows)
            .arg(figures.stockOuts.pieces)
            .arg(fenText(figures.stockOuts.value))
            .arg(figures.changes.corrections)
            .arg(figures.changes.priceChanges));
    state_->setText(close ? QStringLiteral("日结单 Z%1 (%2 已日结),累计净营业额 %3 元")
                                .arg(close->z, 6, 10, QLatin1Char('0'))
                                .arg(close->day.toString(QStringLiteral("yyyy-MM-dd")),
                                     fenText(close->grandTotal))
                          : QStringLiteral("营业日报 %1 (未日结)")
                                .arg(figures.day.toString(QStringLiteral("yyyy-MM-dd"))));
    printA4_->setEnabled(true);
    printRoll_->setEnabled(true);
}

void DayReportWindow::showX() {
    clearReport();
    showReport(storedb::dayFigures(session_.db(), day_->date()), std::nullopt, false);
}

void DayReportWindow::closeDay() {
    const QDate day = day_->date();
    if (!formkit::askYesNo(QStringLiteral("真的要日结 %1 吗？日结后当天的数字不能再改变。")
                               .arg(day.toString(QStringLiteral("yyyy-MM-dd")))))
        return;
    clearReport();
    storedb::DayClose close;
    try {
        close = storedb::closeDay(session_.db(), day, session_.administrator(),
                                  QDateTime::currentDateTime());
    } catch (const storedb::DayCloseRefusedError& refused) {
        formkit::showMessage(refused.userText());
        return;
    }
    showReport(close.figures, close, false);
    formkit::showMessage(QStringLiteral("日结完成,日结单号 Z%1。请打印日结单。")
                             .arg(close.z, 6, 10, QLatin1Char('0')));
    printA4_->setFocus();
}

void DayReportWindow::reprintZ() {
    bool ok = false;
    const qint64 z = zNumber_->text().trimmed().toLongLong(&ok);
    const std::optional<storedb::DayClose> close =
        ok && z > 0 ? storedb::readZ(session_.db(), z) : std::nullopt;
    if (!close) {
        formkit::showMessage(QStringLiteral("没有这个日结单号,请重新输入！"));
        zNumber_->setFocus();
        zNumber_->selectAll();
        return;
    }
    // Shown marked as a copy; printed from here as any report.
    showReport(close->figures, close, true);
    printA4_->setFocus();
}

void DayReportWindow::printA4() {
    preview(DayReportPaper::A4);
}

void DayReportWindow::printRoll() {
    preview(DayReportPaper::Roll80);
}

DayReportContent DayReportWindow::content() const {
    if (!figures_)
        return {};
    return dayReportContent(storedb::loadShopSettings(session_.db()).company, *figures_, close_,
                            copy_, QDateTime::currentDateTime(), clerkNames_);
}

bool DayReportWindow::writePdf(const QString& path, DayReportPaper paper) const {
    return figures_ && dayReportLayout(content(), paper).writePdf(path);
}

void DayReportWindow::preview(DayReportPaper paper) {
    if (!figures_)
        return;
    const DayReportContent shown = content();
    formkit::previewReport(dayReportLayout(shown, paper), shown.title, this);
}

} // namespace admin
