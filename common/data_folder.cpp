#include "common/data_folder.h"

#include <cstdint>
#include <cstdio>

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <utility>
#include <vector>

#include "common/run_directory.h"

namespace qinghe {

namespace fs = std::filesystem;

namespace {

// Below /usr or /opt: a folder the system's packages own.
bool belowSystemFolder(const fs::path& folder) {
    const fs::path normal = folder.lexically_normal();
    auto part = normal.begin();
    if (part == normal.end() || *part != "/") return false;
    ++part;
    return part != normal.end() && (*part == "usr" || *part == "opt");
}

fs::path absoluteFrom(const fs::path& path) {
    if (path.empty()) return path;
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    return (error ? path : absolute).lexically_normal();
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string accountHome() {
    const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return {};
}

}  // namespace

bool isPortableFolder(const DataFolderInputs& inputs) {
    return inputs.executableFolderWritable && !inputs.installedTree &&
           !inputs.executableFolder.empty() && !belowSystemFolder(inputs.executableFolder);
}

DataFolderChoice chooseDataFolder(const DataFolderInputs& inputs) {
    if (inputs.argument && !inputs.argument->empty())
        return {inputs.argument->lexically_normal(), DataFolderSource::Argument};
    if (!inputs.qingheDataDir.empty())
        return {fs::path(inputs.qingheDataDir).lexically_normal(), DataFolderSource::Environment};
    if (isPortableFolder(inputs))
        return {inputs.executableFolder.lexically_normal(), DataFolderSource::Portable};
    // A relative XDG_DATA_HOME is invalid and must be ignored, as an unset one.
    if (!inputs.xdgDataHome.empty() && inputs.xdgDataHome.front() == '/')
        return {(fs::path(inputs.xdgDataHome) / "qinghe").lexically_normal(),
                DataFolderSource::UserData};
    if (!inputs.home.empty() && inputs.home.front() == '/')
        return {(fs::path(inputs.home) / ".local" / "share" / "qinghe").lexically_normal(),
                DataFolderSource::UserData};
    return {};
}

DataFolderInputs dataFolderInputsOfThisProcess(std::optional<fs::path> argument) {
    DataFolderInputs inputs;
    inputs.executableFolder = executableDirectory();
    inputs.executableFolderWritable =
        !inputs.executableFolder.empty() && ::access(inputs.executableFolder.c_str(), W_OK) == 0;
    std::error_code error;
    inputs.installedTree =
        inputs.executableFolder.filename() == "bin" &&
        fs::is_directory(inputs.executableFolder.parent_path() / "share" / "qinghe", error);
    if (argument && !argument->empty()) inputs.argument = absoluteFrom(*argument);
    inputs.qingheDataDir = absoluteFrom(environment(kDataFolderVariable)).string();
    inputs.xdgDataHome = environment("XDG_DATA_HOME");
    inputs.home = environment("HOME");
    if (inputs.home.empty() || inputs.home.front() != '/') inputs.home = accountHome();
    return inputs;
}

fs::path cacheFolderFor(const fs::path& dataFolder, const std::string& xdgCacheHome,
                        const std::string& home) {
    fs::path base;
    if (!xdgCacheHome.empty() && xdgCacheHome.front() == '/') {
        base = fs::path(xdgCacheHome) / "qinghe";
    } else if (!home.empty() && home.front() == '/') {
        base = fs::path(home) / ".cache" / "qinghe";
    } else {
        return {};
    }
    // FNV-1a of the folder's path: the same folder finds its cache again.
    fs::path folder = absoluteFrom(dataFolder);
    if (!folder.has_filename()) folder = folder.parent_path();
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : folder.string()) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char key[17];
    std::snprintf(key, sizeof key, "%016llx", static_cast<unsigned long long>(hash));
    return (base / key).lexically_normal();
}

fs::path cacheFolderOfThisProcess(const fs::path& dataFolder) {
    std::string home = environment("HOME");
    if (home.empty() || home.front() != '/') home = accountHome();
    return cacheFolderFor(dataFolder, environment("XDG_CACHE_HOME"), home);
}

std::string makeDataFolder(const fs::path& folder) {
    if (folder.empty()) return "no data folder can be named: HOME is not set";
    std::error_code error;
    fs::create_directories(folder, error);
    if (fs::is_directory(folder)) return {};
    if (!error) error = std::make_error_code(std::errc::not_a_directory);
    return "cannot make the data folder " + folder.string() + ": " + error.message();
}

}  // namespace qinghe
