#pragma once

#include <filesystem>
#include <string>

namespace qinghe {

// Starting with the computer on a Linux desktop: an XDG autostart entry
// "qinghe.desktop". Kept apart from the kjzqd setting so that the setting can
// be stored without touching the desktop session.

// $XDG_CONFIG_HOME/autostart, or ~/.config/autostart when that is unset or not
// absolute; empty when no home folder is known.
std::filesystem::path defaultAutostartFolder();

// The entry's text (UTF-8): the program started by its full path, quoted so
// that any path survives the Exec rules; with a data folder, started on that
// folder (--data-dir), as it was given when the entry was written.
std::string autostartEntryText(const std::filesystem::path& executable,
                               const std::filesystem::path& dataFolder = {});

// The running program's executable: /proc/self/exe without the " (deleted)"
// that the kernel adds once a package upgrade has replaced the file, so that
// the entry starts the installed program, not a name that no longer exists.
std::filesystem::path runningExecutable();

// Where "开机自启动" puts the desktop's autostart entry, and the program it
// starts. Empty (the default): the desktop offers none, and nothing is written;
// tests name a folder of their own.
struct AutostartPlaces {
    std::filesystem::path folder;
    std::filesystem::path executable;
    // The data folder the program was told to use (--data-dir,
    // QINGHE_DATA_DIR), passed on by the entry; empty when the program finds
    // its folder by itself.
    std::filesystem::path dataFolder;

    // The user's autostart folder and the running program, on `dataFolder`.
    static AutostartPlaces ofThisProgram(std::filesystem::path dataFolder = {});
    // The entry's file.
    std::filesystem::path entry() const;
};

// Writes the entry (creating the folder) or removes it. True when the entry is
// there, or gone, afterwards.
[[nodiscard]] bool setAutostart(const std::filesystem::path& autostartFolder,
                                const std::filesystem::path& executable, bool enabled,
                                const std::filesystem::path& dataFolder = {});

}  // namespace qinghe
