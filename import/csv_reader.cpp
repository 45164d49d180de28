#include "import/csv_reader.h"

#include <utility>

namespace qinghe::import {

std::variant<BillTable, UnclosedQuote> readCsv(std::string_view text) {
    BillTable table;
    std::size_t line = 1;
    std::size_t at = 0;
    const std::size_t size = text.size();
    TableRow row;
    std::string field;
    auto endField = [&] {
        row.cells.push_back({std::move(field), false});
        field.clear();
    };
    auto endRow = [&] {
        table.push_back(std::move(row));
        row = TableRow{};
    };
    // A line break at `at` (LF, CRLF or CR): its length, 0 when there is none.
    auto lineBreak = [&](std::size_t pos) -> std::size_t {
        if (text[pos] == '\n') return 1;
        if (text[pos] == '\r') return pos + 1 < size && text[pos + 1] == '\n' ? 2 : 1;
        return 0;
    };
    while (at < size) {
        row.line = line;
        // One row: fields until a line break outside quotes or the end.
        if (const std::size_t blank = lineBreak(at)) {
            at += blank;
            ++line;
            endRow();
            continue;
        }
        while (true) {
            if (at < size && text[at] == '"') {
                const std::size_t startLine = line;
                ++at;
                bool closed = false;
                while (at < size) {
                    const char c = text[at];
                    if (c == '"') {
                        if (at + 1 < size && text[at + 1] == '"') {
                            field += '"';
                            at += 2;
                            continue;
                        }
                        ++at;
                        closed = true;
                        break;
                    }
                    if (const std::size_t breakLength = lineBreak(at)) {
                        field.append(text.substr(at, breakLength));
                        at += breakLength;
                        ++line;
                        continue;
                    }
                    field += c;
                    ++at;
                }
                if (!closed) return UnclosedQuote{startLine};
            }
            // The unquoted part (or what follows a closing quote) up to a comma
            // or a line break.
            const std::size_t start = at;
            while (at < size && text[at] != ',' && text[at] != '\n' && text[at] != '\r') ++at;
            field.append(text.substr(start, at - start));
            endField();
            if (at < size && text[at] == ',') {
                ++at;
                continue;
            }
            break;
        }
        if (at < size) {
            at += lineBreak(at);
            ++line;
        }
        endRow();
    }
    return table;
}

}  // namespace qinghe::import
