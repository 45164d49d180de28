#include "maintenance/generation_settling.h"

#include <vector>

#include "maintenance/generation_builder.h"

namespace qinghe::maintenance {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kBoot = "boot ";

bool filesBelow(FolderOperations& ops, const fs::path& folder, std::vector<fs::path>& files) {
    if (ops.status(folder).type != EntryType::Folder) return true;
    const auto entries = ops.list(folder);
    if (!entries) return false;
    for (const FolderEntry& entry : *entries) {
        if (entry.type == EntryType::Regular) files.push_back(folder / entry.name);
    }
    return true;
}

// Its copies flushed, then the mark gone: from then on it is like any other.
// Files linked from earlier generations were flushed with them already;
// flushing them again costs nothing more.
bool settle(FolderOperations& ops, const Generation& generation) {
    std::vector<fs::path> files;
    for (const char* below : {kGenerationBooks, kGenerationData}) {
        if (!filesBelow(ops, generation.folder / below, files)) return false;
    }
    return flushAll(ops, generation.folder, files) &&
           ops.removeTree(generation.folder / kUnflushedName, generation.folder) &&
           ops.syncFolder(generation.folder);
}

}  // namespace

std::string unflushedText(const std::string& boot) {
    return std::string(kBoot) + boot + "\n";
}

bool isUnsettled(FolderOperations& ops, const Generation& generation) {
    return ops.status(generation.folder / kUnflushedName).type != EntryType::Missing;
}

void settleGenerations(FolderOperations& ops, const BackupPlaces& places) {
    const std::string boot = ops.bootId();
    for (const Generation& generation : listGenerations(ops, places)) {
        if (!isUnsettled(ops, generation)) continue;
        const auto text = ops.readFile(generation.folder / kUnflushedName, 4096);
        if (text && !boot.empty() && *text == unflushedText(boot)) {
            // One that cannot be flushed now is tried again next time; nothing
            // builds on it meanwhile.
            static_cast<void>(settle(ops, generation));
            continue;
        }
        // Out of the list in one rename; the next run clears what is left.
        const fs::path removed = places.removed(generation.id);
        if (ops.rename(generation.folder, removed))
            static_cast<void>(ops.removeTree(removed, places.runFolder));
    }
}

bool anyUnsettled(FolderOperations& ops, const std::vector<Generation>& generations) {
    for (const Generation& generation : generations) {
        if (isUnsettled(ops, generation)) return true;
    }
    return false;
}

}  // namespace qinghe::maintenance
