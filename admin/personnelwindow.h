#pragma once

#include <QWidget>

class QButtonGroup;
class QModelIndex;
class QSqlQueryModel;

namespace admin {

class AdminSession;

namespace Ui {
class PersonnelWindow;
}

// Personnel: administrators (page 0) and salesclerks (page 1). Both pages'
// grids show the one personnel list, whichever was opened last.
class PersonnelWindow : public QWidget {
    Q_OBJECT
  public:
    explicit PersonnelWindow(AdminSession& session, QWidget* parent = nullptr);
    ~PersonnelWindow() override;

    // Brings the window up on the page and reads its list again.
    void openAdministrators();
    void openClerks();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Handlers
    void runAdministratorAction();
    void runClerkAction();
    void chooseAdministratorAction(int id, bool checked);
    void chooseClerkAction(int id, bool checked);
    void pickAdministratorRow(const QModelIndex& row);
    void pickClerkRow(const QModelIndex& row);
    void showListOfPage();

    void administratorAction(const QString& glyh, const QString& glym);
    void clerkAction(const QString& shyh, const QString& shym);
    void resetClerkPassword(const QString& shyh);
    void showClerkPasswords(bool shown);
    void showAdministrators();
    void showClerks();

    // The resets after a refusal or a success.
    void resetNumber();
    void resetPasswords();
    void resetAdministrator();
    void resetClerk();

    AdminSession& session_;
    Ui::PersonnelWindow* ui = nullptr;
    QButtonGroup* administratorActions_ = nullptr;
    QButtonGroup* clerkActions_ = nullptr;
    QSqlQueryModel* people_ = nullptr; // ADOQueryrsgl
};

} // namespace admin
