#pragma once

#include <QWidget>
#include <memory>

class QStandardItemModel;
class QTimer;

namespace storedb {
class TillMonitor;
struct RowSet;
} // namespace storedb

namespace admin {

class AdminSession;

namespace Ui {
class MonitorWindow;
}

// Live monitoring of the tills: every till's clerk, float, takings and state,
// read again every 5 seconds while the window is shown and never while it is
// hidden. The reads run off the window's thread on a connection of their own
// (storedb::TillMonitor), so a server that has gone away never holds the back
// office up; a failed read is logged, never shown, and the next one tries
// again. A till that has lost contact shows as 失去联系 and can be wound up
// from here (结束营业).
class MonitorWindow : public QWidget {
    Q_OBJECT
  public:
    explicit MonitorWindow(AdminSession& session, QWidget* parent = nullptr);
    ~MonitorWindow() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void startWatching();
    void refreshOnTick();
    void showTills(const storedb::RowSet& rows);
    void readFailed(const QString& text, const QString& userText);
    QString selectedTill() const;
    void updateWindUpButton();
    void windUpSelectedTill();

    AdminSession& session_;
    Ui::MonitorWindow* ui = nullptr;
    QTimer* refreshTimer_ = nullptr;
    QStandardItemModel* tills_ = nullptr;           // DataSource1
    std::unique_ptr<storedb::TillMonitor> monitor_; // ADOQuery1, made at the first show
    // The read asked for by showing the window reports its failure, as any
    // action of the window would; the timer's reads never do.
    bool reportFailure_ = false;
    // Failing reads are logged once per run of failures.
    bool failing_ = false;
};

} // namespace admin
