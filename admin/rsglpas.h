#pragma once

#include <QWidget>

class QSqlQueryModel;

namespace admin {

class AdminSession;

namespace Ui {
class TrsglForm;
}

// Personnel: administrators (page 0) and salesclerks (page 1). Both pages'
// grids show the one personnel list, whichever was opened last.
class TrsglForm : public QWidget {
    Q_OBJECT
  public:
    explicit TrsglForm(AdminSession& session, QWidget* parent = nullptr);
    ~TrsglForm() override;

    // Brings the window up on the page and reads its list again.
    void openAdministrators();
    void openClerks();

  private:
    AdminSession& session_;
    Ui::TrsglForm* ui = nullptr;
    QSqlQueryModel* people_ = nullptr; // ADOQueryrsgl
};

} // namespace admin
