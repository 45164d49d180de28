#include "maintenance/maintenance_actions.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "common/gbk.h"
#include "common/number_text.h"
#include "common/standard_messages.h"
#include "config/settings_actions.h"
#include "config/settings_texts.h"
#include "maintenance/backup_places.h"
#include "maintenance/generations.h"
#include "maintenance/maintenance_texts.h"
#include "maintenance/restore.h"
#include "session/password_check.h"
#include "tables/store_failures.h"

namespace qinghe::maintenance {

namespace {

constexpr int kModeCount = 4;

bool confirm(UserInteraction& user, std::string text, std::string title) {
    return user.showMessage({std::move(text), std::move(title), MessageIcon::Warning,
                             MessageButtons::OkCancel}) == MessageAnswer::Ok;
}

void tellDone(UserInteraction& user, const std::string& text) {
    user.showMessage(
        {text, maintenance_texts::kDoneTitle, MessageIcon::Information, MessageButtons::Ok});
}

bool passwordAllows(AppState& state) {
    return !state.needPass ||
           verifyPassword(state.user, state.loginPassword) == PasswordOutcome::Correct;
}

std::string sizeText(std::uint64_t bytes) {
    char text[32];
    if (bytes < 1024) {
        std::snprintf(text, sizeof text, "%llu B", static_cast<unsigned long long>(bytes));
    } else if (bytes < 1024 * 1024) {
        std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1024);
    } else if (bytes < std::uint64_t{1024} * 1024 * 1024) {
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024 * 1024));
    } else {
        std::snprintf(text, sizeof text, "%.2f GB",
                      static_cast<double>(bytes) / (1024.0 * 1024 * 1024));
    }
    return text;
}

// One row of the choice: date (and whether it is the latest), ledgers, size.
std::string choiceRow(const Generation& generation, const GenerationSize& size) {
    std::string row = dateTimeText(generation.created);
    if (generation.latest) row += maintenance_texts::kLatestMark;
    row += "\t" + integerToText(static_cast<std::int64_t>(size.ledgers)) +
           maintenance_texts::kLedgersUnit + "\t" + sizeText(size.bytes);
    return row;
}

// The choice: the row chosen as it opens, then a row per generation, newest
// first. Chosen is the newest that holds a ledger: after "初始化数据库" the
// newest ones hold none, and restoring one of them would bring nothing back.
std::optional<Generation> chooseGeneration(AppState& state, FolderOperations& ops,
                                           const std::vector<Generation>& generations) {
    FormRequest request{FormKind::RestoreChoice, {"0"}, {}};
    bool chosenYet = false;
    for (std::size_t i = 0; i < generations.size(); ++i) {
        const GenerationSize size = measureGeneration(ops, generations[i]);
        if (!chosenYet && size.ledgers > 0) {
            request.initial[0] = integerToText(static_cast<std::int64_t>(i));
            chosenYet = true;
        }
        request.initial.push_back(choiceRow(generations[i], size));
    }
    std::optional<Generation> chosen;
    state.user.runForm(request, [&](const std::vector<std::string>& fields) {
        if (fields.empty()) return false;
        const std::int32_t index = textToInteger(fields[0]);
        if (index < 0 || static_cast<std::size_t>(index) >= generations.size()) return false;
        chosen = generations[static_cast<std::size_t>(index)];
        return true;
    });
    return chosen;
}

// When the data could not be backed up before a restore or an
// initialisation, the user decides whether to go on without it. True to go on.
bool goOnWithoutBackup(AppState& state, const BackupOutcome& outcome, const std::string& question) {
    return outcome.complete || confirm(state.user, question, texts::kErrorTitle);
}

// Before a restore or an initialisation: no table open on the files they
// replace. A ledger that was open opens again on its next use should the
// operation be given up.
void closeEverything(AppState& state) {
    tables::closeAllTables(state.tables, state.user);
}

}  // namespace

