#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>

#include "maintenance/folder_operations.h"

namespace qinghe::testing {

// The real disk, except for the n-th changing or flushing call (make, write,
// copy, sync, link, rename, remove), counted from 0:
// - Crash: that call and every one after it fail, as when the process dies
//   there; a copy or write that fails leaves half its bytes behind, as a
//   torn write would.
// - OneFailure: only that call fails (an I/O error), later ones work.
// Reading calls always work. With noHardLinks every link fails, as on a file
// system without them.
class FaultyFolderOperations : public maintenance::FolderOperations {
  public:
    enum class Mode { Crash, OneFailure };

    explicit FaultyFolderOperations(long failAt = -1, Mode mode = Mode::Crash)
        : failAt_(failAt), mode_(mode) {}

    bool noHardLinks = false;
    long steps() const { return steps_; }
    bool failed() const { return failures_ > 0; }
    int links() const { return links_; }
    int copies() const { return copies_; }

    maintenance::FileStatus status(const std::filesystem::path& path) override {
        return real_.status(path);
    }
    std::optional<std::vector<maintenance::FolderEntry>> list(
        const std::filesystem::path& folder) override {
        return real_.list(folder);
    }
    std::optional<std::string> readFile(const std::filesystem::path& file,
                                        std::size_t maxBytes) override {
        return real_.readFile(file, maxBytes);
    }
    bool sameContents(const std::filesystem::path& a, const std::filesystem::path& b) override {
        return real_.sameContents(a, b);
    }
    bool makeFolder(const std::filesystem::path& folder) override {
        return allow() && real_.makeFolder(folder);
    }
    bool writeFile(const std::filesystem::path& file, std::string_view bytes) override {
        if (allow()) return real_.writeFile(file, bytes);
        if (mode_ == Mode::Crash)
            static_cast<void>(real_.writeFile(file, bytes.substr(0, bytes.size() / 2)));
        return false;
    }
    maintenance::CopyReport copyFile(const std::filesystem::path& from,
                                     const std::filesystem::path& to) override {
        if (allow()) {
            ++copies_;
            return real_.copyFile(from, to);
        }
        if (mode_ == Mode::Crash) tornCopy(from, to);
        return {};
    }
    bool syncFile(const std::filesystem::path& file) override {
        return allow() && real_.syncFile(file);
    }
    bool syncFileSystem(const std::filesystem::path& path) override {
        return allow() && real_.syncFileSystem(path);
    }
    bool hardLink(const std::filesystem::path& existing,
                  const std::filesystem::path& link) override {
        if (!allow() || noHardLinks) return false;
        const bool linked = real_.hardLink(existing, link);
        links_ += linked ? 1 : 0;
        return linked;
    }
    bool rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        return allow() && real_.rename(from, to);
    }
    bool removeTree(const std::filesystem::path& path,
                    const std::filesystem::path& within) override {
        return allow() && real_.removeTree(path, within);
    }
    bool syncFolder(const std::filesystem::path& folder) override {
        return allow() && real_.syncFolder(folder);
    }

  private:
    bool allow() {
        const long step = steps_++;
        const bool fails = mode_ == Mode::Crash ? failAt_ >= 0 && step >= failAt_ : step == failAt_;
        failures_ += fails ? 1 : 0;
        return !fails;
    }
    void tornCopy(const std::filesystem::path& from, const std::filesystem::path& to) {
        const auto bytes = real_.readFile(from, std::size_t{1} << 30);
        if (bytes)
            static_cast<void>(
                real_.writeFile(to, std::string_view(*bytes).substr(0, bytes->size() / 2)));
    }

    maintenance::PosixFolderOperations real_;
    long failAt_;
    Mode mode_;
    long steps_ = 0;
    int failures_ = 0;
    int links_ = 0;
    int copies_ = 0;
};

}  // namespace qinghe::testing
