#pragma once

#include <QWidget>

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
};

extern TsppzForm* sppzForm;
