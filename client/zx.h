#pragma once

#include <QWidget>

namespace Ui {
class Tzxform;
}
namespace storedb {
struct ShiftFigures;
}

// The sign-off summary: the shift's takings, the float left in the drawer and
// the cash to hand in. Until it is confirmed nobody signs on or leaves.
class Tzxform : public QWidget {
    Q_OBJECT
  public:
    explicit Tzxform(QWidget* parent = nullptr);
    ~Tzxform() override;

    Ui::Tzxform* ui = nullptr;

    // Fills the three groups for the clerk who signed off.
    void fill(const QString& clerkName, const storedb::ShiftFigures& figures);

  public slots:
    void BitBtn1Click();

  protected:
    void showEvent(QShowEvent* event) override;
};

extern Tzxform* zxform;
