// Commit, checkpoint, discard and close of a table: how held changes become
// a change log record, and logged changes the table's files.
#include <algorithm>
#include <array>
#include <memory>

#include "store/change_log.h"
#include "store/table_file.h"

namespace qinghe::store {

bool TableFile::changed() const {
    return data_.held().changed() || (companionFile_ && companionFile_->held().changed());
}

bool TableFile::fail() {
    failed_ = true;
    return false;
}

void TableFile::discard() {
    // Marks held with the changes may be gone: looked for again when needed.
    marks_.reset();
    releaseCache();
    // Whatever cannot be read back leaves the table failed: it refuses changes.
    if (!data_.held().clear() || !readHeaderAndFields()) failed_ = true;
    if (companion_ && (!companionFile_->held().clear() || !companion_->reload())) failed_ = true;
}

bool TableFile::commit() {
    if (readOnly()) return !changed();
    if (failed_) return false;
    if (!changed()) return true;
    return commitLogged();
}

bool TableFile::writeOut() {
    for (LayeredFile* file : {&data_, companionFile_ ? &*companionFile_ : nullptr}) {
        if (!file || !file->logged().changed()) continue;
        // The worker reads the disk: it is kept off the bytes written now.
        changing(0, UINT64_MAX);
        // The layer above reads the same bytes as before: only this one is cleared.
        if (!makeCommit(file->logged().pending(), file->disk()) || !file->logged().clear())
            return false;
    }
    return true;
}

bool TableFile::flushFiles() {
    return writeOut() && data_.disk().sync() && (!companionFile_ || companionFile_->disk().sync());
}

bool TableFile::checkpoint() {
    if (readOnly() || failed_) return false;
    if (!log_) return true;
    return (flushFiles() && log_->restart(diskHead())) || fail();
}

bool TableFile::close() {
    if (closed_) return true;
    // Changes held at the close are made, as a commit would: closing does not
    // lose them.
    const bool committed = commit();
    return closeLog() && committed;
}

bool TableFile::closeLog() {
    if (closed_) return true;
    closed_ = true;
    readAhead_.reset();
    bool written = true;
    // A failed table keeps its log: the next open finishes what it holds.
    if (log_ && !failed_) {
        // Should the log stay, it only repeats what the flushed files hold.
        if (flushFiles()) {
            static_cast<void>(log_->remove());
        } else {
            written = false;
        }
    }
    log_.reset();
    pool_.forget(this);
    return written;
}

bool TableFile::reserveRoom(const ChangeLog::Change& change) {
    const std::array<File*, ChangeLog::kFileCount> disks{
        &data_.disk(), companionFile_ ? &companionFile_->disk() : nullptr};
    for (std::size_t index = 0; index < change.size(); ++index) {
        if (!change[index] || !disks[index]) continue;
        std::uint64_t end = change[index]->length;
        for (const auto& write : change[index]->writes)
            end = std::max<std::uint64_t>(end, write.offset + write.bytes.size());
        const auto size = disks[index]->size();
        if (!size) return false;
        if (end > *size && !disks[index]->reserve(end)) return false;
    }
    return true;
}

bool TableFile::commitLogged() {
    LayeredFile* companionFile = companionFile_ ? &*companionFile_ : nullptr;
    ChangeLog::Change change;
    if (data_.held().changed()) change[ChangeLog::kData] = data_.held().pending();
    if (companionFile && companionFile->held().changed())
        change[ChangeLog::kCompanion] = companionFile->held().pending();
    // The room the change takes in the table's files is taken before it is
    // logged: a full disk refuses it whole, and once logged, writing it into
    // the files never runs out of room.
    if (!reserveRoom(change)) {
        discard();
        return false;
    }
    if (!log_) {
        // The table on disk is as flushed: the log's epoch begins with it.
        auto log = std::make_unique<ChangeLog>(files_, logPath(path_));
        if (!log->start(diskHead())) {
            discard();  // no record was written
            return false;
        }
        log_ = std::move(log);
    }
    const std::uint64_t size = ChangeLog::recordSize(change);
    // A full log: what it holds is written into the files and flushed first.
    // Should that fail, the log still finishes every change it holds at the
    // next open (and the table refuses changes until then).
    if (log_->full(size) && !checkpoint()) return false;
    switch (log_->append(change)) {
        case ChangeLog::Appended::Made:
            break;
        case ChangeLog::Appended::NotMade:
            discard();  // nothing has changed on disk
            return false;
        case ChangeLog::Appended::Unknown:
            return fail();
    }
    // From here the change is made: the log finishes it should anything below
    // fail, and it is reported done. Until the table is opened again it must
    // not be written as if the change had not been (the table refuses changes
    // then). The change stays in memory, where every read of this table sees
    // it, until a checkpoint or the close writes the files; one larger than
    // the log's area (a purge, a new password) is written at once, behind the
    // ones before it, so that memory never holds more than the log.
    if (!placeLogged(change, size > ChangeLog::kArea - ChangeLog::kHeaderSize)) {
        failed_ = true;
        // Reads see the change all the same: it is kept in memory over
        // whatever part of it reached the disk.
        if (ChangeLog::apply(
                change, {&data_.logged(), companionFile ? &companionFile->logged() : nullptr})) {
            static_cast<void>(data_.held().clear());
            if (companionFile) static_cast<void>(companionFile->held().clear());
        }
    }
    return true;
}

bool TableFile::placeLogged(const ChangeLog::Change& change, bool large) {
    LayeredFile* companionFile = companionFile_ ? &*companionFile_ : nullptr;
    if (large && !writeOut()) return false;
    std::array<File*, ChangeLog::kFileCount> targets{};
    targets[ChangeLog::kData] = large ? &data_.disk() : &data_.logged();
    if (companionFile)
        targets[ChangeLog::kCompanion] = large ? &companionFile->disk() : &companionFile->logged();
    if (large) changing(0, UINT64_MAX);
    if (!ChangeLog::apply(change, targets)) return false;
    // The layer the change went to holds it now: the ones above read it there.
    auto clear = [large](LayeredFile& file) {
        return large ? file.clearBoth() : file.held().clear();
    };
    return clear(data_) && (!companionFile || clear(*companionFile));
}

}  // namespace qinghe::store
