#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "common/clock.h"
#include "common/run_directory.h"
#include "common/user_interaction.h"
#include "config/autostart.h"
#include "config/settings.h"
#include "store/file_layer.h"
#include "store/table_store.h"
#include "tables/store_failures.h"

namespace qinghe {

// The open ledger's entries in memory (entry/ledger_rows.h).
class LedgerRows;

// The in-memory copy of the registry record of the open ledger; an empty
// `saveTo` means that no ledger is open.
struct CurrentLedger {
    std::int32_t number = 0;
    std::string name;
    std::string password;
    std::string saveTo;
    double created = 0;
    // Its entries, read when it was opened; null while none is open.
    std::shared_ptr<LedgerRows> rows;
    // The lists still show rows that were dropped after a failed change.
    bool listsBehind = false;
    bool isOpen() const { return !saveTo.empty(); }
    // No ledger open any more: its rows go with it.
    void close() {
        saveTo.clear();
        rows.reset();
        listsBehind = false;
    }
};

// Everything one run of the program holds: passed to whoever needs it, so
// nothing reads a global.
struct AppState {
    AppState(RunDirectory runDirectory, store::FileSystem& fileSystem, const Clock& clockSource,
             UserInteraction& userInteraction)
        : run(std::move(runDirectory)),
          files(fileSystem),
          clock(clockSource),
          user(userInteraction),
          tables(fileSystem, clockSource) {
        // Damage found and repairs made when a table opens are told.
        tables.setFindingsListener(
            [&told = userInteraction](
                const std::filesystem::path& table, const std::vector<std::string>& findings,
                store::Access access) { tables::tellFindings(told, table, findings, access); });
    }

    RunDirectory run;
    // Where caches of this data folder are kept (never inside it); empty:
    // none are kept.
    std::filesystem::path cacheFolder;
    store::FileSystem& files;
    const Clock& clock;
    UserInteraction& user;
    store::TableStore tables;
    Settings settings;
    // Where "开机自启动" writes; none unless the program names it.
    AutostartPlaces autostart;
    std::string loginPassword;  // GBK; empty: no login password
    bool needPass = false;      // important operations ask for the login password
    CurrentLedger currentLedger;
    bool locked = false;     // while the lock page is shown
    int rememberedPage = 0;  // the page shown when the lock started
};

}  // namespace qinghe
