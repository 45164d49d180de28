#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace qinghe {

// Where the data of one run lives (the run directory), for the program and the
// tool alike. A program that runs from a folder of its own keeps its data
// beside itself, as it always did (a portable copy, the build folder); an
// installed program keeps it in the user's data folder.

// What decides the folder. Paths from the user are already absolute.
struct DataFolderInputs {
    std::filesystem::path executableFolder;
    // The user may write into the executable's folder.
    bool executableFolderWritable = false;
    // The executable's folder is a bin/ beside share/qinghe/: an installed
    // tree, wherever its prefix is (~/.local, a staging folder).
    bool installedTree = false;
    // --data-dir (or the tool's RUNDIR).
    std::optional<std::filesystem::path> argument;
    // The environment: QINGHE_DATA_DIR, XDG_DATA_HOME and HOME as set, empty
    // when unset.
    std::string qingheDataDir;
    std::string xdgDataHome;
    std::string home;
};

enum class DataFolderSource {
    Argument,     // --data-dir, or the tool's RUNDIR
    Environment,  // QINGHE_DATA_DIR
    Portable,     // the executable's own folder
    UserData,     // $XDG_DATA_HOME/qinghe or ~/.local/share/qinghe
    None,         // no folder can be named (no home folder known)
};

struct DataFolderChoice {
    std::filesystem::path folder;
    DataFolderSource source = DataFolderSource::None;
};

// The rule, in order: the argument; QINGHE_DATA_DIR; the executable's folder
// when the user may write there and it is neither below /usr or /opt nor an
// installed tree; else the user's data folder.
DataFolderChoice chooseDataFolder(const DataFolderInputs& inputs);

// The executable's folder may hold the data: writable, outside /usr and /opt,
// not an installed tree.
bool isPortableFolder(const DataFolderInputs& inputs);

// The inputs of this process: the folder of the running executable, its
// access, the environment; a relative argument or QINGHE_DATA_DIR is taken
// from the current folder. A HOME that is not absolute is replaced by the
// account's home folder.
DataFolderInputs dataFolderInputsOfThisProcess(
    std::optional<std::filesystem::path> argument = std::nullopt);

// Makes the folder (and those above it) when missing. An empty text when it is
// there afterwards, else why not (UTF-8, for the user).
std::string makeDataFolder(const std::filesystem::path& folder);

// Where the caches of a data folder go: $XDG_CACHE_HOME/qinghe/KEY, or
// ~/.cache/qinghe/KEY, KEY standing for the folder's absolute path. Caches are
// kept out of the data folder, so that a reading command never writes there
// and a copy or a backup of it carries no cache. Empty when no home is known.
std::filesystem::path cacheFolderFor(const std::filesystem::path& dataFolder,
                                     const std::string& xdgCacheHome, const std::string& home);
// The same with this process's environment.
std::filesystem::path cacheFolderOfThisProcess(const std::filesystem::path& dataFolder);

// The environment variable that names a data folder.
inline constexpr char kDataFolderVariable[] = "QINGHE_DATA_DIR";

}  // namespace qinghe
