#pragma once

#include <QWidget>

class QComboBox;
class QModelIndex;

namespace admin {

class AdminSession;
class MovementQuery;

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
    // A query's movements are still being read.
    bool isQuerying() const;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // Handlers
    void showGoodsNameOfRow(const QModelIndex& row);
    void showTotals();

    AdminSession& session_;
    Ui::TspckcxForm* ui = nullptr;
    MovementQuery* query_ = nullptr;
};

} // namespace admin