BackupOutcome backUpAndRecord(FolderOperations& ops, const RunDirectory& run, const Clock& clock,
                              Settings* settings) {
    BackupOutcome outcome =
        makeBackup(ops, run, clock, settings ? settings->backupKeep : readBackupsKept(run));
    // A stale lastbackup only brings the periodic backup early.
    if (outcome.complete) outcome.lastBackupWritten = recordLastBackup(run, settings, clock.now());
    return outcome;
}

const std::string& backupFailureText(BackupFailure failure) {
    switch (failure) {
        case BackupFailure::DataUnreadable:
            return maintenance_texts::kBackupDataUnreadable;
        case BackupFailure::RestoreUnfinished:
            return maintenance_texts::kBackupBlockedByRestore;
        case BackupFailure::InitialisationUnfinished:
            return maintenance_texts::kBackupBlockedByInitialise;
        case BackupFailure::None:
        case BackupFailure::WriteFailed:
            break;
    }
    return maintenance_texts::kBackupFailed;
}

BackupOutcome backUpAt(AppState& state, FolderOperations& ops, BackupMoment moment) {
    // Before the login the settings are not loaded: system.ini says how many
    // generations are kept, and lastbackup is written there alone.
    Settings* settings = moment == BackupMoment::Start ? nullptr : &state.settings;
    BackupOutcome outcome;
    const auto backUp = [&] {
        // The changes of open tables go into the files the backup copies.
        if (state.tables.checkpoint())
            outcome = backUpAndRecord(ops, state.run, state.clock, settings);
    };
    if (moment == BackupMoment::Exit) {
        backUp();
    } else {
        state.user.runWithProgress(maintenance_texts::kBackupProgress, backUp);
    }
    if (!outcome.complete) {
        showError(state.user, backupFailureText(outcome.failure));
    } else if (moment == BackupMoment::OnDemand) {
        tellDone(state.user, maintenance_texts::kBackupDone);
    }
    return outcome;
}

RestoreOutcome restoreChosen(FolderOperations& ops, const RunDirectory& run, const Clock& clock,
                             Settings* settings, const Generation& chosen, bool keepData) {
    // The latest by its place: its id names no folder.
    const std::string id = chosen.latest ? std::string() : chosen.id;
    if (!keepData) {
        RestoreOutcome outcome;
        outcome.result = restoreGeneration(ops, run, id);
        return outcome;
    }
    const SafetyGeneration safety{clock.now(),
                                  settings ? settings->backupKeep : readBackupsKept(run)};
    RestoreOutcome outcome = restoreKeepingTheData(ops, run, id, safety);
    // As for every backup: a stale lastbackup only brings the periodic one early.
    if (!outcome.safetyId.empty())
        outcome.lastBackupWritten = recordLastBackup(run, settings, clock.now());
    return outcome;
}

bool periodicBackupDue(const Settings& settings, double today) {
    if (settings.backupMode != BackupMode::Periodic || settings.backupDays <= 0) return false;
    const double last = std::floor(settings.lastBackup);
    const double day = std::floor(today);
    return day < last || day - last >= settings.backupDays;
}

void runBackupDialog(AppState& state, FolderOperations& ops) {
    Settings& settings = state.settings;
    FormRequest request{FormKind::BackupSettings,
                        {integerToText(static_cast<std::int32_t>(settings.backupMode)),
                         integerToText(settings.backupDays), integerToText(settings.backupKeep)},
                        [&] { static_cast<void>(backUpNow(state, ops)); }};
    state.user.runForm(request, [&](const std::vector<std::string>& fields) {
        if (fields.size() < 3) return false;
        const std::int32_t mode = textToInteger(fields[0]);
        const std::int32_t days = textToInteger(fields[1]);
        const std::int32_t kept = textToInteger(fields[2]);
        if (mode < 0 || mode >= kModeCount) return false;
        if (kept < kFewestBackupsKept || kept > kMostBackupsKept) {
            showError(state.user, maintenance_texts::kBackupsKeptOutOfRange);
            return false;
        }
        const bool written =
            setBackupSettings(state.run, settings, static_cast<BackupMode>(mode), days);
        if (!setBackupsKept(state.run, settings, kept) || !written) {
            showError(state.user, std::string(settings_texts::kSettingsNotSaved) + "\r\n" +
                                      pathToGbk(systemIniFile(state.run)));
        }
        return true;
    });
}

