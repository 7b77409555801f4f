#pragma once

#include <QWidget>

namespace admin {

namespace Ui {
class Tfx1form;
}

// The stock level analysis.
class Tfx1form : public QWidget {
    Q_OBJECT
  public:
    explicit Tfx1form(QWidget* parent = nullptr);
    ~Tfx1form() override;

    Ui::Tfx1form* ui = nullptr;
};

extern Tfx1form* fx1form;

} // namespace admin
