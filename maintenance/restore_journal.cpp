#include "maintenance/restore_journal.h"

namespace qinghe::maintenance {

namespace {

constexpr std::string_view kHead = "qinghe-restore ";
constexpr std::string_view kFolders = "books data";
constexpr std::string_view kBoot = "boot ";
constexpr std::string_view kGeneration = "generation ";
constexpr std::string_view kCopy = "copy ";

}  // namespace

bool fitsAJournalLine(std::string_view name) {
    return !name.empty() && name.find_first_of("\n\t") == std::string_view::npos;
}

std::string RestoreJournal::text() const {
    std::string text =
        std::string(kHead) + (copiesUnflushed() ? "2" : "1") + "\n" + std::string(kFolders) + "\n";
    if (!copiesUnflushed()) return text;
    text += std::string(kBoot) + boot + "\n" + std::string(kGeneration) + generationId + "\n";
    for (const RestoredCopy& copy : copies)
        text += std::string(kCopy) + copy.live + "\t" + copy.inGeneration + "\n";
    return text;
}

std::optional<RestoreJournal> RestoreJournal::parse(std::string_view text) {
    RestoreJournal journal;
    std::size_t line = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return std::nullopt;  // cut short
        const std::string_view content = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (line == 0) {
            if (content != "qinghe-restore 1" && content != "qinghe-restore 2") return std::nullopt;
        } else if (line == 1) {
            if (content != kFolders) return std::nullopt;
        } else if (content.starts_with(kBoot)) {
            journal.boot = content.substr(kBoot.size());
        } else if (content.starts_with(kGeneration)) {
            journal.generationId = content.substr(kGeneration.size());
        } else if (content.starts_with(kCopy)) {
            const std::string_view paths = content.substr(kCopy.size());
            const std::size_t tab = paths.find('\t');
            if (tab == std::string_view::npos) return std::nullopt;
            journal.copies.push_back(
                {std::string(paths.substr(0, tab)), std::string(paths.substr(tab + 1))});
        } else {
            return std::nullopt;
        }
        ++line;
    }
    if (line < 2) return std::nullopt;
    if (journal.copiesUnflushed() && journal.generationId.empty()) return std::nullopt;
    for (const RestoredCopy& copy : journal.copies) {
        if (!fitsAJournalLine(copy.live) || !fitsAJournalLine(copy.inGeneration))
            return std::nullopt;
    }
    return journal;
}

}  // namespace qinghe::maintenance
