#pragma once

#include <QWidget>

namespace Ui {
class AboutWindow;
}

// About this system: names the till it runs on.
class AboutWindow : public QWidget {
    Q_OBJECT
  public:
    explicit AboutWindow(QWidget* parent = nullptr);
    ~AboutWindow() override;

  private:
    Ui::AboutWindow* ui = nullptr;
};
