#pragma once

#include <QWidget>

namespace admin {

class AdminSession;
class MovementQuery;

namespace Ui {
class TsprhcxForm;
}

// The incoming goods query: by category (page 0) or by goods (page 1).
class TsprhcxForm : public QWidget {
    Q_OBJECT
  public:
    explicit TsprhcxForm(AdminSession& session, QWidget* parent = nullptr);
    ~TsprhcxForm() override;

    // Brings the window up on the page (chosen before it shows).
    void openByCategory();
    void openByGoods();
    // A query's movements are still being read.
    bool isQuerying() const;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    Ui::TsprhcxForm* ui = nullptr;
    MovementQuery* query_ = nullptr;
};

} // namespace admin
