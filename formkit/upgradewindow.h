#pragma once

#include "storedb/connection.h"

#include <QPointer>
#include <functional>

class QProgressDialog;
class QWidget;

namespace formkit {

// Bringing an older store up to date at start-up (indexes over a log of
// millions of rows) takes minutes. The runner of this class does it on a
// thread of its own under a window saying so, with a wait cursor, while the
// program goes on answering its window system: a program that seems to hang
// is one a user closes. The window stays until this object goes.
class UpgradeWindow {
  public:
    explicit UpgradeWindow(QWidget* parent);
    ~UpgradeWindow();
    UpgradeWindow(const UpgradeWindow&) = delete;
    UpgradeWindow& operator=(const UpgradeWindow&) = delete;

    storedb::UpgradeRunner runner();

  private:
    void run(const std::function<void()>& work);
    void show();

    QPointer<QWidget> parent_;
    QPointer<QProgressDialog> window_;
    bool shown_ = false;
};

} // namespace formkit
