#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "entry/ledger_rows.h"
#include "report/export_file.h"

namespace qinghe {
struct AppState;
}

namespace qinghe::report {

// What "选择导出方式" leaves: whether the entry's line and its pictures are written.
struct ExportChoice {
    bool data = true;
    bool images = true;
    friend bool operator==(const ExportChoice&, const ExportChoice&) = default;
};

// The whole content of 账目.txt (GBK, no line end): the date, member, item and
// direction separated by spaces, " 金额：" and the amount as stored (not
// rounded, at most 13 significant digits), a space, and the note in brackets
// when there is one: "2015-05-12 爸爸 工资 收入 金额：5000 [五月]".
std::string entryLine(const EntryValues& values);

struct EntryExport {
    enum class Outcome {
        Written,      // every folder and file written
        WriteFailed,  // `failedAt` could not be made or written
        Unreadable,   // the entry's pictures could not be read from its table
        NoEntry,      // no such entry in the open ledger
    };
    Outcome outcome = Outcome::NoEntry;
    std::filesystem::path folder;    // folder/N, the entry's own
    std::filesystem::path failedAt;  // the folder or file that failed
    // Pieces of the stored pictures (numbered from 1) that are no image and
    // were left out.
    std::vector<int> skipped;
    int images = 0;  // pictures written
    bool written() const { return outcome == Outcome::Written; }
};

// Exports entry `row` of the open ledger (record row + 1) into `folder`:
// folder/N/ and folder/N/凭证/ are always made (N the record number),
// folder/N/账目.txt holds the entry's line when `choice.data`, and
// folder/N/凭证/k.jpg the k-th picture when `choice.images`. A JPEG is
// written as it was stored (nothing lost to encoding again, its turn kept),
// a PNG or bitmap is encoded as JPEG, a piece that is no image is left out
// and named in `skipped`. Files of an earlier export are replaced whole;
// pictures beyond the current count stay. Every write is checked.
EntryExport exportEntry(AppState& state, std::size_t row, const std::filesystem::path& folder,
                        const ExportChoice& choice, Flush flush = Flush::Now);

}  // namespace qinghe::report
