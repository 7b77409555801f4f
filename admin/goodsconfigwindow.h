#pragma once

#include <QWidget>

class QButtonGroup;
class QSqlQueryModel;

namespace admin {

class AdminSession;
class CatalogueModel;

namespace Ui {
class GoodsConfigWindow;
}

// The configuration window: categories, goods and shop settings on three pages.
class GoodsConfigWindow : public QWidget {
    Q_OBJECT
  public:
    explicit GoodsConfigWindow(AdminSession& session, QWidget* parent = nullptr);
    ~GoodsConfigWindow() override;

    // The main window's opening actions: show the window and prepare the page.
    void prepareCategoryPage(); // page 0: category list reopened, widths 80, 130
    void prepareGoodsPage();    // page 1: all goods reopened, widths 80, 130
    void prepareSettingsPage(); // page 2: shop settings loaded

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Handlers
    void resetForNewPage();
    void runCategoryAction();
    void lookUpCategoryOnEnter();
    void lookUpCategoryOnLeave();
    void pickCategoryRow();
    void runGoodsAction();
    void showGoodsOfChosenCategory();
    void pickGoodsRow();
    void saveSettings();

    int categoryAction() const;
    int goodsAction() const;
    // Selects a page as the main window does: the page-change handler does not run.
    void selectPage(int index);
    // Enter and Esc press the OK and close buttons of the page on show.
    void followPageWithDefaultButton();

    void openCategoryList();
    // Reopens the category list and positions it on the row numbered hwlbh;
    // true when there is one.
    bool categorySearch(const QString& hwlbh);
    // Fills categoryName from the category numbered categoryNumber; false
    // (box cleared, message shown, focus back) when there is none.
    bool nameLookup();
    void reloadPickList(bool keepText);
    void openAllGoods();
    void showGoodsOfCategory(const QString& hwlbm);
    void showGoodsOfPickedCategory();
    void loadSettings();

    AdminSession& session_;
    Ui::GoodsConfigWindow* ui = nullptr;
    QButtonGroup* categoryActions_ = nullptr;
    QButtonGroup* goodsActions_ = nullptr;
    QSqlQueryModel* splbpzModel_ = nullptr; // DataSourcesplbpz
    CatalogueModel* sppz1Model_ = nullptr;  // DataSourcesppz1: all goods
    QSqlQueryModel* sppzModel_ = nullptr;   // DataSourcesppz: goods of one category
    bool inLookup_ = false;
    bool skipExitLookup_ = false;
};

} // namespace admin
