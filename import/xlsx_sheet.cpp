#include "import/xlsx_sheet.h"

#include <pugixml.hpp>

#include <charconv>
#include <string>
#include <vector>

#include "import/zip_archive.h"

namespace qinghe::import {

namespace {

constexpr std::string_view kWorkbook = "xl/workbook.xml";
// A bill has a dozen columns: cells further right are not read, so that a
// stray cell far out cannot make every row thousands of cells long.
constexpr std::size_t kMaxColumns = 1024;
// Cells of a sheet, all rows together: far beyond any bill.
constexpr std::size_t kMaxCells = std::size_t{4} << 20;

// A part of the package as XML; false when it is missing or not well-formed.
enum class Part { Read, Missing, Damaged };

Part loadPart(const ZipArchive& zip, std::string_view name, pugi::xml_document& document) {
    const auto index = zip.find(name);
    if (!index) return Part::Missing;
    auto read = zip.read(*index);
    if (!read.bytes) return Part::Damaged;
    const auto parsed = document.load_buffer(read.bytes->data(), read.bytes->size(),
                                             pugi::parse_default, pugi::encoding_utf8);
    return parsed ? Part::Read : Part::Damaged;
}

std::string_view localName(const char* name) {
    std::string_view view(name);
    const std::size_t colon = view.find(':');
    return colon == std::string_view::npos ? view : view.substr(colon + 1);
}

// The first child element of that local name (prefixes differ between writers).
pugi::xml_node child(pugi::xml_node node, std::string_view name) {
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && localName(c.name()) == name) return c;
    }
    return {};
}

// The text of a string item: its <t>, or the <t> of each of its runs.
std::string stringItemText(pugi::xml_node item) {
    std::string text;
    for (pugi::xml_node c = item.first_child(); c; c = c.next_sibling()) {
        const std::string_view name = localName(c.name());
        if (name == "t") {
            text += c.text().get();
        } else if (name == "r") {
            if (pugi::xml_node t = child(c, "t")) text += t.text().get();
        }
    }
    return text;
}

// The sheet the workbook lists first, through its relationships; the usual
// name when they do not say.
std::string firstSheetPart(const ZipArchive& zip) {
    const std::string fallback = "xl/worksheets/sheet1.xml";
    pugi::xml_document workbook;
    pugi::xml_document relations;
    if (loadPart(zip, kWorkbook, workbook) != Part::Read ||
        loadPart(zip, "xl/_rels/workbook.xml.rels", relations) != Part::Read)
        return fallback;
    pugi::xml_node sheets = child(child(workbook, "workbook"), "sheets");
    pugi::xml_node sheet = child(sheets, "sheet");
    std::string id;
    for (pugi::xml_attribute a = sheet.first_attribute(); a; a = a.next_attribute()) {
        if (localName(a.name()) == "id") id = a.value();
    }
    if (id.empty()) return fallback;
    for (pugi::xml_node r = child(relations, "Relationships").first_child(); r;
         r = r.next_sibling()) {
        if (std::string_view(r.attribute("Id").value()) != id) continue;
        std::string target = r.attribute("Target").value();
        if (target.empty()) return fallback;
        if (target.front() == '/') return target.substr(1);
        return "xl/" + target;
    }
    return fallback;
}

// The column of a cell reference ("C7" is column 2), or nothing.
std::optional<std::size_t> columnOf(std::string_view reference) {
    std::size_t column = 0;
    std::size_t letters = 0;
    for (const char c : reference) {
        if (c >= 'A' && c <= 'Z') {
            column = column * 26 + static_cast<std::size_t>(c - 'A' + 1);
            if (++letters > 3) return std::nullopt;
        } else {
            break;
        }
    }
    if (letters == 0) return std::nullopt;
    return column - 1;
}

}  // namespace

bool isXlsx(std::string_view bytes) {
    if (!looksLikeZip(bytes)) return false;
    auto zip = ZipArchive::open(bytes);
    return zip && zip->find(kWorkbook);
}

std::variant<BillTable, XlsxError> readXlsxSheet(std::string_view bytes) {
    auto zip = looksLikeZip(bytes) ? ZipArchive::open(bytes) : nullptr;
    if (!zip || !zip->find(kWorkbook)) return XlsxError::NotWorkbook;

    std::vector<std::string> shared;
    pugi::xml_document strings;
    switch (loadPart(*zip, "xl/sharedStrings.xml", strings)) {
        case Part::Damaged:
            return XlsxError::Damaged;
        case Part::Missing:
            break;
        case Part::Read:
            for (pugi::xml_node item = child(strings, "sst").first_child(); item;
                 item = item.next_sibling()) {
                if (localName(item.name()) == "si") shared.push_back(stringItemText(item));
            }
            break;
    }

    pugi::xml_document sheet;
    if (loadPart(*zip, firstSheetPart(*zip), sheet) != Part::Read) return XlsxError::Damaged;
    BillTable table;
    pugi::xml_node data = child(child(sheet, "worksheet"), "sheetData");
    std::size_t nextLine = 1;
    std::size_t cells = 0;
    for (pugi::xml_node row = data.first_child(); row; row = row.next_sibling()) {
        if (localName(row.name()) != "row") continue;
        TableRow out;
        std::size_t line = nextLine;
        if (const char* r = row.attribute("r").value(); *r) {
            std::size_t stated = 0;
            const std::string_view text(r);
            const auto [end, error] =
                std::from_chars(text.data(), text.data() + text.size(), stated);
            if (error == std::errc() && end == text.data() + text.size() && stated >= 1)
                line = stated;
        }
        out.line = line;
        nextLine = line + 1;
        std::size_t nextColumn = 0;
        for (pugi::xml_node c = row.first_child(); c; c = c.next_sibling()) {
            if (localName(c.name()) != "c") continue;
            std::size_t column = nextColumn;
            if (const char* reference = c.attribute("r").value(); *reference) {
                const auto stated = columnOf(reference);
                if (!stated) return XlsxError::Damaged;
                column = *stated;
            }
            nextColumn = column + 1;
            if (column >= kMaxColumns) continue;
            const std::string_view type = c.attribute("t").value();
            Cell cell;
            if (type == "s") {
                std::size_t index = 0;
                const std::string_view v = child(c, "v").text().get();
                const auto [end, error] = std::from_chars(v.data(), v.data() + v.size(), index);
                if (error != std::errc() || end != v.data() + v.size() || index >= shared.size())
                    return XlsxError::Damaged;
                cell.text = shared[index];
            } else if (type == "inlineStr") {
                cell.text = stringItemText(child(c, "is"));
            } else {
                cell.text = child(c, "v").text().get();
                // Numbers unless said otherwise ("str", "b", "e" are texts).
                cell.number = type.empty() || type == "n";
            }
            if (out.cells.size() <= column) {
                cells += column + 1 - out.cells.size();
                if (cells > kMaxCells) return XlsxError::Damaged;
                out.cells.resize(column + 1);
            }
            out.cells[column] = std::move(cell);
        }
        table.push_back(std::move(out));
    }
    return table;
}

}  // namespace qinghe::import
