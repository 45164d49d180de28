#include "config/settings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <system_error>
#include <utility>
#include <variant>

#include "common/folders.h"
#include "common/number_text.h"
#include "common/ole_date.h"
#include "config/ini_file.h"

namespace qinghe {

namespace fs = std::filesystem;

namespace {

constexpr char kSetupSection[] = "setup";
constexpr char kIncomeSection[] = "list1";
constexpr char kExpenseSection[] = "list2";
constexpr char kMemberSection[] = "list";
constexpr char kCountKey[] = "number";
constexpr char kStartDateKey[] = "firstdata";
constexpr char kAmountKey[] = "firstmoney";

// A member of the settings that system.ini keeps.
using SettingMember = std::variant<bool Settings::*, std::int32_t Settings::*,
                                   BackupMode Settings::*, double Settings::*>;

struct SettingKey {
    const char* name;
    SettingMember member;
    // Written only when it is not the default (a default file keeps the nine
    // keys it has always had).
    bool onlyWhenChanged = false;
    // Kept by the program for itself, not chosen by the user: a change of it
    // alone does not make the settings count as changed for a backup.
    bool programState = false;
};

// system.ini, section "setup": every member, its key, in the order a whole file
// is written and read. A missing key reads as the member's default (its value
// in a Settings made fresh; the day of the start for lastbackup).
constexpr SettingKey kSystemKeys[] = {
    {"qsy", &Settings::startupGuide},            // 以后不再显示欢迎页面 (ticked: off)
    {"sjzd", &Settings::visualGuidance},         // 启用视觉使用指导
    {"kjzqd", &Settings::startWithComputer},     // 开机自启动
    {"qdhqhdht", &Settings::startInBackground},  // 启动后切换到后台
    {"kxzdsd", &Settings::idleLock},             // 空闲一段时间后自动锁定
    {"sdjg", &Settings::idleMinutes},            // 空闲时长
    {"backupmode", &Settings::backupMode},       // the backup dialog's mode
    {"backuptime", &Settings::backupDays},       // and its days
    {"lastbackup", &Settings::lastBackup, false, true},
    {"backupkeep", &Settings::backupKeep, true},
    {"winx", &Settings::windowX, true, true},  // the main window's place and size
    {"winy", &Settings::windowY, true, true},
    {"winwidth", &Settings::windowWidth, true, true},
    {"winheight", &Settings::windowHeight, true, true},
    {"winmax", &Settings::windowMaximized, true, true},
};

const char* keyOf(const SettingMember& member) {
    for (const SettingKey& key : kSystemKeys) {
        if (key.member == member) return key.name;
    }
    return nullptr;
}

// The stored forms: a flag 1 or 0, integers in decimal, the backup mode its
// index, a day count as a date.
std::string storedText(bool on) {
    return on ? "1" : "0";
}
std::string storedText(std::int32_t value) {
    return integerToText(value);
}
std::string storedText(BackupMode mode) {
    return integerToText(static_cast<std::int32_t>(mode));
}
std::string storedText(double day) {
    return dateToText(day);
}

// What a stored text reads as: a value that is not a number as 0, so a flag
// that is not 1 as off.
void readStored(std::string_view text, bool& on) {
    on = textToInteger(text) == 1;
}
void readStored(std::string_view text, std::int32_t& value) {
    value = textToInteger(text);
}
void readStored(std::string_view text, BackupMode& mode) {
    mode = backupModeFromStored(textToInteger(text));
}
void readStored(std::string_view text, double& day) {
    day = textToDate(text);
}

std::string storedText(const Settings& settings, const SettingMember& member) {
    return std::visit([&](auto field) { return storedText(settings.*field); }, member);
}

void makeSetupFolder(const RunDirectory& run) {
    // makeDirectoryPath stops at "." and ".." and wants an absolute path.
    std::error_code ec;
    const fs::path folder = fs::absolute(setupFolder(run), ec).lexically_normal();
    if (!ec) makeDirectoryPath(folder.string());
}

bool fileExists(const fs::path& file) {
    std::error_code ec;
    return fs::exists(file, ec);
}

// A file built in memory from nothing, as deleting it and writing key by key
// would leave it, and then written at once. A key that cannot be stored is
// left out (as its own write would fail) and makes the result false.
// Each key is set once; the sections are laid out in the order they were
// first set.
class FreshIniFile {
  public:
    void set(std::string_view section, std::string_view key, std::string_view value) {
        auto found = std::find_if(sections_.begin(), sections_.end(),
                                  [&](const auto& held) { return held.first == section; });
        if (found == sections_.end())
            found = sections_.insert(sections_.end(), {std::string(section), {}});
        found->second.emplace_back(key, value);
    }
    bool writeTo(const fs::path& file) const {
        IniDocument document;
        bool complete = true;
        for (const auto& [section, keys] : sections_) {
            if (!document.appendSection(section, keys)) complete = false;
        }
        return writeIniDocument(file, document) && complete;
    }

