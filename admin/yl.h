#pragma once

#include <QWidget>

namespace admin {

namespace Ui {
class Tylform;
}

// The profit estimate.
class Tylform : public QWidget {
    Q_OBJECT
  public:
    explicit Tylform(QWidget* parent = nullptr);
    ~Tylform() override;

    Ui::Tylform* ui = nullptr;
};

extern Tylform* ylform;

} // namespace admin