bool backUpNow(AppState& state, FolderOperations& ops) {
    return backUpAt(state, ops, BackupMoment::OnDemand).complete;
}

bool restoreBackup(AppState& state, FolderOperations& ops) {
    if (!passwordAllows(state)) return false;
    const std::vector<Generation> generations = listGenerations(ops, BackupPlaces(state.run));
    if (generations.empty()) {
        state.user.showMessage({maintenance_texts::kNoBackupToRestore,
                                maintenance_texts::kRestoreTitle, MessageIcon::Information,
                                MessageButtons::Ok});
        return false;
    }
    const std::optional<Generation> chosen = chooseGeneration(state, ops, generations);
    if (!chosen) return false;
    const std::string question = chosen->latest
                                     ? std::string(maintenance_texts::kConfirmRestoreLatest)
                                     : std::string(maintenance_texts::kConfirmRestorePrefix) + " " +
                                           dateTimeText(chosen->created) + " " +
                                           maintenance_texts::kConfirmRestoreSuffix;
    if (!confirm(state.user, question, maintenance_texts::kRestoreTitle)) return false;

    closeEverything(state);
    RestoreResult result = RestoreResult::Failed;
    const auto restoreWith = [&](bool keepData) {
        state.user.runWithProgress(maintenance_texts::kRestoreProgress, [&] {
            result = restoreChosen(ops, state.run, state.clock, &state.settings, *chosen, keepData)
                         .result;
        });
    };
    restoreWith(true);
    if (result == RestoreResult::NoSafetyGeneration) {
        // The data as it is could not be kept: the user decides whether to go on.
        if (!confirm(state.user, maintenance_texts::kSafetyBackupFailedRestore, texts::kErrorTitle))
            return false;
        restoreWith(false);
    }
    if (result == RestoreResult::Pending) {
        // Half swapped in: the program must not go on with these folders.
        showError(state.user, maintenance_texts::kRestorePending);
        return true;
    }
    if (result != RestoreResult::Restored) {
        showError(state.user, maintenance_texts::kRestoreFailed);
        return false;
    }
    tellDone(state.user, maintenance_texts::kRestoreDone);
    return true;
}

bool resetSettings(AppState& state, FolderOperations& ops) {
    const SettingsPageContext page{state.run, state.settings, state.user, state.autostart};
    return restoreDefaults(page, [&] {
        BackupOutcome before;
        state.user.runWithProgress(maintenance_texts::kBackupProgress, [&] {
            // The changes of open tables go into the files the backup copies.
            if (state.tables.checkpoint())
                before = backUpAndRecord(ops, state.run, state.clock, &state.settings);
        });
        return goOnWithoutBackup(state, before, maintenance_texts::kSafetyBackupFailedReset);
    });
}

bool initialiseDatabase(AppState& state, FolderOperations& ops) {
    if (!passwordAllows(state)) return false;
    if (!confirm(state.user, maintenance_texts::kConfirmInitialise,
                 maintenance_texts::kInitialiseTitle))
        return false;
    closeEverything(state);
    BackupOutcome before;
    state.user.runWithProgress(maintenance_texts::kBackupProgress, [&] {
        before = backUpAndRecord(ops, state.run, state.clock, &state.settings);
    });
    if (!goOnWithoutBackup(state, before, maintenance_texts::kSafetyBackupFailedInitialise))
        return false;
    switch (initialiseData(ops, state.run)) {
        case InitialiseResult::Initialised:
            break;
        case InitialiseResult::Pending:
            showError(state.user, maintenance_texts::kInitialisePending);
            return true;
        case InitialiseResult::Failed:
            showError(state.user, maintenance_texts::kInitialiseFailed);
            return false;
    }
    tellDone(state.user, maintenance_texts::kInitialiseDone);
    return true;
}

}  // namespace qinghe::maintenance
