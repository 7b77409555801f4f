#pragma once

#include <QWidget>

class QButtonGroup;
class QSqlQueryModel;

namespace admin {

namespace Ui {
class TsppzForm;
}

// The configuration window: categories, goods and shop settings on three pages.
class TsppzForm : public QWidget {
    Q_OBJECT
  public:
    explicit TsppzForm(QWidget* parent = nullptr);
    ~TsppzForm() override;

    // The main window's opening actions: show the window and prepare the page.
    void prepareCategoryPage(); // page 0: category list reopened, widths 80, 130
    void prepareGoodsPage();    // page 1: all goods reopened, widths 80, 130
    void prepareSettingsPage(); // page 2: shop settings loaded

    Ui::TsppzForm* ui = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FormShow();
    void PageControl1Change();
    // Category page
    void Button1Click();
    void Edit1KeyPress();
    void Edit1Exit();
    void DBGrid1DblClick(const QModelIndex& row);
    // Goods page
    void Button3Click();
    void ComboBox1Select();
    void DBGrid2DblClick(const QModelIndex& row);
    // Settings page
    void BitBtn1Click();

    int categoryAction() const;
    int goodsAction() const;
    // Selects a page as the main window does: the page-change handler does not run.
    void selectPage(int index);

    void openCategoryList();
    // Reopens the category list and positions it on the row numbered Edit1;
    // true when there is one.
    bool categorySearch();
    // Fills Edit2 from the category numbered Edit1; false (box cleared,
    // message shown, focus back) when there is none.
    bool nameLookup();
    void reloadPickList(bool keepText);
    void openAllGoods();
    void showGoodsOfCategory(const QString& hwlbm);
    void showGoodsOfPickedCategory();
    void loadSettings();

    QButtonGroup* categoryActions_ = nullptr;
    QButtonGroup* goodsActions_ = nullptr;
    QSqlQueryModel* splbpzModel_ = nullptr; // DataSourcesplbpz
    QSqlQueryModel* sppz1Model_ = nullptr;  // DataSourcesppz1: all goods
    QSqlQueryModel* sppzModel_ = nullptr;   // DataSourcesppz: goods of one category
    bool inLookup_ = false;
    bool skipExitLookup_ = false;
};

extern TsppzForm* sppzForm;

} // namespace admin
