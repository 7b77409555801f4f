#pragma once

#include <QWidget>

class QModelIndex;
class QSqlQueryModel;

namespace storedb {
struct Statement;
}

namespace admin {

class AdminSession;

namespace Ui {
class TspckcxForm;
}

// The sales query: by category (page 0) or by goods (page 1).
class TspckcxForm : public QWidget {
    Q_OBJECT
  public:
    explicit TspckcxForm(AdminSession& session, QWidget* parent = nullptr);
    ~TspckcxForm() override;

    // Brings the window up on the page (chosen before it shows).
    void openByCategory();
    void openByGoods();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Handlers
    void resetForNewPage();
    void listGoodsOfChosenCategory();
    void chooseTypedCategory();
    void queryByCategory();
    void queryByGoods();
    void showGoodsNameOfRow(const QModelIndex& row);

    void followPageWithDefaultButton();
    void showResult(const storedb::Statement& statement);

    AdminSession& session_;
    Ui::TspckcxForm* ui = nullptr;
    QSqlQueryModel* result_ = nullptr; // both pages' grids show it
};

} // namespace admin
