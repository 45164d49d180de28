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

// Writes the entry (creating the folder) or removes it. True when the entry is
// there, or gone, afterwards.
bool setAutostart(const std::filesystem::path& autostartFolder,
                  const std::filesystem::path& executable, bool enabled);

}  // namespace qinghe
