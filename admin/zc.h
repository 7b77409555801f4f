#pragma once

#include <QWidget>

class QModelIndex;
class QSqlQueryModel;

namespace admin {

class AdminSession;

namespace Ui {
class Tzcform;
}

// Terminal registration: the tills allowed to sell.
class Tzcform : public QWidget {
    Q_OBJECT
  public:
    explicit Tzcform(AdminSession& session, QWidget* parent = nullptr);
    ~Tzcform() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Handlers
    void registerTill();
    void removeTill(const QModelIndex& row);

    void showTills();
    void resetBoxes();

    AdminSession& session_;
    Ui::Tzcform* ui = nullptr;
    QSqlQueryModel* tills_ = nullptr; // ADOQueryzc
};

} // namespace admin
