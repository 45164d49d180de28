#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qinghe::maintenance {

// A file a restore copied from its generation, by its paths relative to the
// run folder (live) and to the generation's folder.
struct RestoredCopy {
    std::string live;
    std::string inGeneration;
};

// A journal names a line per copied file: far below this.
inline constexpr std::size_t kMaxJournalBytes = std::size_t{16} << 20;

// Whether a path can be named in a journal: names cannot hold a line break,
// and a tab parts a line's two names.
bool fitsAJournalLine(std::string_view name);

// What a restore's journal says. Written once the restored folders are
// complete; the swap is finished by whoever finds it. When `boot` is set the
// copies were not flushed: they are flushed, or made again from the
// generation when the machine was started again since, before anything else
// works on the data.
struct RestoreJournal {
    std::string boot;
    std::string generationId;
    std::vector<RestoredCopy> copies;

    bool copiesUnflushed() const { return !boot.empty() && !copies.empty(); }
    std::string text() const;
    // Nothing for a text that is not a journal. One of an earlier version
    // names no copies: they were flushed before it was written.
    static std::optional<RestoreJournal> parse(std::string_view text);
};

}  // namespace qinghe::maintenance
