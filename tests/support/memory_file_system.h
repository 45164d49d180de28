#pragma once

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "store/file_layer.h"

namespace qinghe::testing {

// A disk in memory that knows what has lasted: each file's bytes as of its
// last flush and the changes made since, each folder's names as of its last
// folder flush and what changed since. One fault can be set at a chosen step
// (every write, cut, flush, create, remove, rename and folder flush is a
// step), after which the disk tells what a crash would leave:
//   Kill       the process ends before the step: everything before lasts;
//   Torn       the step's write lands in part, then the process ends;
//   PowerLoss  the machine stops before the step: what was not flushed is
//              lost, each change wholly or in part (512-byte sectors), and
//              names not flushed in their folder are as before;
//   WriteError the step fails (EIO, ENOSPC) and the program goes on;
//   FlushError the step is a flush that fails, and the program goes on.
class MemoryFileSystem final : public store::FileSystem {
  public:
    enum class Fault { None, Kill, Torn, PowerLoss, WriteError, FlushError };

    MemoryFileSystem() = default;
    // A copy of another disk's present state, all of it lasting (as after a
    // clean shut-down).
    MemoryFileSystem(const MemoryFileSystem& other) { *this = other; }
    MemoryFileSystem& operator=(const MemoryFileSystem& other) {
        if (this == &other) return *this;
        names_.clear();
        lasting_.clear();
        for (const auto& [path, node] : other.names_) {
            auto copy = std::make_shared<Node>();
            copy->bytes = copy->lasting = node->bytes;
            names_[path] = copy;
            lasting_[path] = copy;
        }
        return *this;
    }

    // A full disk from step `step` on (ENOSPC): a write or a cut that would
    // make a file longer than the room it holds fails, as does reserving more
    // room; everything else goes through. Until roomIsBack().
    void fillUpAt(long step) { fullFrom_ = step; }
    void roomIsBack() { fullFrom_ = -1; }
    // Whether a growth to `length` was refused for want of room.
    bool refusedForRoom() const { return refusedForRoom_; }

    void setFault(Fault fault, long step, unsigned seed = 1) {
        fault_ = fault;
        faultStep_ = step;
        seed_ = seed;
    }
    long steps() const { return steps_; }
    // The fault's step was reached: with Kill, Torn and PowerLoss, nothing
    // after it reached the disk.
    bool faulted() const { return faulted_; }
    bool stopped() const { return stopped_; }

    // What the disk holds after the crash (for Kill and Torn, the present
    // state; for PowerLoss, what had lasted plus a random part of the rest).
    MemoryFileSystem afterCrash() const {
        MemoryFileSystem after;
        if (fault_ != Fault::PowerLoss) {
            after = *this;
            return after;
        }
        std::mt19937 random(seed_);
        std::map<const Node*, std::shared_ptr<Node>> made;
        for (const auto& [path, node] : lasting_) {
            auto& copy = made[node.get()];
            if (!copy) {
                copy = std::make_shared<Node>();
                copy->bytes = node->lasting;
                for (const Change& change : node->since) {
                    switch (random() % 3) {
                        case 0:
                            break;  // lost
                        case 1:
                            apply(change, copy->bytes, nullptr);
                            break;
                        default:
                            apply(change, copy->bytes, &random);  // in part
                    }
                }
                copy->lasting = copy->bytes;
            }
            after.names_[path] = copy;
            after.lasting_[path] = copy;
        }
        return after;
    }

    // The bytes of a file (for tests that look inside).
    std::optional<std::string> contents(const std::filesystem::path& path) const {
        auto it = names_.find(key(path));
        if (it == names_.end()) return std::nullopt;
        return it->second->bytes;
    }
    std::vector<std::filesystem::path> files() const {
        std::vector<std::filesystem::path> list;
        for (const auto& [path, node] : names_) list.push_back(path);
        return list;
    }

    std::unique_ptr<store::File> open(const std::filesystem::path& path,
                                      store::OpenMode mode) override;
    bool exists(const std::filesystem::path& path) override { return names_.count(key(path)) != 0; }
    bool remove(const std::filesystem::path& path) override {
        if (!step(false)) return false;
        names_.erase(key(path));
        return true;
    }
    bool rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        auto it = names_.find(key(from));
        if (it == names_.end()) return false;
        if (!step(false)) return false;
        auto node = it->second;
        names_.erase(it);
        names_[key(to)] = node;
        return true;
    }
    bool syncFolder(const std::filesystem::path& folder) override {
        if (!step(true)) return false;
        const std::string prefix = key(folder).string() + "/";
        auto inFolder = [&](const std::filesystem::path& path) {
            const std::string text = path.string();
            return text.rfind(prefix, 0) == 0 && text.find('/', prefix.size()) == std::string::npos;
        };
        std::erase_if(lasting_, [&](const auto& entry) { return inFolder(entry.first); });
        for (const auto& [path, node] : names_) {
            if (inFolder(path)) lasting_[path] = node;
        }
        return true;
    }

  private:
    struct Change {
        bool cut = false;
        std::uint64_t offset = 0;  // a write's offset, or a cut's length
        std::string bytes;
    };
    struct Node {
        std::string bytes;       // what reads see
        std::string lasting;     // as of the last flush
        std::uint64_t room = 0;  // reserved beyond its length
        std::vector<Change> since;
    };
    class MemoryFile;

    static std::filesystem::path key(const std::filesystem::path& path) {
        return path.lexically_normal();
    }

