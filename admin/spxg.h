#pragma once

#include <QWidget>

namespace admin {

namespace Ui {
class TspxgForm;
}

// The goods correction window: movement correction (page 0) and unit price
// change (page 1).
class TspxgForm : public QWidget {
    Q_OBJECT
  public:
    explicit TspxgForm(QWidget* parent = nullptr);
    ~TspxgForm() override;

    Ui::TspxgForm* ui = nullptr;
};

extern TspxgForm* spxgForm;

} // namespace admin
