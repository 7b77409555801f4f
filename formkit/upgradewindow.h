#pragma once

#include "storedb/connection.h"

#include <QPointer>

class QProgressDialog;
class QWidget;

namespace formkit {

// Bringing an older store up to date at start-up (indexes over a log of
// millions of rows) takes minutes on the window's thread. While an object of
// this class lives, the notice it hands to the opening shows a window saying
// so, and a wait cursor, instead of a program that seems to hang.
class UpgradeWindow {
  public:
    explicit UpgradeWindow(QWidget* parent);
    ~UpgradeWindow();
    UpgradeWindow(const UpgradeWindow&) = delete;
    UpgradeWindow& operator=(const UpgradeWindow&) = delete;

    storedb::UpgradeNotice notice();

  private:
    void show();

    QPointer<QWidget> parent_;
    QPointer<QProgressDialog> window_;
    bool shown_ = false;
};

} // namespace formkit
