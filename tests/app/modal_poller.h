// Modal windows run their own event loop, so a test that opens one waits
// inside it. A poller calls its function every few milliseconds from
// whichever event loop runs, finds the modal window and closes it.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace qm::test {

class Poller {
  public:
    explicit Poller(std::function<void()> tick) : tick_(std::move(tick)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick_(); });
        timer_.start(kIntervalMs);
    }
    ~Poller() { timer_.stop(); }
    Poller(const Poller&) = delete;
    Poller& operator=(const Poller&) = delete;

  private:
    static constexpr int kIntervalMs = 10;
    std::function<void()> tick_;
    QTimer timer_;
};

// The visible top-level window of type T, or null.
template <typename T>
T* VisibleWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<T*>(widget); window != nullptr && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

}  // namespace qm::test
