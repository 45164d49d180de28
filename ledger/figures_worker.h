#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "ledger/ledger_list.h"
#include "store/file_layer.h"

namespace qinghe::ledger {

// Reads the figures of listed ledgers on a thread of its own, one ledger after
// another, so that the list appears at once and its figures as they arrive.
// Each result goes to `arrived` on the worker's thread, with the number of the
// request it belongs to; the caller hands it over to its own thread and drops
// results of requests it has replaced.
class FiguresWorker {
  public:
    using Arrived = std::function<void(std::uint64_t request, const FiguresJob& job,
                                       const std::optional<LedgerFigures>& figures)>;

    // `files` must allow reading from another thread (the real disk does).
    explicit FiguresWorker(store::FileSystem& files);
    ~FiguresWorker();
    FiguresWorker(const FiguresWorker&) = delete;
    FiguresWorker& operator=(const FiguresWorker&) = delete;

    // Replaces whatever was still to be read; returns the request's number.
    std::uint64_t read(std::vector<FiguresJob> jobs, Arrived arrived);

  private:
    void work();

    store::FileSystem& files_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<FiguresJob> jobs_;
    Arrived arrived_;
    std::uint64_t request_ = 0;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace qinghe::ledger
