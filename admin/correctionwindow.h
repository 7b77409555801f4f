#pragma once

#include "formkit/rowsetmodel.h"

#include <QModelIndex>
#include <QWidget>
#include <optional>

class QSqlQueryModel;

namespace admin {

class AdminSession;

namespace Ui {
class CorrectionWindow;
}

// The goods correction window: movement correction (page 0), unit price
// change (page 1) and the record of both for a date range (page 2).
class CorrectionWindow : public QWidget {
    Q_OBJECT
  public:
    explicit CorrectionWindow(AdminSession& session, QWidget* parent = nullptr);
    ~CorrectionWindow() override;

    // Brings the window up on the page (chosen before it shows).
    void openCorrection();
    void openPriceChange();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Handlers: movement correction
    void chooseStockIn(bool checked);
    void chooseStockOut(bool checked);
    void resetForNewPage();
    void listMovements();
    void pickMovement(const QModelIndex& index);
    void correctMovement();
    void clearCorrection();
    // Handlers: price change
    void lookUpGoods();
    void forgetLookedUpGoods();
    void changePrice();
    void clearPriceChange();
    // Handlers: change record
    void listChanges();

    bool stockInChosen() const;
    // The direction's boxes and the window's height.
    void layOutForDirection(bool stockIn);
    // The list closed, the boxes cleared and no movement selected.
    void closeList();
    void withdrawSelection();
    void clearCorrectionBoxes();
    // "修改" disabled until the next look-up.
    void endPriceChange();

    AdminSession& session_;
    Ui::CorrectionWindow* ui = nullptr;
    QSqlQueryModel* cxModel_ = nullptr; // DataSourcecx
    // The log row picked by a double-click; "确定" is enabled only with one.
    std::optional<int> selectedBh_;
    // The goods the price look-up found: the price change goes to them.
    std::optional<QString> pricedHwh_;
    formkit::RowSetModel changes_;
};

} // namespace admin
