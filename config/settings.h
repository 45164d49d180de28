#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.h"
#include "common/run_directory.h"

namespace qinghe {

// Backup generations kept (system.ini key "backupkeep"): the latest and the
// older ones beside it. Fewer than two could not outlive a start after a
// mistake, since every start makes a backup.
inline constexpr std::int32_t kDefaultBackupsKept = 5;
inline constexpr std::int32_t kFewestBackupsKept = 2;
inline constexpr std::int32_t kMostBackupsKept = 99;

// When a backup is made beside the one every start makes (system.ini key
// "backupmode": the index of its choice in the backup dialog).
enum class BackupMode : std::int32_t {
    Periodic = 0,  // 定期自动备份: every backupDays days
    AtStart = 1,   // 每次启动时备份
    AtExit = 2,    // 每次退出时备份
    ByHand = 3,    // 手动备份
};
// A stored backup mode. A value that names none makes no backup at a moment
// of its own, as 手动备份: it reads as that.
BackupMode backupModeFromStored(std::int32_t stored);

// The settings of one run, loaded once at start-up from the four files below
// run directory + "\setup\". Names are GBK bytes. The default values are those
// of a fresh installation.
struct Settings {
    // system.ini, section "setup", each under its key (settings.cpp has the
    // table): a flag is stored as 1 or 0 and is on only when it reads 1.
    bool startupGuide = true;        // qsy: start on the welcome page, else on the ledger page
    bool visualGuidance = true;      // sjzd: hover tips on lists and entry windows
    bool startWithComputer = false;  // kjzqd
    bool startInBackground = false;  // qdhqhdht: stay in the tray after start-up
    bool idleLock = false;           // kxzdsd: lock after an idle period
    std::int32_t idleMinutes = 0;    // sdjg: the idle period; the lock needs > 0
    BackupMode backupMode = BackupMode::Periodic;  // backupmode
    std::int32_t backupDays = 0;                   // backuptime: the periodic backup's interval
    double lastBackup = 0;  // lastbackup, a day count; written whenever a backup completes
    // backupkeep: backup generations kept; written after lastbackup, and only
    // when it is not the default, so a default file keeps its nine keys.
    std::int32_t backupKeep = kDefaultBackupsKept;

    // Where the main window was left: its place and size on the desktop (the
    // size without its frame) and whether it was maximised; each written only
    // when it is not the default (the place and size the window is drawn at).
    std::int32_t windowX = 50;        // winx
    std::int32_t windowY = 50;        // winy
    std::int32_t windowWidth = 800;   // winwidth
    std::int32_t windowHeight = 613;  // winheight
    bool windowMaximized = false;     // winmax

    // szxm.ini sections "list1" and "list2", jtcy.ini section "list"
    std::vector<std::string> incomeItems;
    std::vector<std::string> expenseItems;
    std::vector<std::string> members;

