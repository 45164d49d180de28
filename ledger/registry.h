#pragma once

#include <cstdint>
#include <filesystem>

namespace qinghe {
struct AppState;
}

namespace qinghe::ledger {

// The registry's data file below the run directory.
std::filesystem::path registryFile(const AppState& state);

// Replaces the registry by an empty one, left open and current.
bool createRegistry(AppState& state);

// Opens the registry when it is not open (creating it when it does not exist)
// and makes it current. False when it
// cannot be opened: callers then must not read, or they would read whatever
// other table is current.
bool ensureRegistryOpen(AppState& state);

// The registry current with its cursor on the 1-based `recordNumber`.
bool goToRegistryRecord(AppState& state, std::int32_t recordNumber);

}  // namespace qinghe::ledger