    // Applies a change; with `random`, only some of its 512-byte sectors.
    static void apply(const Change& change, std::string& bytes, std::mt19937* random) {
        if (change.cut) {
            if (!random || (*random)() % 2) bytes.resize(change.offset);
            return;
        }
        const std::uint64_t end = change.offset + change.bytes.size();
        if (bytes.size() < end) bytes.resize(end);
        for (std::uint64_t at = change.offset; at < end;) {
            const std::uint64_t next = std::min<std::uint64_t>(end, (at / 512 + 1) * 512);
            if (!random || (*random)() % 2)
                std::memcpy(bytes.data() + at, change.bytes.data() + (at - change.offset),
                            next - at);
            at = next;
        }
    }

    // Whether the disk is full at the step about to be taken and a file may
    // not grow to `length`.
    bool noRoom(const Node& node, std::uint64_t length) {
        if (fullFrom_ < 0 || steps_ < fullFrom_) return false;
        if (length <= std::max<std::uint64_t>(node.bytes.size(), node.room)) return false;
        refusedForRoom_ = true;
        return true;
    }

    // Counts a step; false when it must not happen (the fault, or after a crash).
    bool step(bool isFlush) {
        if (stopped_) return false;
        const long index = steps_++;
        if (fault_ == Fault::None || index != faultStep_) return true;
        faulted_ = true;
        switch (fault_) {
            case Fault::Kill:
            case Fault::PowerLoss:
            case Fault::Torn:
                stopped_ = true;
                return false;
            case Fault::WriteError:
                return false;
            case Fault::FlushError:
                // Only flushes fail; any other step at this index goes through.
                if (isFlush) return false;
                faulted_ = false;
                return true;
            case Fault::None:
                break;
        }
        return true;
    }

    std::map<std::filesystem::path, std::shared_ptr<Node>> names_;
    std::map<std::filesystem::path, std::shared_ptr<Node>> lasting_;
    Fault fault_ = Fault::None;
    long faultStep_ = -1;
    unsigned seed_ = 1;
    long steps_ = 0;
    bool faulted_ = false;
    bool stopped_ = false;
    long fullFrom_ = -1;
    bool refusedForRoom_ = false;
};

class MemoryFileSystem::MemoryFile final : public store::File {
  public:
    MemoryFile(MemoryFileSystem& disk, std::shared_ptr<Node> node, bool readOnly)
        : disk_(disk), node_(std::move(node)), readOnly_(readOnly) {}

    bool readAt(std::uint64_t offset, void* data, std::size_t length) override {
        auto got = readSomeAt(offset, data, length);
        return got && *got == length;
    }
    std::optional<std::size_t> readSomeAt(std::uint64_t offset, void* data,
                                          std::size_t length) override {
        const std::string& bytes = node_->bytes;
        if (offset >= bytes.size()) return 0;
        const std::size_t n = std::min<std::uint64_t>(length, bytes.size() - offset);
        std::memcpy(data, bytes.data() + offset, n);
        return n;
    }
    bool writeAt(std::uint64_t offset, const void* data, std::size_t length) override {
        if (readOnly_) return false;
        const bool torn =
            disk_.fault_ == Fault::Torn && !disk_.stopped_ && disk_.steps_ == disk_.faultStep_;
        if (disk_.noRoom(*node_, offset + length)) {
            disk_.steps_++;
            return false;
        }
        if (!disk_.step(false)) {
            if (torn && length > 1) {
                // Part of the write lands before the process ends.
                record({false, offset, std::string(static_cast<const char*>(data), length / 2)});
            }
            return false;
        }
        record({false, offset, std::string(static_cast<const char*>(data), length)});
        return true;
    }
    std::optional<std::uint64_t> size() override { return node_->bytes.size(); }
    bool truncate(std::uint64_t length) override {
        if (readOnly_) return false;
        if (disk_.noRoom(*node_, length)) {
            disk_.steps_++;
            return false;
        }
        if (!disk_.step(false)) return false;
        record({true, length, {}});
        return true;
    }
    bool reserve(std::uint64_t length) override {
        if (readOnly_) return false;
        if (disk_.noRoom(*node_, length)) {
            disk_.steps_++;
            return false;
        }
        if (!disk_.step(false)) return false;
        node_->room = std::max(node_->room, length);
        return true;
    }
    bool sync() override {
        if (readOnly_ || !disk_.step(true)) return false;
        node_->lasting = node_->bytes;
        node_->since.clear();
        return true;
    }

  private:
    void record(Change change) {
        MemoryFileSystem::apply(change, node_->bytes, nullptr);
        node_->since.push_back(std::move(change));
    }

    MemoryFileSystem& disk_;
    std::shared_ptr<Node> node_;
    bool readOnly_;
};

inline std::unique_ptr<store::File> MemoryFileSystem::open(const std::filesystem::path& path,
                                                           store::OpenMode mode) {
    auto it = names_.find(key(path));
    if (mode != store::OpenMode::Create) {
        if (it == names_.end()) return nullptr;
        return std::make_unique<MemoryFile>(*this, it->second, mode == store::OpenMode::ReadOnly);
    }
    if (!step(false)) return nullptr;
    if (it != names_.end()) {
        // O_TRUNC keeps the file and cuts it: a change like any other.
        auto file = std::make_unique<MemoryFile>(*this, it->second, false);
        it->second->bytes.clear();
        it->second->since.push_back({true, 0, {}});
        return file;
    }
    auto node = std::make_shared<Node>();
    names_[key(path)] = node;
    return std::make_unique<MemoryFile>(*this, node, false);
}

}  // namespace qinghe::testing
