#pragma once

#include <QDateTime>
#include <QWidget>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QThread;
class QTimer;

namespace storedb {
struct BackupControl;
}

namespace admin {

class AdminSession;

// 数据备份: a backup of the store to a file chosen, made now with its progress
// and a cancel, and the settings of the daily automatic backup (a folder and
// how many copies to keep; the oldest go). The copy runs on a thread of its
// own: the back office keeps answering meanwhile. Settings and the time of
// the last backup are this computer's (tavo_admin.ini beside the program).
class BackupWindow : public QWidget {
    Q_OBJECT
  public:
    explicit BackupWindow(AdminSession& session, QWidget* parent = nullptr);
    ~BackupWindow() override;

    // Starts the automatic backup when one is due (switched on, a folder
    // set, none made today); true when it started.
    bool startDueBackup();
    bool running() const { return worker_ != nullptr; }
    QDateTime lastBackup() const;

  signals:
    // A backup was completed (by hand or automatically).
    void backedUp(const QDateTime& when);

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // Handlers
    void chooseFile();
    void backUpNow();
    void cancelBackup();
    void saveSettings();

    void start(const QString& file, bool automatic);
    void showProgress();
    void finished();
    QString proposedFile() const;

    AdminSession& session_;
    QLineEdit* file_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* state_ = nullptr;
    QCheckBox* daily_ = nullptr;
    QLineEdit* folder_ = nullptr;
    QSpinBox* keep_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* close_ = nullptr;
    QTimer* ticker_ = nullptr;

    // The backup under way.
    struct Outcome;
    QThread* worker_ = nullptr;
    std::shared_ptr<storedb::BackupControl> control_;
    std::shared_ptr<Outcome> outcome_;
    QString file_under_way_;
    bool automatic_ = false;
};

} // namespace admin
