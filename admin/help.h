#pragma once

#include <QWidget>

namespace admin {

namespace Ui {
class Thelpform;
}

// About this system: title, version and the computer it runs on.
class Thelpform : public QWidget {
    Q_OBJECT
  public:
    explicit Thelpform(QWidget* parent = nullptr);
    ~Thelpform() override;

    Ui::Thelpform* ui = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FormShow();
    void BitBtn1Click();
};

extern Thelpform* helpform;

} // namespace admin
