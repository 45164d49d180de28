#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

namespace qinghe::ui {

// How long the program has gone without keyboard or mouse input anywhere in
// it: an application-wide event filter restarts the count at every input
// event, and a timer hands the idle time to `check` at each interval. The
// clock and the interval can be replaced so a test runs an idle hour at once.
class IdleWatcher : public QObject {
    Q_OBJECT

  public:
    using Clock = std::function<qint64()>;  // milliseconds, never going back

    static constexpr int kDefaultInterval = 1000;

    IdleWatcher(std::function<void(qint64 idleMilliseconds)> check, QObject* parent = nullptr);
    ~IdleWatcher() override;

    void setClock(Clock clock);
    void setInterval(int milliseconds) { timer_.setInterval(milliseconds); }
    qint64 idleMilliseconds() const;
    // Runs the check now, as the timer would.
    void checkNow();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void(qint64)> check_;
    Clock clock_;
    qint64 lastInput_ = 0;
    QTimer timer_;
};

}  // namespace qinghe::ui
