#include "maintenance/generations.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "common/ole_date.h"

namespace qinghe::maintenance {

namespace fs = std::filesystem;

namespace {

constexpr char kManifestHeader[] = "qinghe-backup-manifest 1";
constexpr std::size_t kStampLength = 15;  // yyyymmdd-hhmmss

struct CivilTime {
    CivilDate date;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Whole seconds, so that 23:59:59.7 does not show as second 60.
CivilTime civilTimeOf(double dateTime) {
    const double clamped = clampDate(dateTime);
    const auto seconds = static_cast<std::int64_t>(std::llround(clamped * 86400.0));
    std::int64_t day = seconds / 86400;
    std::int64_t inDay = seconds % 86400;
    if (inDay < 0) {
        inDay += 86400;
        --day;
    }
    CivilTime time;
    time.date = civilFromDate(static_cast<double>(day));
    time.hour = static_cast<int>(inDay / 3600);
    time.minute = static_cast<int>(inDay / 60 % 60);
    time.second = static_cast<int>(inDay % 60);
    return time;
}

bool allDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Bytes that would end a field or a line, and "%" itself, as %XX.
std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F || c == '%') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> unescaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::vector<std::string_view> fieldsOf(std::string_view line) {
    std::vector<std::string_view> fields;
    while (!line.empty()) {
        const std::size_t space = line.find(' ');
        fields.push_back(line.substr(0, space));
        if (space == std::string_view::npos) break;
        line.remove_prefix(space + 1);
    }
    return fields;
}

template <typename Number>
bool parseNumber(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool parseDouble(std::string_view text, double& value) {
    // from_chars for doubles reads the shortest round-trip text we write.
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

// A target below a generation folder: books/books.edb, data/NAME or
// setup/NAME, nothing that could lead elsewhere.
bool isTargetPath(std::string_view target) {
    if (target == kGenerationRegistry) return true;
    for (const std::string_view folder : {kGenerationData, kGenerationSetup}) {
        if (target.size() <= folder.size() || !target.starts_with(folder) ||
            target[folder.size()] != '/')
            continue;
        const std::string_view name = target.substr(folder.size() + 1);
        return !name.empty() && name.find('/') == std::string_view::npos && name != "." &&
               name != "..";
    }
    return false;
}

// A ledger's entry table, by its extension in any case (its companion files
// and the registry have others, or lie elsewhere).
bool isLedgerTable(std::string_view name) {
    if (name.size() < 4) return false;
    const std::string_view extension = name.substr(name.size() - 4);
    const char expected[] = ".edb";
    for (std::size_t i = 0; i < 4; ++i) {
        const char c = extension[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != expected[i])
            return false;
    }
    return true;
}

void addFilesOf(FolderOperations& ops, const fs::path& folder, GenerationSize& size, bool ledgers) {
    const auto entries = ops.list(folder);
    if (!entries) return;
    for (const FolderEntry& entry : *entries) {
        if (entry.type != EntryType::Regular) continue;
        const FileStatus status = ops.status(folder / entry.name);
        if (status.type != EntryType::Regular) continue;
        ++size.files;
        size.bytes += status.size;
        if (ledgers && isLedgerTable(entry.name)) ++size.ledgers;
    }
}

}  // namespace

std::string GenerationId::text() const {
    return sequence <= 1 ? stamp : stamp + "-" + std::to_string(sequence);
}

std::optional<GenerationId> GenerationId::parse(std::string_view text) {
    if (text.size() < kStampLength) return std::nullopt;
    const std::string_view stamp = text.substr(0, kStampLength);
    if (!allDigits(stamp.substr(0, 8)) || stamp[8] != '-' || !allDigits(stamp.substr(9)))
        return std::nullopt;
    GenerationId id{std::string(stamp), 1};
    const std::string_view rest = text.substr(kStampLength);
    if (rest.empty()) return id;
    // "-2" and up; "-1" and "-02" would be a second spelling of another id.
    if (rest.size() < 2 || rest[0] != '-' || rest[1] == '0' || !allDigits(rest.substr(1)) ||
        rest.size() > 10)
        return std::nullopt;
    if (!parseNumber(rest.substr(1), id.sequence) || id.sequence < 2) return std::nullopt;
    return id;
}

std::string idStampOf(double dateTime) {
    const CivilTime t = civilTimeOf(dateTime);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", t.date.year, t.date.month,
                  t.date.day, t.hour, t.minute, t.second);
    return text;
}

std::string nextGenerationId(double now, const std::vector<std::string>& existing) {
    GenerationId next{idStampOf(now), 1};
    std::optional<GenerationId> greatest;
    for (const std::string& text : existing) {
        const auto id = GenerationId::parse(text);
        if (id && (!greatest || *id > *greatest)) greatest = id;
    }
    if (greatest && next <= *greatest) {
        next = *greatest;
        ++next.sequence;
    }
    return next.text();
}

std::string dateTimeText(double dateTime) {
    const CivilTime t = civilTimeOf(dateTime);
    char text[40];
    std::snprintf(text, sizeof text, "%s %02d:%02d:%02d",
                  dateToText(static_cast<double>(
                                 dateFromCivil(t.date.year, t.date.month, t.date.day).value_or(0)))
                      .c_str(),
                  t.hour, t.minute, t.second);
    return text;
}

double localDateTimeOf(std::int64_t unixSeconds) {
    const auto seconds = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    if (::localtime_r(&seconds, &local) == nullptr) return 0;
    return dateTimeFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                             local.tm_min, local.tm_sec)
        .value_or(0);
}

std::string encodeManifest(const Manifest& manifest) {
    std::string text = kManifestHeader;
    text += "\nid " + escaped(manifest.id);
    char created[64];
    const auto [end, error] = std::to_chars(created, created + sizeof created, manifest.created);
    text += "\ncreated ";
    text.append(created, error == std::errc() ? end : created);
    for (const ManifestEntry& entry : manifest.files) {
        text += "\nfile " + escaped(entry.target) + " " + escaped(entry.source) + " " +
                std::to_string(entry.stamp.size) + " " +
                std::to_string(entry.stamp.modifiedSeconds) + " " +
                std::to_string(entry.stamp.modifiedNanoseconds);
    }
    text += "\nend\n";
    return text;
}

std::optional<Manifest> decodeManifest(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return std::nullopt;  // cut short
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    // Header, id, created, the files, and "end": a manifest written whole.
    if (lines.size() < 4 || lines.front() != kManifestHeader || lines.back() != "end")
        return std::nullopt;
    Manifest manifest;
    const auto idFields = fieldsOf(lines[1]);
    const auto createdFields = fieldsOf(lines[2]);
    if (idFields.size() != 2 || idFields[0] != "id" || createdFields.size() != 2 ||
        createdFields[0] != "created" || !parseDouble(createdFields[1], manifest.created))
        return std::nullopt;
    const auto id = unescaped(idFields[1]);
    if (!id || !GenerationId::parse(*id)) return std::nullopt;
    manifest.id = *id;
    for (std::size_t i = 3; i + 1 < lines.size(); ++i) {
        const auto fields = fieldsOf(lines[i]);
        if (fields.size() != 6 || fields[0] != "file") return std::nullopt;
        ManifestEntry entry;
        auto target = unescaped(fields[1]);
        auto source = unescaped(fields[2]);
        if (!target || !source || !isTargetPath(*target) || source->empty()) return std::nullopt;
        entry.target = std::move(*target);
        entry.source = std::move(*source);
        entry.stamp.type = EntryType::Regular;
        if (!parseNumber(fields[3], entry.stamp.size) ||
            !parseNumber(fields[4], entry.stamp.modifiedSeconds) ||
            !parseNumber(fields[5], entry.stamp.modifiedNanoseconds))
            return std::nullopt;
        manifest.files.push_back(std::move(entry));
    }
    return manifest;
}

std::optional<Manifest> readManifest(FolderOperations& ops, const fs::path& folder) {
    const auto text = ops.readFile(folder / kManifestName, kMaxManifestBytes);
    if (!text) return std::nullopt;
    return decodeManifest(*text);
}

std::vector<Generation> listGenerations(FolderOperations& ops, const BackupPlaces& places) {
    std::vector<Generation> older;
    if (const auto entries = ops.list(places.runFolder)) {
        for (const FolderEntry& entry : *entries) {
            if (entry.type != EntryType::Folder || !entry.name.starts_with(places.olderPrefix))
                continue;
            const std::string id = entry.name.substr(places.olderPrefix.size());
            const auto parsed = GenerationId::parse(id);
            if (!parsed) continue;
            Generation generation;
            generation.id = id;
            generation.folder = places.runFolder / entry.name;
            generation.manifest = readManifest(ops, generation.folder);
            // The folder's name is the id; without a manifest the id tells the date.
            generation.created = generation.manifest
                                     ? generation.manifest->created
                                     : dateTimeFromCivil(std::stoi(parsed->stamp.substr(0, 4)),
                                                         std::stoi(parsed->stamp.substr(4, 2)),
                                                         std::stoi(parsed->stamp.substr(6, 2)),
                                                         std::stoi(parsed->stamp.substr(9, 2)),
                                                         std::stoi(parsed->stamp.substr(11, 2)),
                                                         std::stoi(parsed->stamp.substr(13, 2)))
                                           .value_or(0);
            older.push_back(std::move(generation));
        }
    }
    std::sort(older.begin(), older.end(), [](const Generation& a, const Generation& b) {
        return *GenerationId::parse(a.id) > *GenerationId::parse(b.id);
    });

    std::vector<Generation> generations;
    const FileStatus latest = ops.status(places.latest);
    if (latest.type == EntryType::Folder) {
        Generation generation;
        generation.folder = places.latest;
        generation.latest = true;
        generation.manifest = readManifest(ops, places.latest);
        if (generation.manifest) {
            generation.id = generation.manifest->id;
            generation.created = generation.manifest->created;
        } else {
            generation.created = localDateTimeOf(latest.modifiedSeconds);
            generation.id = idStampOf(generation.created);
        }
        generations.push_back(std::move(generation));
    }
    for (Generation& generation : older) generations.push_back(std::move(generation));
    return generations;
}

ManifestByTarget manifestByTarget(const Generation* generation) {
    ManifestByTarget entries;
    if (generation == nullptr || !generation->manifest) return entries;
    for (const ManifestEntry& entry : generation->manifest->files) entries[entry.target] = &entry;
    return entries;
}

std::optional<Generation> findGeneration(const std::vector<Generation>& generations,
                                         std::string_view id) {
    for (const Generation& generation : generations) {
        if (id.empty() ? generation.latest : generation.id == id) return generation;
    }
    return std::nullopt;
}

GenerationSize measureGeneration(FolderOperations& ops, const Generation& generation) {
    GenerationSize size;
    addFilesOf(ops, generation.folder / kGenerationBooks, size, false);
    addFilesOf(ops, generation.folder / kGenerationData, size, true);
    addFilesOf(ops, generation.folder / kGenerationSetup, size, false);
    return size;
}

}  // namespace qinghe::maintenance
