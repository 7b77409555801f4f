#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

namespace testsupport {

// Answers the next modal window of type T while it lives; a window that never
// comes leaves answered() false instead of hanging the test.
template <class T> class ModalAnswer {
  public:
    explicit ModalAnswer(std::function<void(T*)> answer) {
        QObject::connect(&poll_, &QTimer::timeout, &poll_, [this, answer] {
            if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
                poll_.stop();
                answer(window);
                answered_ = true;
            }
        });
        poll_.start(20);
    }
    bool answered() const { return answered_; }

  private:
    QTimer poll_;
    bool answered_ = false;
};

} // namespace testsupport
