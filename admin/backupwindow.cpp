#include "backupwindow.h"

#include "session.h"

#include "formkit/guard.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/backup.h"
#include "storedb/datamodule.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QShowEvent>
#include <QSpinBox>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace admin {

namespace {
Q_LOGGING_CATEGORY(lcBackupWindow, "orvani.backup")

const QString kAutomaticPrefix = QStringLiteral("orvani-auto-");
const QString kDaily = QStringLiteral("backup/daily");
const QString kFolder = QStringLiteral("backup/folder");
const QString kKeep = QStringLiteral("backup/keep");
const QString kLast = QStringLiteral("backup/last");
const QString kLastDaily = QStringLiteral("backup/lastDaily");
const int kDefaultKeep = 7;
// How often the back office looks whether the day's automatic backup is due.
const int kDailyCheckMs = 10 * 60 * 1000;

QSettings settings() {
    return QSettings(storedb::programDirectory() + QStringLiteral("tavo_admin.ini"),
                     QSettings::IniFormat);
}

QString stamp(const QDateTime& when) {
    return when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

QPushButton* button(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}
} // namespace

struct BackupWindow::Outcome {
    bool ok = false;
    storedb::BackupInfo info;
    QString text;
    QString userText;
};

BackupWindow::BackupWindow(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session) {
    setObjectName(QStringLiteral("BackupWindow"));
    setWindowTitle(QStringLiteral("数据备份"));

    file_ = new QLineEdit(this);
    file_->setObjectName(QStringLiteral("BackupFile"));
    browse_ = button(this, "BrowseButton", QStringLiteral("浏览..."));
    start_ = button(this, "StartButton", QStringLiteral("开始备份"));
    cancel_ = button(this, "CancelButton", QStringLiteral("取消备份"));
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("BackupProgress"));
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("BackupState"));
    daily_ = new QCheckBox(QStringLiteral("每天自动备份"), this);
    daily_->setObjectName(QStringLiteral("DailyBackup"));
    folder_ = new QLineEdit(this);
    folder_->setObjectName(QStringLiteral("DailyFolder"));
    keep_ = new QSpinBox(this);
    keep_->setObjectName(QStringLiteral("KeepCopies"));
    keep_->setRange(1, 365);
    save_ = button(this, "SaveButton", QStringLiteral("保存设置"));
    close_ = button(this, "CloseButton", QStringLiteral("关闭"));
    ticker_ = new QTimer(this);
    ticker_->setInterval(200);

    auto* fileLabel = new QLabel(QStringLiteral("备份文件"), this);
    fileLabel->setBuddy(file_);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(fileLabel);
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(browse_);
    auto* runRow = new QHBoxLayout;
    runRow->addWidget(progress_, 1);
    runRow->addWidget(start_);
    runRow->addWidget(cancel_);

    auto* daily = new QGroupBox(QStringLiteral("自动备份"), this);
    auto* dailyForm = new QFormLayout(daily);
    dailyForm->addRow(daily_);
    dailyForm->addRow(QStringLiteral("备份文件夹"), folder_);
    dailyForm->addRow(QStringLiteral("保留份数"), keep_);
    dailyForm->addRow(save_);

    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch();
    closeRow->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fileRow);
    layout->addLayout(runRow);
    layout->addWidget(state_);
    layout->addWidget(daily);
    layout->addLayout(closeRow);
    formkit::makeToolWindow(this, QSize(520, 300));

    // Enter on the file name starts the backup, on the settings saves them.
    formkit::chainEnter({file_, start_});
    formkit::chainEnter({folder_, keep_, save_});
    formkit::onClick(browse_, this, &BackupWindow::chooseFile);
    formkit::onClick(start_, this, &BackupWindow::backUpNow);
    formkit::onClick(cancel_, this, &BackupWindow::cancelBackup);
    formkit::onClick(save_, this, &BackupWindow::saveSettings);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    connect(ticker_, &QTimer::timeout, this, &BackupWindow::showProgress);
    cancel_->setEnabled(false);

    auto* dailyCheck = new QTimer(this);
    dailyCheck->setInterval(kDailyCheckMs);
    connect(dailyCheck, &QTimer::timeout, this, [this] {
        if (!session_.administrator().isEmpty())
            startDueBackup();
    });
    dailyCheck->start();
}

BackupWindow::~BackupWindow() {
    if (worker_) {
        control_->cancel = true;
        worker_->wait();
    }
}

QDateTime BackupWindow::lastBackup() const {
    return QDateTime::fromString(settings().value(kLast).toString(), Qt::ISODate);
}

void BackupWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    const QSettings saved = settings();
    daily_->setChecked(saved.value(kDaily, false).toBool());
    folder_->setText(saved.value(kFolder).toString());
    keep_->setValue(saved.value(kKeep, kDefaultKeep).toInt());
    if (!running()) {
        file_->setText(proposedFile());
        progress_->setValue(0);
        state_->setText(lastBackup().isValid()
                            ? QStringLiteral("上次备份: %1")
                                  .arg(lastBackup().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                            : QStringLiteral("还没有备份过。"));
    }
    file_->setFocus();
}

void BackupWindow::closeEvent(QCloseEvent* event) {
    // A backup under way goes on: the window only hides.
    QWidget::closeEvent(event);
}

