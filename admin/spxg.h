#pragma once

#include <QWidget>

namespace admin {

class AdminSession;

namespace Ui {
class TspxgForm;
}

// The goods correction window: movement correction (page 0) and unit price
// change (page 1).
class TspxgForm : public QWidget {
    Q_OBJECT
  public:
    explicit TspxgForm(AdminSession& session, QWidget* parent = nullptr);
    ~TspxgForm() override;

    // Brings the window up on the page (chosen before it shows).
    void openCorrection();
    void openPriceChange();

  private:
    AdminSession& session_;
    Ui::TspxgForm* ui = nullptr;
};

} // namespace admin
