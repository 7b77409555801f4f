#pragma once

#include "formkit/rowsetmodel.h"

#include <QWidget>

class QDateEdit;
class QLabel;
class QPushButton;
class QTableView;

namespace admin {

class AdminSession;

// 退货查询: the returns booked between two days, with their number and the
// refunds they came to. Opens on today.
class ReturnListWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ReturnListWindow(AdminSession& session, QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Handlers
    void listReturns();

    void clearResult();

    AdminSession& session_;
    QDateEdit* firstDay_ = nullptr;
    QDateEdit* lastDay_ = nullptr;
    QPushButton* query_ = nullptr;
    QPushButton* close_ = nullptr;
    QTableView* grid_ = nullptr;
    QLabel* summary_ = nullptr; // count and total of the rows shown
    formkit::RowSetModel result_;
};

} // namespace admin
