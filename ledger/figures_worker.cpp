#include "ledger/figures_worker.h"

namespace qinghe::ledger {

FiguresWorker::FiguresWorker(store::FileSystem& files)
    : files_(files), thread_([this] { work(); }) {}

FiguresWorker::~FiguresWorker() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        jobs_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

std::uint64_t FiguresWorker::read(std::vector<FiguresJob> jobs, Arrived arrived) {
    std::uint64_t request;
    {
        std::lock_guard lock(mutex_);
        jobs_.assign(jobs.begin(), jobs.end());
        arrived_ = std::move(arrived);
        request = ++request_;
    }
    wake_.notify_all();
    return request;
}

void FiguresWorker::work() {
    for (;;) {
        FiguresJob job;
        Arrived arrived;
        std::uint64_t request;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
            if (stop_) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
            arrived = arrived_;
            request = request_;
        }
        const std::optional<LedgerFigures> figures = readLedgerFigures(files_, job.table);
        if (arrived) arrived(request, job, figures);
    }
}

}  // namespace qinghe::ledger
