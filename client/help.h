#pragma once

#include <QWidget>

namespace Ui {
class Thelpform;
}

// About this system: names the till it runs on.
class Thelpform : public QWidget {
    Q_OBJECT
  public:
    explicit Thelpform(QWidget* parent = nullptr);
    ~Thelpform() override;

  private:
    Ui::Thelpform* ui = nullptr;
};
