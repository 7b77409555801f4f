#pragma once

#include <QWidget>

namespace Ui {
class SignOffWindow;
}
namespace storedb {
struct ShiftFigures;
}

// The sign-off summary: the shift's takings, the float left in the drawer and
// the cash to hand in. Until it is confirmed nobody signs on or leaves.
class SignOffWindow : public QWidget {
    Q_OBJECT
  public:
    explicit SignOffWindow(QWidget* parent = nullptr);
    ~SignOffWindow() override;

    // Shows the three figures of the clerk who signed off and waits.
    void showSummary(const QString& clerkName, const storedb::ShiftFigures& figures);
    // True from showSummary() until the clerk confirms.
    bool awaitingConfirmation() const;

  signals:
    void confirmed();

  private:
    void confirmSummary();

    Ui::SignOffWindow* ui = nullptr;
};
