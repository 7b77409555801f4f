#include "analysisprogresswindow.h"

#include "ui_analysisprogresswindow.h"

#include "formkit/toolwindow.h"

#include <QShowEvent>
#include <QTimer>

namespace admin {

AnalysisProgressWindow::AnalysisProgressWindow(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::AnalysisProgressWindow) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(513, 54));
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("progressTimer"));
    timer_->setInterval(10);
    connect(timer_, &QTimer::timeout, this, &AnalysisProgressWindow::advance);
}

AnalysisProgressWindow::~AnalysisProgressWindow() {
    delete ui;
}

void AnalysisProgressWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    ui->progressBar->setValue(0);
    timer_->start();
}

// However the window goes (its close box, the program), the bar stops: a
// later show starts it from the beginning.
void AnalysisProgressWindow::hideEvent(QHideEvent* event) {
    timer_->stop();
    QWidget::hideEvent(event);
}

void AnalysisProgressWindow::advance() {
    ui->progressBar->setValue(ui->progressBar->value() + 1);
    if (ui->progressBar->value() < ui->progressBar->maximum())
        return;
    close();
    emit completed();
}

} // namespace admin
