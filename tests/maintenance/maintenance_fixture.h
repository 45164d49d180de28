#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include "common/clock.h"
#include "common/ole_date.h"
#include "common/run_directory.h"
#include "common/temporary_folder.h"
#include "maintenance/backup.h"
#include "maintenance/backup_places.h"
#include "maintenance/generations.h"

namespace qinghe::testing {

// A run directory of its own with the live files and the backup generations,
// and a clock that moves a minute on with every backup.
class MaintenanceSandbox {
  public:
    using Files = std::map<std::string, std::string>;  // relative path -> bytes

    const RunDirectory& run() const { return run_; }
    std::filesystem::path at(const std::string& relative) const { return temp_.path() / relative; }

    void put(const std::string& relative, const std::string& bytes) const {
        std::filesystem::create_directories(at(relative).parent_path());
        std::ofstream(at(relative), std::ios::binary | std::ios::trunc) << bytes;
    }
    std::string get(const std::string& relative) const {
        std::ifstream in(at(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool exists(const std::string& relative) const {
        std::error_code ec;
        return std::filesystem::symlink_status(at(relative), ec).type() !=
               std::filesystem::file_type::not_found;
    }
    std::set<std::string> names(const std::string& relative = "") const {
        std::set<std::string> result;
        std::error_code ec;
        for (std::filesystem::directory_iterator it(at(relative), ec), end; !ec && it != end;
             it.increment(ec))
            result.insert(it->path().filename().string());
        return result;
    }
    // Every regular file below a folder (of the run directory), relative to it.
    Files filesBelow(const std::string& relative) const {
        Files files;
        const std::filesystem::path folder = at(relative);
        std::error_code ec;
        for (std::filesystem::recursive_directory_iterator it(folder, ec), end; !ec && it != end;
             it.increment(ec)) {
            if (it->is_regular_file())
                files[it->path().lexically_relative(folder).generic_string()] =
                    get(it->path().lexically_relative(temp_.path()).string());
        }
        return files;
    }
    // The live data as a generation holds it: the registry and the data files
    // by name.
    Files liveData() const {
        Files files;
        if (exists("books/books.edb")) files["books/books.edb"] = get("books/books.edb");
        for (const auto& [path, bytes] : filesBelow("data"))
            files["data/" + std::filesystem::path(path).filename().string()] = bytes;
        return files;
    }
    // The data a generation folder holds (as liveData has it): its manifest
    // and the settings aside.
    Files generationData(const std::filesystem::path& folder) const {
        Files files = filesBelow(folder.lexically_relative(temp_.path()).string());
        files.erase(maintenance::kManifestName);
        std::erase_if(files, [](const auto& file) {
            return file.first.starts_with(std::string(maintenance::kGenerationSetup) + "/");
        });
        return files;
    }
    // The settings a generation folder holds, by file name.
    Files generationSettings(const std::filesystem::path& folder) const {
        return filesBelow(
            (folder / maintenance::kGenerationSetup).lexically_relative(temp_.path()).string());
    }
    std::uint64_t inode(const std::string& relative) const {
        struct stat st {};
        return ::stat(at(relative).c_str(), &st) == 0 ? st.st_ino : 0;
    }

    // The live files (below books/ and data/) that are a file of a
    // generation too: writing one in place would change that generation.
    std::set<std::string> liveFilesInGenerations() const {
        std::set<std::uint64_t> inGenerations;
        for (const std::string& name : names()) {
            if (name != "backup" && !name.starts_with("backup-")) continue;
            for (const auto& [path, bytes] : filesBelow(name))
                inGenerations.insert(inode(name + "/" + path));
        }
        std::set<std::string> shared;
        for (const char* live : {"books", "data"}) {
            for (const auto& [path, bytes] : filesBelow(live)) {
                const std::string relative = std::string(live) + "/" + path;
                if (inGenerations.contains(inode(relative))) shared.insert(relative);
            }
        }
        return shared;
    }

    // A ledger set of a given version: registry and two tables, one in a
    // subfolder.
    void putData(const std::string& version) const {
        put("books/books.edb", "registry " + version);
        put("data/home.edb", "home table " + version);
        put("data/trip/trip.edt", "trip pictures " + version);
    }

    maintenance::BackupOutcome backup(maintenance::FolderOperations& ops, int kept = 5) {
        clock_.set(clock_.now() + 1.0 / 1440);
        return maintenance::makeBackup(ops, run_, clock_, kept);
    }
    std::vector<maintenance::Generation> generations(maintenance::FolderOperations& ops) const {
        return maintenance::listGenerations(ops, maintenance::BackupPlaces(run_));
    }

    FixedClock& clock() { return clock_; }

  private:
    TemporaryFolder temp_;
    RunDirectory run_{temp_.path()};
    FixedClock clock_{dateTimeFromCivil(2015, 5, 12, 18, 0, 0).value()};
};

}  // namespace qinghe::testing
