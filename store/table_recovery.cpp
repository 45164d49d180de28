// Recovery at open: the changes a change log left by a crash holds are
// finished (read-write) or held in memory (read-only).
#include <algorithm>
#include <memory>

#include "store/change_log.h"
#include "store/table_file.h"

namespace qinghe::store {

bool TableFile::openCompanionToRecover(bool touched, std::unique_ptr<File>& companion) {
    if (!touched) return true;
    auto path = CompanionFile::find(files_, path_);
    if (path) companion = files_.open(*path, OpenMode::ReadWrite);
    return companion != nullptr;
}

bool TableFile::recoverLog() {
    auto log = std::make_unique<ChangeLog>(files_, logPath(path_));
    const ChangeLog::Found found = log->load();
    if (found == ChangeLog::Found::None) return true;
    const bool fits = found == ChangeLog::Found::Pending && log->fits(diskHead());
    if (readOnly()) {
        // Read as the table will be once the program finishes the changes.
        if (found != ChangeLog::Found::Pending) return true;
        if (!fits) {
            findings_.push_back(
                "a change log that does not fit the table is ignored (set aside when the "
                "table is next opened for writing)");
            return true;
        }
        findings_.emplace_back(kPendingChangesFinding);
        if (!log->applyAllTo(ChangeLog::kData, data_.held())) return false;
        pendingLog_ = std::move(log);
        return true;
    }
    if (found == ChangeLog::Found::Pending && !fits) {
        // Left by a crash beside a table that was replaced since: never
        // replayed onto it, but kept for whoever wants to look.
        const auto aside = staleLogPath(path_);
        if (!files_.rename(log->path(), aside) || !files_.syncFolder(path_.parent_path()))
            return false;
        findings_.push_back("a change log that does not fit the table was set aside as " +
                            aside.filename().string());
        return true;
    }
    if (found == ChangeLog::Found::Pending) {
        std::unique_ptr<File> companion;
        const bool touchesCompanion =
            std::any_of(log->records().begin(), log->records().end(),
                        [](const ChangeLog::Change& c) { return c[ChangeLog::kCompanion]; });
        if (!openCompanionToRecover(touchesCompanion, companion)) return false;
        if (!log->applyAll({&data_.disk(), companion.get()})) return false;
        if (!data_.disk().sync() || (companion && !companion->sync())) return false;
        if (!data_.clearBoth()) return false;
        findings_.emplace_back(kChangesFinishedFinding);
    }
    return log->remove();
}

std::string TableFile::diskHead() {
    std::string head(ChangeLog::kGuardSize, '\0');
    auto got = data_.disk().readSomeAt(0, head.data(), head.size());
    head.resize(got ? *got : 0);
    return head;
}

}  // namespace qinghe::store
