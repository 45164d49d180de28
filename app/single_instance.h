#pragma once

#include <QLocalServer>
#include <QObject>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "common/run_lock.h"

namespace qinghe::ui {

// One instance per run directory: the first holds the run directory's lock
// and listens for later starts, which ask it to show what it shows and then
// end, so two processes never write the same tables.
class SingleInstance : public QObject {
    Q_OBJECT

  public:
    explicit SingleInstance(const std::filesystem::path& runDirectory);

    // True when this process is the only instance; otherwise the running one
    // has been asked to come forward.
    bool acquire();
    // Called in the first instance when a later start asks for the window.
    void onRaiseRequest(std::function<void()> raise) { raise_ = std::move(raise); }

  private:
    std::filesystem::path runDirectory_;
    QString serverName_;
    std::optional<RunLock> lock_;
    std::unique_ptr<QLocalServer> server_;
    std::function<void()> raise_;
};

}  // namespace qinghe::ui
