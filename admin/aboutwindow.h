#pragma once

#include <QWidget>

namespace admin {

class AdminSession;

namespace Ui {
class AboutWindow;
}

// About this system: title, version and the computer it runs on.
class AboutWindow : public QWidget {
    Q_OBJECT
  public:
    explicit AboutWindow(AdminSession& session, QWidget* parent = nullptr);
    ~AboutWindow() override;

  private:
    AdminSession& session_;
    Ui::AboutWindow* ui = nullptr;
};

} // namespace admin
