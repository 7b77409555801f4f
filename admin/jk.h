#pragma once

#include <QWidget>

namespace admin {

namespace Ui {
class Tjkform;
}

// Live monitoring of the tills.
class Tjkform : public QWidget {
    Q_OBJECT
  public:
    explicit Tjkform(QWidget* parent = nullptr);
    ~Tjkform() override;

    Ui::Tjkform* ui = nullptr;
};

extern Tjkform* jkform;

} // namespace admin
