#include "config/autostart.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "config/ini_file.h"

namespace qinghe {

namespace fs = std::filesystem;

namespace {

constexpr char kEntryFileName[] = "qinghe.desktop";
// UTF-8, as desktop entries are.
constexpr char kEntryName[] = "青禾 家庭流水记账软件";

// The Exec value for one argument. Readers first undo the string escapes
// (\\ \n \t \r), then split the line like a shell, then expand % field codes;
// so the argument is quoted, its " ` $ \ escaped, % doubled, and the result
// string-escaped.
std::string execValue(std::string_view argument) {
    std::string quoted = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    quoted += '"';

    std::string value;
    for (const char c : quoted) {
        switch (c) {
            case '\\':
                value += "\\\\";
                break;
            case '\n':
                value += "\\n";
                break;
            case '\t':
                value += "\\t";
                break;
            case '\r':
                value += "\\r";
                break;
            default:
                value += c;
        }
    }
    return value;
}

fs::path homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return {};
}

}  // namespace

fs::path defaultAutostartFolder() {
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    if (const char* config = std::getenv("XDG_CONFIG_HOME");
        config != nullptr && config[0] == '/') {
        return fs::path(config) / "autostart";
    }
    const fs::path home = homeFolder();
    if (home.empty()) return {};
    return home / ".config" / "autostart";
}

std::string autostartEntryText(const fs::path& executable, const fs::path& dataFolder) {
    std::string text = "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += "Name=";
    text += kEntryName;
    text += "\n";
    text += "Exec=" + execValue(executable.native());
    if (!dataFolder.empty()) text += " --data-dir " + execValue(dataFolder.native());
    text += "\n";
    text += "Terminal=false\n";
    text += "X-GNOME-Autostart-enabled=true\n";
    return text;
}

fs::path runningExecutable() {
    std::error_code ec;
    std::string path = fs::read_symlink("/proc/self/exe", ec).native();
    if (ec) return {};
    constexpr std::string_view kDeleted = " (deleted)";
    if (path.size() > kDeleted.size() && path.ends_with(kDeleted))
        path.resize(path.size() - kDeleted.size());
    return path;
}

AutostartPlaces AutostartPlaces::ofThisProgram(fs::path dataFolder) {
    return {defaultAutostartFolder(), runningExecutable(), std::move(dataFolder)};
}

fs::path AutostartPlaces::entry() const {
    return folder.empty() ? fs::path() : folder / kEntryFileName;
}

bool setAutostart(const fs::path& autostartFolder, const fs::path& executable, bool enabled,
                  const fs::path& dataFolder) {
    if (autostartFolder.empty()) return false;
    const fs::path entry = autostartFolder / kEntryFileName;
    std::error_code ec;
    if (!enabled) {
        fs::remove(entry, ec);
        return !ec;
    }
    if (executable.empty()) return false;
    fs::create_directories(autostartFolder, ec);
    if (ec) return false;
    return writeFileWhole(entry, autostartEntryText(executable, dataFolder));
}

}  // namespace qinghe
