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
// that any path survives the Exec rules.
std::string autostartEntryText(const std::filesystem::path& executable);

// Where "开机自启动" puts the desktop's autostart entry, and the program it
// starts. Empty (the default): the desktop offers none, and nothing is written;
// tests name a folder of their own.
struct AutostartPlaces {
    std::filesystem::path folder;
    std::filesystem::path executable;

    // The user's autostart folder and the running program.
    static AutostartPlaces ofThisProgram();
    // The entry's file.
    std::filesystem::path entry() const;
};

// Writes the entry (creating the folder) or removes it. True when the entry is
// there, or gone, afterwards.
[[nodiscard]] bool setAutostart(const std::filesystem::path& autostartFolder,
                                const std::filesystem::path& executable, bool enabled);

}  // namespace qinghe
