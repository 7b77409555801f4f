#include "stockanalysiswindow.h"

#include "ui_stockanalysiswindow.h"

#include "opening.h"
#include "session.h"
#include "stockreportwindow.h"

#include "formkit/buttonkeys.h"
#include "formkit/grid.h"
#include "formkit/gridexport.h"
#include "formkit/guard.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/stocklevel.h"

#include <QColor>
#include <QScopeGuard>
#include <QShowEvent>
#include <QSqlQueryModel>
#include <QTimer>
#include <QToolButton>

namespace admin {

namespace {

const QList<int> kWidths{180, 180, 100};
constexpr int kStockColumn = 2;

const QString kNoAlarmLevel = QStringLiteral(
    "还没有设置报警库存量,不能进行库存量分析！请先在“系统配置”的“其它配置”中设置报警库存量。");

// The stock column in red, where the eye goes first.
class LowStockModel : public QSqlQueryModel {
  public:
    using QSqlQueryModel::QSqlQueryModel;
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::ForegroundRole && index.column() == kStockColumn)
            return QColor(Qt::red);
        return QSqlQueryModel::data(index, role);
    }
};

} // namespace

StockAnalysisWindow::StockAnalysisWindow(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::StockAnalysisWindow) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(572, 406));
    model_ = new LowStockModel(this);
    formkit::prepareGrid(ui->lowStockGrid);
    ui->lowStockGrid->setModel(model_);
    formkit::offerExport(ui->lowStockGrid, windowTitle())
        ->makeButton(ui->previewButton->parentWidget(), QStringLiteral("ExportButton"))
        ->setGeometry(242, 350, 96, 30);
    formkit::installCancelButton(this, ui->closeButton);
    formkit::onClick(ui->previewButton, this, &StockAnalysisWindow::previewReport);
    connect(ui->closeButton, &QPushButton::clicked, this, &QWidget::close);
}

StockAnalysisWindow::~StockAnalysisWindow() {
    delete ui;
}

void StockAnalysisWindow::attachReport(StockReportWindow& report) {
    report_ = &report;
}

void StockAnalysisWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        formkit::runGuarded(QStringLiteral("StockAnalysisWindow/show"), [this] { readList(); });
}

void StockAnalysisWindow::readList() {
    storedb::Db& db = session_.db();
    // A level that cannot be read is no level: no list of an earlier one
    // stays on screen, and no report is printed for it.
    level_.reset();
    model_->clear();
    level_ = storedb::alarmLevel(db);
    if (!level_) {
        // Once the window is on screen, so that the message is seen over it.
        QTimer::singleShot(0, this, [] { formkit::showMessage(kNoAlarmLevel); });
        return;
    }
    formkit::showRows(ui->lowStockGrid, model_, storedb::lowStockList(db, *level_), kWidths);
}

void StockAnalysisWindow::previewReport() {
    if (!level_) {
        formkit::showMessage(kNoAlarmLevel);
        return;
    }
    report_->readRows(*level_);
    hide();
    // Back with the list read afresh, whatever the preview did.
    const auto showAgain = qScopeGuard([this] { bringUp(*this); });
    report_->preview();
}

} // namespace admin
