#pragma once

#include <string>

#include "common/clock.h"
#include "common/run_directory.h"
#include "config/settings.h"
#include "maintenance/backup.h"
#include "maintenance/folder_operations.h"
#include "maintenance/generations.h"
#include "maintenance/restore.h"
#include "session/app_state.h"

namespace qinghe::maintenance {

// makeBackup keeping the generations of the settings in memory (`settings`)
// or, before they are loaded, of system.ini; lastbackup is written whenever
// the backup completes, in memory too when given.
BackupOutcome backUpAndRecord(FolderOperations& ops, const RunDirectory& run, const Clock& clock,
                              Settings* settings);

// When the program backs up.
enum class BackupMoment {
    Start,     // before the login, the settings not loaded yet
    Exit,      // every table closed
    Periodic,  // while the program runs, "定期自动备份"
    OnDemand,  // "现在就立即备份！"
};

// A backup of the program's: behind the progress window (not at exit), the
// changes open tables hold put into their files first. One that did not
// complete is told in one message saying why and what to do; on demand a
// completed one is told too.
BackupOutcome backUpAt(AppState& state, FolderOperations& ops, BackupMoment moment);

// The message that tells why a backup did not complete.
const std::string& backupFailureText(BackupFailure failure);

// A restore of `chosen` once the user has confirmed it. With `keepData` the
// data as it is becomes a generation first, so that the restore can be
// undone (NoSafetyGeneration, with nothing changed, when it cannot), and
// lastbackup is written as for any backup. Without, the data as it is goes.
RestoreOutcome restoreChosen(FolderOperations& ops, const RunDirectory& run, const Clock& clock,
                             Settings* settings, const Generation& chosen, bool keepData);

// Whether a periodic backup is due on `today`: mode "定期自动备份" with an
// interval of at least one day, and lastbackup that many days ago or more (or
// in the future, which no backup can have been made on).
bool periodicBackupDue(const Settings& settings, double today);

// "数据库备份...": the dialog "备份数据库" with the mode, the interval in days and
// the generations kept. "确定" stores all three in memory and system.ini; "取消"
// changes nothing. Its button "现在就立即备份！" runs backUpNow.
void runBackupDialog(AppState& state, FolderOperations& ops);

// "现在就立即备份！": backUpAt on demand. True when the backup completed.
bool backUpNow(AppState& state, FolderOperations& ops);

// "数据库还原...": after the password (when needpass is 1), the choice of a
// generation (the latest first) and the confirmation, every table is closed,
// a generation of the current data is made (so the restore can be undone)
// and the chosen one is copied into place; the user store and the settings
// stay. True when the program must now end (the main window closes without a
// question, as on exit): the restore is done, or complete on the disk and
// finished by the next start, and the user has been told which.
bool restoreBackup(AppState& state, FolderOperations& ops);

// "初始化数据库...": after the password (when needpass is 1) and the warning,
// every table is closed, a generation of the current data is made and the
// ledgers and their entries are deleted; the user store, the settings and
// every backup generation stay. True when the program must now end (done, or
// decided and finished by the next start; the user has been told which).
bool initialiseDatabase(AppState& state, FolderOperations& ops);

// "还原默认设定..." of the settings page: restoreDefaults, whose settings are
// kept first in a backup generation of the data and the settings as they
// are (the changes of open tables written first), which "数据库还原..." brings
// back. When that backup fails the user decides whether to go on. True when
// the settings were reset (the program has been told to end).
bool resetSettings(AppState& state, FolderOperations& ops);

}  // namespace qinghe::maintenance
