#pragma once

#include <QWidget>

class QModelIndex;

namespace formkit {
class RowSetModel;
}

namespace admin {

class AdminSession;

namespace Ui {
class TillRegistrationWindow;
}

// Terminal registration: the tills allowed to sell. A standby till's float
// can be changed, and a till that has lost contact wound up (结束营业).
class TillRegistrationWindow : public QWidget {
    Q_OBJECT
  public:
    explicit TillRegistrationWindow(AdminSession& session, QWidget* parent = nullptr);
    ~TillRegistrationWindow() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Handlers
    void registerTill();
    void removeTill(const QModelIndex& row);
    void changeFloat();
    void windUpSelectedTill();
    void tillSelected(const QModelIndex& current);

    void showTills();
    void resetBoxes();
    QString tillAt(int row, int column) const;

    AdminSession& session_;
    Ui::TillRegistrationWindow* ui = nullptr;
    formkit::RowSetModel* tills_ = nullptr; // ADOQueryzc, tills out of contact marked
};

} // namespace admin
