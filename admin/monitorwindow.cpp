#include "monitorwindow.h"

#include "ui_monitorwindow.h"

#include "tillwindup.h"

#include "formkit/grid.h"
#include "formkit/gridexport.h"
#include "formkit/guard.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/datamodule.h"
#include "storedb/monitor.h"
#include "storedb/tilllease.h"

#include <QHideEvent>
#include <QShowEvent>
#include <QStandardItemModel>
#include <QTimer>
#include <QToolButton>

namespace admin {

namespace {
const QList<int> kWidths{110, 110, 120, 120, 110};
const int kNameColumn = 0;
const int kStateColumn = 4;
const int kIntervalMs = 5000;
} // namespace

MonitorWindow::MonitorWindow(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::MonitorWindow) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(675, 330));

    tills_ = new QStandardItemModel(this);
    formkit::prepareGrid(ui->tillsGrid);
    ui->tillsGrid->setModel(tills_);

    refreshTimer_ = new QTimer(this);
    refreshTimer_->setObjectName(QStringLiteral("refreshTimer"));
    refreshTimer_->setInterval(kIntervalMs);
    connect(refreshTimer_, &QTimer::timeout, this, &MonitorWindow::refreshOnTick);

    formkit::offerExport(ui->tillsGrid, windowTitle())
        ->makeButton(this, QStringLiteral("ExportButton"))
        ->setGeometry(104, 290, 90, 28);
    ui->windUpButton->setEnabled(false);
    formkit::onClick(ui->windUpButton, this, &MonitorWindow::windUpSelectedTill);
    connect(ui->tillsGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &MonitorWindow::updateWindUpButton);
    connect(ui->closeButton, &QPushButton::clicked, this, &QWidget::close);
}

MonitorWindow::~MonitorWindow() {
    delete ui;
}

void MonitorWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    formkit::runGuarded(QStringLiteral("MonitorWindow/show"), [this] { startWatching(); });
}

void MonitorWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    refreshTimer_->stop();
    reportFailure_ = false;
}

void MonitorWindow::startWatching() {
    refreshTimer_->start();
    if (!monitor_) {
        // The same store the session opened: link.udl beside the executable.
        monitor_ = std::make_unique<storedb::TillMonitor>(storedb::DataModule::dataLink());
        connect(monitor_.get(), &storedb::TillMonitor::refreshed, this, &MonitorWindow::showTills);
        connect(monitor_.get(), &storedb::TillMonitor::failed, this, &MonitorWindow::readFailed);
    }
    reportFailure_ = true;
    monitor_->refresh();
}

void MonitorWindow::refreshOnTick() {
    if (monitor_)
        monitor_->refresh();
}

void MonitorWindow::showTills(const storedb::RowSet& rows) {
    if (failing_) {
        qCInfo(lcErrors, "MonitorWindow/refreshTimer: the tills are read again");
        failing_ = false;
    }
    reportFailure_ = false;
    // The till picked stays picked across the reads.
    const QString picked = selectedTill();
    tills_->clear();
    tills_->setHorizontalHeaderLabels(rows.columns);
    for (const QVariantList& row : rows.rows) {
        QList<QStandardItem*> cells;
        for (const QVariant& value : row) {
            auto* cell = new QStandardItem;
            cell->setData(value, Qt::DisplayRole);
            cells << cell;
        }
        tills_->appendRow(cells);
    }
    // The server returns the rows in no fixed order; by name they stay put.
    tills_->sort(0);
    formkit::layoutGrid(ui->tillsGrid, kWidths);
    const QList<QStandardItem*> again = tills_->findItems(picked, Qt::MatchExactly, kNameColumn);
    if (!picked.isEmpty() && !again.isEmpty())
        ui->tillsGrid->setCurrentIndex(tills_->index(again.first()->row(), kNameColumn));
    updateWindUpButton();
}

QString MonitorWindow::selectedTill() const {
    const QModelIndex current = ui->tillsGrid->currentIndex();
    return current.isValid() ? tills_->index(current.row(), kNameColumn).data().toString()
                             : QString();
}

void MonitorWindow::updateWindUpButton() {
    const QModelIndex current = ui->tillsGrid->currentIndex();
    ui->windUpButton->setEnabled(current.isValid() &&
                                 tills_->index(current.row(), kStateColumn).data().toString() ==
                                     storedb::kTillOutOfContact);
}

void MonitorWindow::windUpSelectedTill() {
    if (windUpTillOutOfContact(session_, selectedTill()) && monitor_)
        monitor_->refresh();
}

void MonitorWindow::readFailed(const QString& text, const QString& userText) {
    if (!failing_) {
        qCWarning(lcErrors).noquote() << "MonitorWindow/refreshTimer:" << text;
        failing_ = true;
    }
    // Figures that can no longer be read are not shown as if they were live.
    tills_->removeRows(0, tills_->rowCount());
    updateWindUpButton();
    if (reportFailure_) {
        reportFailure_ = false;
        formkit::showMessage(userText);
    }
}

} // namespace admin
