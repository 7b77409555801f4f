#pragma once

#include <QWidget>

class QSqlQueryModel;

namespace admin {

class AdminSession;

namespace Ui {
class TyyejsForm;
}

// Takings settlement: the shifts clerks still owe, and settling one clerk.
class TyyejsForm : public QWidget {
    Q_OBJECT
  public:
    explicit TyyejsForm(AdminSession& session, QWidget* parent = nullptr);
    ~TyyejsForm() override;

    // Brings the window up with the owed shifts read again and its boxes
    // cleared.
    void openOwedShifts();

  private:
    AdminSession& session_;
    Ui::TyyejsForm* ui = nullptr;
    QSqlQueryModel* owed_ = nullptr; // DataSourceyyejs
};

} // namespace admin
