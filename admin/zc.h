#pragma once

#include <QWidget>

namespace admin {

namespace Ui {
class Tzcform;
}

// Terminal registration: the tills allowed to sell.
class Tzcform : public QWidget {
    Q_OBJECT
  public:
    explicit Tzcform(QWidget* parent = nullptr);
    ~Tzcform() override;

    Ui::Tzcform* ui = nullptr;
};

extern Tzcform* zcform;

} // namespace admin
