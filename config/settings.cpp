#include "config/settings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <system_error>
#include <utility>

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
constexpr char kLastBackupKey[] = "lastbackup";
constexpr char kBackupKeepKey[] = "backupkeep";

struct IntegerKey {
    const char* name;
    std::int32_t Settings::*field;
};

// system.ini in the order its keys are written and read; lastbackup follows.
constexpr IntegerKey kSystemKeys[] = {
    {"qsy", &Settings::qsy},
    {"sjzd", &Settings::sjzd},
    {"kjzqd", &Settings::kjzqd},
    {"qdhqhdht", &Settings::qdhqhdht},
    {"kxzdsd", &Settings::kxzdsd},
    {"sdjg", &Settings::sdjg},
    {"backupmode", &Settings::backupmode},
    {"backuptime", &Settings::backuptime},
};

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
    FreshIniFile file;
    for (const IntegerKey& key : kSystemKeys) {
        file.set(kSetupSection, key.name, integerToText(settings.*key.field));
    }
    file.set(kSetupSection, kLastBackupKey, dateToText(settings.lastBackup));
    if (settings.backupKeep != kDefaultBackupsKept) {
        file.set(kSetupSection, kBackupKeepKey, integerToText(settings.backupKeep));
    }
    return file.writeTo(systemIniFile(run));
}

void loadSystemIni(const RunDirectory& run, const Clock& clock, Settings& settings) {
    const fs::path file = systemIniFile(run);
    // Defaults that cannot be written still hold for this run; the setting
    // controls tell of their own failed writes.
    if (!fileExists(file)) static_cast<void>(writeDefaultSettings(run, clock));
    const IniDocument document = readIniDocument(file);
    const Settings defaults;
    for (const IntegerKey& key : kSystemKeys) {
        settings.*key.field = textToInteger(
            readText(document, kSetupSection, key.name, integerToText(defaults.*key.field)));
    }
    settings.lastBackup =
        textToDate(readText(document, kSetupSection, kLastBackupKey, dateToText(clock.now())));
    settings.backupKeep = backupsKeptFrom(textToInteger(
        readText(document, kSetupSection, kBackupKeepKey, integerToText(kDefaultBackupsKept))));
}

void loadItemLists(const RunDirectory& run, Settings& settings) {
    settings.incomeItems.clear();
    settings.expenseItems.clear();
    const fs::path file = itemsIniFile(run);
    if (!fileExists(file)) {
        FreshIniFile fresh;
        fresh.set(kIncomeSection, kCountKey, "0");
        fresh.set(kExpenseSection, kCountKey, "0");
        fresh.writeTo(file);
    }
    const IniDocument document = readIniDocument(file);
    settings.incomeItems = readNameList(document, kIncomeSection);
    settings.expenseItems = readNameList(document, kExpenseSection);
}

void loadInitialBalance(const RunDirectory& run, const Clock& clock, Settings& settings) {
    const fs::path file = balanceIniFile(run);
    const std::string today = dateToText(clock.now());
    if (!fileExists(file)) {
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

void loadMemberList(const RunDirectory& run, Settings& settings) {
    settings.members.clear();
    const fs::path file = membersIniFile(run);
    if (!fileExists(file)) {
        FreshIniFile fresh;
        fresh.set(kMemberSection, kCountKey, "0");
        fresh.writeTo(file);
    }
    settings.members = readNameList(readIniDocument(file), kMemberSection);
}

bool writeSystemKey(const RunDirectory& run, std::string_view key, std::int32_t value) {
    makeSetupFolder(run);
    return writeIniString(systemIniFile(run), kSetupSection, key, integerToText(value));
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

Settings loadSettings(const RunDirectory& run, const Clock& clock) {
    Settings settings;
    makeSetupFolder(run);
    loadSystemIni(run, clock, settings);
    loadItemLists(run, settings);
    loadInitialBalance(run, clock, settings);
    loadMemberList(run, settings);
    return settings;
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

bool setWelcomeHidden(const RunDirectory& run, Settings& settings, bool ticked) {
    settings.qsy = ticked ? 0 : 1;
    return writeSystemKey(run, "qsy", settings.qsy);
}

bool setVisualGuidance(const RunDirectory& run, Settings& settings, bool ticked) {
    settings.sjzd = ticked ? 1 : 0;
    return writeSystemKey(run, "sjzd", settings.sjzd);
}

bool setStartWithComputer(const RunDirectory& run, Settings& settings, bool ticked) {
    settings.kjzqd = ticked ? 1 : 0;
    return writeSystemKey(run, "kjzqd", settings.kjzqd);
}

bool setStartInBackground(const RunDirectory& run, Settings& settings, bool ticked) {
    settings.qdhqhdht = ticked ? 1 : 0;
    return writeSystemKey(run, "qdhqhdht", settings.qdhqhdht);
}

bool setIdleLock(const RunDirectory& run, Settings& settings, bool ticked) {
    settings.kxzdsd = ticked ? 1 : 0;
    return writeSystemKey(run, "kxzdsd", settings.kxzdsd);
}

bool setIdleMinutesText(const RunDirectory& run, Settings& settings, std::string_view text) {
    const std::int32_t typed = textToInteger(text);
    // The most negative integer has no positive twin; it means "very long" as well.
    settings.sdjg = typed == std::numeric_limits<std::int32_t>::min()
                        ? std::numeric_limits<std::int32_t>::max()
                        : std::abs(typed);
    return writeSystemKey(run, "sdjg", settings.sdjg);
}

bool setBackupSettings(const RunDirectory& run, Settings& settings, std::int32_t mode,
                       std::int32_t days) {
    settings.backupmode = mode;
    settings.backuptime = days;
    const bool modeWritten = writeSystemKey(run, "backupmode", mode);
    return writeSystemKey(run, "backuptime", days) && modeWritten;
}

std::int32_t backupsKeptFrom(std::int32_t stored) {
    if (stored <= 0) return kDefaultBackupsKept;
    return std::clamp(stored, kFewestBackupsKept, kMostBackupsKept);
}

std::int32_t readBackupsKept(const RunDirectory& run) {
    return backupsKeptFrom(textToInteger(readIniString(
        systemIniFile(run), kSetupSection, kBackupKeepKey, integerToText(kDefaultBackupsKept))));
}

bool setBackupsKept(const RunDirectory& run, Settings& settings, std::int32_t kept) {
    settings.backupKeep = backupsKeptFrom(kept);
    return writeSystemKey(run, kBackupKeepKey, settings.backupKeep);
}

bool recordLastBackup(const RunDirectory& run, Settings* settings, double date) {
    const std::string text = dateToText(date);
    if (settings != nullptr) settings->lastBackup = textToDate(text);
    const fs::path file = systemIniFile(run);
    if (!fileExists(file)) return true;
    return writeIniString(file, kSetupSection, kLastBackupKey, text);
}

bool restoreDefaultSettings(const RunDirectory& run) {
    return deleteFolderTree(setupFolder(run), run.root());
}

}  // namespace qinghe
