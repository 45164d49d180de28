#pragma once

#include <memory>

#include "store/file_layer.h"

namespace qinghe::testing {

// The real disk, except that from the n-th changing call on (write, truncate,
// create, remove, rename) nothing more reaches it: the process "crashed" there.
// With tornBytes > 0 a failing write longer than that still puts that many
// bytes down first (a write across several sectors torn by the crash).
class FaultyFileSystem : public store::FileSystem {
  public:
    explicit FaultyFileSystem(long failFrom = -1, std::size_t tornBytes = 0)
        : failFrom_(failFrom), tornBytes_(tornBytes) {}

    long changes() const { return changes_; }
    bool crashed() const { return failFrom_ >= 0 && changes_ > failFrom_; }

    std::unique_ptr<store::File> open(const std::filesystem::path& path,
                                      store::OpenMode mode) override;
    bool exists(const std::filesystem::path& path) override { return real_.exists(path); }
    bool remove(const std::filesystem::path& path) override {
        return allow() && real_.remove(path);
    }
    bool rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        return allow() && real_.rename(from, to);
    }
    bool syncFolder(const std::filesystem::path& folder) override {
        return !crashed() && real_.syncFolder(folder);
    }

    // Counts a change; false once the crash point is reached.
    bool allow() {
        long index = changes_++;
        return failFrom_ < 0 || index < failFrom_;
    }
    bool isCrashPoint() const { return failFrom_ >= 0 && changes_ - 1 == failFrom_; }
    std::size_t tornBytes() const { return tornBytes_; }

  private:
    store::PosixFileSystem real_;
    long failFrom_;
    std::size_t tornBytes_;
    long changes_ = 0;
};

class FaultyFile : public store::File {
  public:
    FaultyFile(std::unique_ptr<store::File> real, FaultyFileSystem& owner)
        : real_(std::move(real)), owner_(owner) {}
    bool readAt(std::uint64_t offset, void* data, std::size_t length) override {
        return real_->readAt(offset, data, length);
    }
    std::optional<std::size_t> readSomeAt(std::uint64_t offset, void* data,
                                          std::size_t length) override {
        return real_->readSomeAt(offset, data, length);
    }
    bool writeAt(std::uint64_t offset, const void* data, std::size_t length) override {
        if (owner_.allow()) return real_->writeAt(offset, data, length);
        if (owner_.isCrashPoint() && owner_.tornBytes() > 0 && length > owner_.tornBytes()) {
            // The torn part lands or not; the write fails either way.
            static_cast<void>(real_->writeAt(offset, data, std::min(length, owner_.tornBytes())));
        }
        return false;
    }
    std::optional<std::uint64_t> size() override { return real_->size(); }
    bool truncate(std::uint64_t length) override {
        return owner_.allow() && real_->truncate(length);
    }
    bool reserve(std::uint64_t length) override { return owner_.allow() && real_->reserve(length); }
    bool sync() override { return !owner_.crashed() && real_->sync(); }

  private:
    std::unique_ptr<store::File> real_;
    FaultyFileSystem& owner_;
};

inline std::unique_ptr<store::File> FaultyFileSystem::open(const std::filesystem::path& path,
                                                           store::OpenMode mode) {
    if (mode == store::OpenMode::Create && !allow()) return nullptr;
    auto file = real_.open(path, mode);
    if (!file) return nullptr;
    return std::make_unique<FaultyFile>(std::move(file), *this);
}

}  // namespace qinghe::testing