QString BackupWindow::proposedFile() const {
    QString folder = settings().value(kFolder).toString();
    if (folder.isEmpty())
        folder = QDir::homePath();
    return QDir(folder).filePath(
        QStringLiteral("orvani-%1.backup").arg(stamp(QDateTime::currentDateTime())));
}

void BackupWindow::chooseFile() {
    const QString chosen = QFileDialog::getSaveFileName(
        this, QStringLiteral("备份到"), file_->text(), QStringLiteral("备份文件 (*.backup)"));
    if (!chosen.isEmpty())
        file_->setText(chosen);
}

void BackupWindow::backUpNow() {
    const QString file = file_->text().trimmed();
    if (file.isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入备份文件名！"));
        file_->setFocus();
        return;
    }
    if (QFileInfo::exists(file) &&
        !formkit::askYesNo(QStringLiteral("文件 %1 已经存在,要覆盖它吗？").arg(file)))
        return;
    start(file, false);
}

void BackupWindow::cancelBackup() {
    if (control_)
        control_->cancel = true;
    state_->setText(QStringLiteral("正在取消备份..."));
}

void BackupWindow::saveSettings() {
    const QString folder = folder_->text().trimmed();
    if (daily_->isChecked() && folder.isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入自动备份的文件夹！"));
        folder_->setFocus();
        return;
    }
    if (!folder.isEmpty() && !QDir().mkpath(folder)) {
        formkit::showMessage(QStringLiteral("不能建立文件夹 %1！").arg(folder));
        folder_->setFocus();
        return;
    }
    QSettings saved = settings();
    saved.setValue(kDaily, daily_->isChecked());
    saved.setValue(kFolder, folder);
    saved.setValue(kKeep, keep_->value());
    saved.sync();
    formkit::showMessage(QStringLiteral("设置已保存。"));
}

bool BackupWindow::startDueBackup() {
    const QSettings saved = settings();
    const QString folder = saved.value(kFolder).toString();
    if (running() || !saved.value(kDaily, false).toBool() || folder.isEmpty() ||
        saved.value(kLastDaily).toString() == QDate::currentDate().toString(Qt::ISODate))
        return false;
    QDir().mkpath(folder);
    start(QDir(folder).filePath(kAutomaticPrefix + stamp(QDateTime::currentDateTime()) +
                                QStringLiteral(".backup")),
          true);
    return true;
}

void BackupWindow::start(const QString& file, bool automatic) {
    if (running()) {
        formkit::showMessage(QStringLiteral("备份正在进行,请稍候。"));
        return;
    }
    control_ = std::make_shared<storedb::BackupControl>();
    outcome_ = std::make_shared<Outcome>();
    file_under_way_ = file;
    automatic_ = automatic;
    const storedb::DataLink link = storedb::DataModule::dataLink();
    worker_ = QThread::create([link, file, control = control_, outcome = outcome_] {
        try {
            outcome->info = storedb::backupStore(link, file, control.get());
            outcome->ok = true;
        } catch (const storedb::Error& e) {
            outcome->text = e.text();
            outcome->userText = e.userText();
        } catch (const std::exception& e) {
            outcome->text = QString::fromLocal8Bit(e.what());
            outcome->userText = QStringLiteral("备份失败,详情见日志。");
        }
    });
    connect(worker_, &QThread::finished, this, &BackupWindow::finished);
    start_->setEnabled(false);
    cancel_->setEnabled(true);
    progress_->setRange(0, 0); // busy until the engine tells how far
    state_->setText(QStringLiteral("正在备份到 %1 ...").arg(file));
    ticker_->start();
    worker_->start();
}

void BackupWindow::showProgress() {
    const int percent = control_ ? control_->percent.load() : -1;
    if (percent >= 0) {
        progress_->setRange(0, 100);
        progress_->setValue(percent);
    }
}

void BackupWindow::finished() {
    worker_->wait();
    worker_->deleteLater();
    worker_ = nullptr;
    ticker_->stop();
    start_->setEnabled(true);
    cancel_->setEnabled(false);
    progress_->setRange(0, 100);
    const std::shared_ptr<Outcome> outcome = std::move(outcome_);
    if (!outcome->ok) {
        progress_->setValue(0);
        qCWarning(lcBackupWindow).noquote()
            << "backup to" << file_under_way_ << "failed:" << outcome->text;
        state_->setText(outcome->userText);
        formkit::showMessage((automatic_ ? QStringLiteral("自动备份没有完成: ") : QString()) +
                             outcome->userText);
        return;
    }
    progress_->setValue(100);
    const QDateTime now = QDateTime::currentDateTime();
    QSettings saved = settings();
    saved.setValue(kLast, now.toString(Qt::ISODate));
    qint64 rows = 0;
    for (const auto& table : outcome->info.rows)
        rows += table.second;
    const QString done = QStringLiteral("备份完成: %1 (%2 行)。").arg(file_under_way_).arg(rows);
    state_->setText(done);
    if (automatic_) {
        saved.setValue(kLastDaily, now.date().toString(Qt::ISODate));
        const QString folder = QFileInfo(file_under_way_).absolutePath();
        for (const QString& removed : storedb::pruneBackups(
                 folder, kAutomaticPrefix, saved.value(kKeep, kDefaultKeep).toInt()))
            qCInfo(lcBackupWindow, "old automatic backup %s removed", qPrintable(removed));
    } else {
        formkit::showMessage(done);
    }
    saved.sync();
    emit backedUp(now);
}

} // namespace admin