  private:
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> sections_;
};

std::string readText(const IniDocument& document, std::string_view section, std::string_view key,
                     std::string_view fallback) {
    std::optional<std::string> value = document.value(section, key);
    return value ? std::move(*value) : std::string(fallback);
}

// The position a list key names when reading "1", "2", ... in turn would find
// it: only the plain decimal spelling ("01" and "+1" are other keys).
std::optional<std::int32_t> listPosition(std::string_view key) {
    constexpr std::size_t kMaxDigits = 10;
    if (key.empty() || key.size() > kMaxDigits || key.front() == '0') return std::nullopt;
    std::int64_t position = 0;
    for (const char c : key) {
        if (c < '0' || c > '9') return std::nullopt;
        position = position * 10 + (c - '0');
    }
    if (position > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    return static_cast<std::int32_t>(position);
}

// The non-empty values of keys "1".."number" in that order. Only the keys that
// exist are looked at, so a damaged `number` of two thousand million costs no
// more than the file's size.
std::vector<std::string> readNameList(const IniDocument& document, std::string_view section) {
    const std::int32_t count = textToInteger(readText(document, section, kCountKey, "0"));
    std::vector<std::pair<std::int32_t, std::string>> found;
    for (auto& [key, value] : document.entries(section)) {
        const std::optional<std::int32_t> position = listPosition(key);
        if (position && *position <= count && !value.empty()) {
            found.emplace_back(*position, std::move(value));
        }
    }
    // Keys are distinct, so are their positions.
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> names;
    names.reserve(found.size());
    for (auto& entry : found) names.push_back(std::move(entry.second));
    return names;
}

void setNameList(FreshIniFile& file, std::string_view section,
                 const std::vector<std::string>& names, bool skipEmpty) {
    file.set(section, kCountKey, integerToText(static_cast<std::int64_t>(names.size())));
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (skipEmpty && names[i].empty()) continue;
        file.set(section, integerToText(static_cast<std::int64_t>(i + 1)), names[i]);
    }
}

bool writeSystemIni(const RunDirectory& run, const Settings& settings) {
    makeSetupFolder(run);
    const Settings defaults;
    FreshIniFile file;
    for (const SettingKey& key : kSystemKeys) {
        const std::string text = storedText(settings, key.member);
        if (key.onlyWhenChanged && text == storedText(defaults, key.member)) continue;
        file.set(kSetupSection, key.name, text);
    }
    return file.writeTo(systemIniFile(run));
}

// Each loader writes its file with the defaults when it is missing, when told
// to; a missing file reads as those defaults either way.
enum class Missing { Written, LeftAlone };

void loadSystemIni(const RunDirectory& run, const Clock& clock, Settings& settings,
                   Missing missing) {
    const fs::path file = systemIniFile(run);
    // Defaults that cannot be written still hold for this run; the setting
    // controls tell of their own failed writes.
    if (missing == Missing::Written && !fileExists(file))
        static_cast<void>(writeDefaultSettings(run, clock));
    const IniDocument document = readIniDocument(file);
    Settings defaults;
    defaults.lastBackup = clock.now();
    for (const SettingKey& key : kSystemKeys) {
        std::visit(
            [&](auto field) {
                readStored(readText(document, kSetupSection, key.name, storedText(defaults.*field)),
                           settings.*field);
            },
            key.member);
    }
    settings.backupKeep = backupsKeptFrom(settings.backupKeep);
}

void loadItemLists(const RunDirectory& run, Settings& settings, Missing missing) {
    settings.incomeItems.clear();
    settings.expenseItems.clear();
    const fs::path file = itemsIniFile(run);
    if (missing == Missing::Written && !fileExists(file)) {
        FreshIniFile fresh;
        fresh.set(kIncomeSection, kCountKey, "0");
        fresh.set(kExpenseSection, kCountKey, "0");
        fresh.writeTo(file);
    }
    const IniDocument document = readIniDocument(file);
    settings.incomeItems = readNameList(document, kIncomeSection);
    settings.expenseItems = readNameList(document, kExpenseSection);
}

void loadInitialBalance(const RunDirectory& run, const Clock& clock, Settings& settings,
                        Missing missing) {
    const fs::path file = balanceIniFile(run);
    const std::string today = dateToText(clock.now());
    if (missing == Missing::Written && !fileExists(file)) {
        FreshIniFile fresh;
        fresh.set(kSetupSection, kStartDateKey, today);
        fresh.set(kSetupSection, kAmountKey, "0");
        fresh.writeTo(file);
    }
    const IniDocument document = readIniDocument(file);
    settings.startDate = textToDate(readText(document, kSetupSection, kStartDateKey, today));
    const double amount = textToNumber(readText(document, kSetupSection, kAmountKey, "0"));
    // A number beyond the double range is no amount; like other non-numbers it reads as 0.
    settings.initialAmount = std::isfinite(amount) ? amount : 0.0;
}

void loadMemberList(const RunDirectory& run, Settings& settings, Missing missing) {
    settings.members.clear();
    const fs::path file = membersIniFile(run);
    if (missing == Missing::Written && !fileExists(file)) {
        FreshIniFile fresh;
        fresh.set(kMemberSection, kCountKey, "0");
        fresh.writeTo(file);
    }
    settings.members = readNameList(readIniDocument(file), kMemberSection);
}

// One member's key, written alone.
bool writeSetting(const RunDirectory& run, const Settings& settings, SettingMember member) {
    makeSetupFolder(run);
    return writeIniString(systemIniFile(run), kSetupSection, keyOf(member),
                          storedText(settings, member));
}

}  // namespace

fs::path setupFolder(const RunDirectory& run) {
    return run.below("\\setup");
}

fs::path systemIniFile(const RunDirectory& run) {
    return setupFolder(run) / "system.ini";
}
fs::path itemsIniFile(const RunDirectory& run) {
    return setupFolder(run) / "szxm.ini";
}
fs::path balanceIniFile(const RunDirectory& run) {
    return setupFolder(run) / "csrqje.ini";
}
fs::path membersIniFile(const RunDirectory& run) {
    return setupFolder(run) / "jtcy.ini";
}

namespace {

Settings load(const RunDirectory& run, const Clock& clock, Missing missing) {
    Settings settings;
    if (missing == Missing::Written) makeSetupFolder(run);
    loadSystemIni(run, clock, settings, missing);
    loadItemLists(run, settings, missing);
    loadInitialBalance(run, clock, settings, missing);
    loadMemberList(run, settings, missing);
    return settings;
}

}  // namespace

Settings loadSettings(const RunDirectory& run, const Clock& clock) {
    return load(run, clock, Missing::Written);
}

Settings readSettings(const RunDirectory& run, const Clock& clock) {
    return load(run, clock, Missing::LeftAlone);
}

bool writeDefaultSettings(const RunDirectory& run, const Clock& clock) {
    Settings defaults;
    defaults.lastBackup = clock.now();
    return writeSystemIni(run, defaults);
}

bool saveSettings(const RunDirectory& run, const Settings& settings) {
    return writeSystemIni(run, settings);
}

bool saveItemLists(const RunDirectory& run, const Settings& settings) {
    makeSetupFolder(run);
    FreshIniFile file;
    setNameList(file, kIncomeSection, settings.incomeItems, false);
    setNameList(file, kExpenseSection, settings.expenseItems, false);
    return file.writeTo(itemsIniFile(run));
}

bool saveMemberList(const RunDirectory& run, const Settings& settings) {
    makeSetupFolder(run);
    FreshIniFile file;
    setNameList(file, kMemberSection, settings.members, true);
    return file.writeTo(membersIniFile(run));
}

bool saveInitialBalance(const RunDirectory& run, const Settings& settings) {
    makeSetupFolder(run);
    FreshIniFile file;
    file.set(kSetupSection, kStartDateKey, dateToText(settings.startDate));
    file.set(kSetupSection, kAmountKey, shortestNumberText(settings.initialAmount));
    return file.writeTo(balanceIniFile(run));
}

BackupMode backupModeFromStored(std::int32_t stored) {
    switch (stored) {
        case static_cast<std::int32_t>(BackupMode::Periodic):
        case static_cast<std::int32_t>(BackupMode::AtStart):
        case static_cast<std::int32_t>(BackupMode::AtExit):
            return static_cast<BackupMode>(stored);
        default:
            return BackupMode::ByHand;
    }
}

bool setWelcomeHidden(const RunDirectory& run, Settings& settings, bool ticked) {
    settings.startupGuide = !ticked;
    return writeSetting(run, settings, &Settings::startupGuide);
}

bool setVisualGuidance(const RunDirectory& run, Settings& settings, bool ticked) {
    settings.visualGuidance = ticked;
    return writeSetting(run, settings, &Settings::visualGuidance);
}

bool setStartWithComputer(const RunDirectory& run, Settings& settings, bool ticked) {
    settings.startWithComputer = ticked;
    return writeSetting(run, settings, &Settings::startWithComputer);
}

bool setStartInBackground(const RunDirectory& run, Settings& settings, bool ticked) {
    settings.startInBackground = ticked;
    return writeSetting(run, settings, &Settings::startInBackground);
}

bool setIdleLock(const RunDirectory& run, Settings& settings, bool ticked) {
    settings.idleLock = ticked;
    return writeSetting(run, settings, &Settings::idleLock);
}

bool setIdleMinutesText(const RunDirectory& run, Settings& settings, std::string_view text) {
    const std::int32_t typed = textToInteger(text);
    // The most negative integer has no positive twin; it means "very long" as well.
    settings.idleMinutes = typed == std::numeric_limits<std::int32_t>::min()
                               ? std::numeric_limits<std::int32_t>::max()
                               : std::abs(typed);
    return writeSetting(run, settings, &Settings::idleMinutes);
}

bool setBackupSettings(const RunDirectory& run, Settings& settings, BackupMode mode,
                       std::int32_t days) {
    settings.backupMode = mode;
    settings.backupDays = days;
    const bool modeWritten = writeSetting(run, settings, &Settings::backupMode);
    return writeSetting(run, settings, &Settings::backupDays) && modeWritten;
}

std::int32_t backupsKeptFrom(std::int32_t stored) {
    if (stored <= 0) return kDefaultBackupsKept;
    return std::clamp(stored, kFewestBackupsKept, kMostBackupsKept);
}

std::int32_t readBackupsKept(const RunDirectory& run) {
    return backupsKeptFrom(
        textToInteger(readIniString(systemIniFile(run), kSetupSection, keyOf(&Settings::backupKeep),
                                    storedText(kDefaultBackupsKept))));
}

bool setBackupsKept(const RunDirectory& run, Settings& settings, std::int32_t kept) {
    settings.backupKeep = backupsKeptFrom(kept);
    return writeSetting(run, settings, &Settings::backupKeep);
}

bool recordLastBackup(const RunDirectory& run, Settings* settings, double date) {
    const std::string text = storedText(date);
    if (settings != nullptr) readStored(text, settings->lastBackup);
    const fs::path file = systemIniFile(run);
    if (!fileExists(file)) return true;
    return writeIniString(file, kSetupSection, keyOf(&Settings::lastBackup), text);
}

WindowPlace windowPlace(const Settings& settings) {
    return {settings.windowX, settings.windowY, settings.windowWidth, settings.windowHeight,
            settings.windowMaximized};
}

bool setWindowPlace(const RunDirectory& run, Settings& settings, const WindowPlace& place) {
    if (place == windowPlace(settings)) return true;
    settings.windowX = place.x;
    settings.windowY = place.y;
    settings.windowWidth = place.width;
    settings.windowHeight = place.height;
    settings.windowMaximized = place.maximized;
    // Key by key, so that the file keeps whatever else it holds.
    bool written = true;
    for (const SettingMember member :
         {SettingMember(&Settings::windowX), SettingMember(&Settings::windowY),
          SettingMember(&Settings::windowWidth), SettingMember(&Settings::windowHeight),
          SettingMember(&Settings::windowMaximized)}) {
        written = writeSetting(run, settings, member) && written;
    }
    return written;
}

bool restoreDefaultSettings(const RunDirectory& run) {
    return deleteFolderTree(setupFolder(run), run.root());
}

bool isProgramStateKey(std::string_view key) {
    for (const SettingKey& known : kSystemKeys) {
        if (known.programState && key == known.name) return true;
    }
    return false;
}

}  // namespace qinghe
