#pragma once

#include <QWidget>

namespace admin {

namespace Ui {
class Tdyform;
}

// The holder of the stock level report; the window itself is never shown.
class Tdyform : public QWidget {
    Q_OBJECT
  public:
    explicit Tdyform(QWidget* parent = nullptr);
    ~Tdyform() override;

    Ui::Tdyform* ui = nullptr;
};

extern Tdyform* dyform;

} // namespace admin
