#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace qinghe::ui {

// SIGTERM, SIGINT and SIGHUP (a log-out, `kill`, Ctrl+C in a terminal) end the
// program as a normal exit does: the handler runs on the window thread, so it
// can close the tables and let the lock go. The signal itself only writes a
// byte into a pipe, the one thing a signal handler may safely do.
class TerminationSignals : public QObject {
    Q_OBJECT

  public:
    explicit TerminationSignals(std::function<void()> onSignal);
    ~TerminationSignals() override;

  private:
    std::function<void()> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace qinghe::ui
