#pragma once

#include <QWidget>

namespace admin {

namespace Ui {
class TspckcxForm;
}

// The sales query: by category (page 0) or by goods (page 1).
class TspckcxForm : public QWidget {
    Q_OBJECT
  public:
    explicit TspckcxForm(QWidget* parent = nullptr);
    ~TspckcxForm() override;

    Ui::TspckcxForm* ui = nullptr;
};

extern TspckcxForm* spckcxForm;

} // namespace admin
