#pragma once

#include <QWidget>

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

  private:
    AdminSession& session_;
    Ui::TspckcxForm* ui = nullptr;
};

} // namespace admin
