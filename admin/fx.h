#pragma once

#include <QWidget>

namespace admin {

namespace Ui {
class Tfxform;
}

// The short progress window shown before the stock level analysis.
class Tfxform : public QWidget {
    Q_OBJECT
  public:
    explicit Tfxform(QWidget* parent = nullptr);
    ~Tfxform() override;

    Ui::Tfxform* ui = nullptr;
};

extern Tfxform* fxform;

} // namespace admin
