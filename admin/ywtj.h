#pragma once

#include <QWidget>

namespace admin {

namespace Ui {
class Tywtjform;
}

// Business statistics: by category (page 0) or by goods (page 1).
class Tywtjform : public QWidget {
    Q_OBJECT
  public:
    explicit Tywtjform(QWidget* parent = nullptr);
    ~Tywtjform() override;

    Ui::Tywtjform* ui = nullptr;
};

extern Tywtjform* ywtjform;

} // namespace admin