    // csrqje.ini, section "setup"
    double startDate = 0;      // day count, midnight
    double initialAmount = 0;  // kept whole, never cut to single precision
};

// run directory + "\setup": the folder of the four files.
std::filesystem::path setupFolder(const RunDirectory& run);
// The four files.
std::filesystem::path systemIniFile(const RunDirectory& run);
std::filesystem::path itemsIniFile(const RunDirectory& run);
std::filesystem::path balanceIniFile(const RunDirectory& run);
std::filesystem::path membersIniFile(const RunDirectory& run);

// Creates the setup folder, then reads system.ini, szxm.ini, csrqje.ini and
// jtcy.ini in that order, each first written with its defaults when it is
// missing. A missing key reads as its default, a value that is not a number as
// 0. A name list reads only the keys that exist, so any `number` loads at once.
Settings loadSettings(const RunDirectory& run, const Clock& clock);
// The same settings without writing anything (for tools that only read, or
// that must leave the setup folder as it is): a missing file reads as the
// defaults loadSettings would write.
Settings readSettings(const RunDirectory& run, const Clock& clock);

// Each of these replaces its whole file at once, with the same content that
// deleting it and writing key by key would leave: a crash never loses the file.
// False when it could not be written or a name could not be stored (a line
// break); the other keys are written all the same.

// Whether a key of system.ini is kept by the program for itself (lastbackup,
// the main window's place) rather than chosen by the user.
bool isProgramStateKey(std::string_view key);

// system.ini with the defaults, lastbackup = the clock's date.
[[nodiscard]] bool writeDefaultSettings(const RunDirectory& run, const Clock& clock);
// system.ini from memory.
[[nodiscard]] bool saveSettings(const RunDirectory& run, const Settings& settings);
// szxm.ini: `number` = count, then keys "1".."N", income in "list1", expense in "list2".
[[nodiscard]] bool saveItemLists(const RunDirectory& run, const Settings& settings);
// jtcy.ini: `number` = count; an empty name writes no key but keeps its position.
[[nodiscard]] bool saveMemberList(const RunDirectory& run, const Settings& settings);
// csrqje.ini: firstdata = the start date, firstmoney = the initial amount in the
// shortest text that reads back as exactly the same number.
[[nodiscard]] bool saveInitialBalance(const RunDirectory& run, const Settings& settings);

// The settings tab: each changes the value in memory at once (it may take
// effect before the write) and writes its own key to system.ini.

// "以后不再显示欢迎页面": the start-up guide is off when ticked.
[[nodiscard]] bool setWelcomeHidden(const RunDirectory& run, Settings& settings, bool ticked);
// "启用视觉使用指导".
[[nodiscard]] bool setVisualGuidance(const RunDirectory& run, Settings& settings, bool ticked);
// "开机自启动": the setting only; the autostart entry itself is setAutostart's.
[[nodiscard]] bool setStartWithComputer(const RunDirectory& run, Settings& settings, bool ticked);
// "启动后切换到后台".
[[nodiscard]] bool setStartInBackground(const RunDirectory& run, Settings& settings, bool ticked);
// "空闲一段时间后自动锁定".
[[nodiscard]] bool setIdleLock(const RunDirectory& run, Settings& settings, bool ticked);
// The idle-minutes box, on every change of its text: the magnitude of the
// integer read from it ("-15" gives 15, "" gives 0; the most negative integer
// gives the largest).
[[nodiscard]] bool setIdleMinutesText(const RunDirectory& run, Settings& settings,
                                      std::string_view text);
// The backup dialog's "确定": the mode, then the days.
[[nodiscard]] bool setBackupSettings(const RunDirectory& run, Settings& settings, BackupMode mode,
                                     std::int32_t days);

// The number of generations a stored backupkeep value stands for: nothing
// usable (0 or less) is the default, the rest is held within the limits.
std::int32_t backupsKeptFrom(std::int32_t stored);
// backupkeep as system.ini holds it now: the start-up backup runs before the
// settings are loaded. Reads only; a missing file gives the default.
std::int32_t readBackupsKept(const RunDirectory& run);
// The backup dialog's "确定": backupkeep (held within the limits).
[[nodiscard]] bool setBackupsKept(const RunDirectory& run, Settings& settings, std::int32_t kept);
// A backup completed on `date`: lastbackup := its date, in memory when
// `settings` is given, and in system.ini when that file exists (a missing one
// is written whole, with this date, by the next loadSettings).
[[nodiscard]] bool recordLastBackup(const RunDirectory& run, Settings* settings, double date);

// The main window's place as the program ends, in memory and, when it
// changed, in system.ini (a file written whole holds only those keys that
// are not their defaults).
struct WindowPlace {
    std::int32_t x = 50;
    std::int32_t y = 50;
    std::int32_t width = 800;
    std::int32_t height = 613;
    bool maximized = false;
    friend bool operator==(const WindowPlace&, const WindowPlace&) = default;
};
WindowPlace windowPlace(const Settings& settings);
[[nodiscard]] bool setWindowPlace(const RunDirectory& run, Settings& settings,
                                  const WindowPlace& place);

// "还原默认设定...": deletes the setup folder with everything in it; the next
// loadSettings writes all four files afresh. True when the folder is gone.
[[nodiscard]] bool restoreDefaultSettings(const RunDirectory& run);

}  // namespace qinghe
