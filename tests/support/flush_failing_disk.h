#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "store/file_layer.h"

namespace qinghe::testing {

// The real disk, whose flushes fail while `failFlushes` is set: a disk that
// fills up or breaks under a program that is running.
class FlushFailingDisk final : public store::FileSystem {
  public:
    bool failFlushes = false;

    std::unique_ptr<store::File> open(const std::filesystem::path& path,
                                      store::OpenMode mode) override {
        auto file = disk_.open(path, mode);
        if (!file) return nullptr;
        return std::make_unique<FailingFile>(std::move(file), failFlushes);
    }
    bool exists(const std::filesystem::path& path) override { return disk_.exists(path); }
    [[nodiscard]] bool remove(const std::filesystem::path& path) override {
        return disk_.remove(path);
    }
    [[nodiscard]] bool rename(const std::filesystem::path& from,
                              const std::filesystem::path& to) override {
        return disk_.rename(from, to);
    }
    [[nodiscard]] bool syncFolder(const std::filesystem::path& folder) override {
        return !failFlushes && disk_.syncFolder(folder);
    }

  private:
    class FailingFile final : public store::File {
      public:
        FailingFile(std::unique_ptr<store::File> file, const bool& failFlushes)
            : file_(std::move(file)), failFlushes_(failFlushes) {}
        bool readAt(std::uint64_t offset, void* data, std::size_t length) override {
            return file_->readAt(offset, data, length);
        }
        std::optional<std::size_t> readSomeAt(std::uint64_t offset, void* data,
                                              std::size_t length) override {
            return file_->readSomeAt(offset, data, length);
        }
        [[nodiscard]] bool writeAt(std::uint64_t offset, const void* data,
                                   std::size_t length) override {
            return file_->writeAt(offset, data, length);
        }
        std::optional<std::uint64_t> size() override { return file_->size(); }
        [[nodiscard]] bool truncate(std::uint64_t length) override {
            return file_->truncate(length);
        }
        [[nodiscard]] bool reserve(std::uint64_t length) override { return file_->reserve(length); }
        [[nodiscard]] bool sync() override { return !failFlushes_ && file_->sync(); }

      private:
        std::unique_ptr<store::File> file_;
        const bool& failFlushes_;
    };

    store::PosixFileSystem disk_;
};

}  // namespace qinghe::testing
