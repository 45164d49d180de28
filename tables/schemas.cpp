#include "tables/schemas.h"

#include "common/gbk.h"

namespace qinghe::tables {

using store::FieldDescription;
using store::FieldType;

const std::vector<FieldDescription>& userStoreFields() {
    static const std::vector<FieldDescription> fields = {
        {field::kPass, FieldType::Text, width::kPassword},
        {field::kNeedPass, FieldType::Integer, 20},
    };
    return fields;
}

const std::vector<FieldDescription>& registryFields() {
    static const std::vector<FieldDescription> fields = {
        {field::kNumber, FieldType::Integer, 0},
        {field::kName, FieldType::Text, width::kLedgerName},
        {field::kPass, FieldType::Text, width::kPassword},
        {field::kSaveTo, FieldType::Text, width::kSaveTo},
        {field::kCreateTime, FieldType::DateTime, 0},
    };
    return fields;
}

const std::vector<FieldDescription>& entryFields() {
    static const std::vector<FieldDescription> fields = {
        {field::kDate, FieldType::DateTime, 0},
        {field::kDirection, FieldType::Integer, 0},
        {field::kItem, FieldType::Text, width::kItem},
        {field::kAmount, FieldType::Double, 0},
        {field::kMember, FieldType::Text, width::kMember},
        {field::kNote, FieldType::Text, width::kNote},
        {field::kHasVoucher, FieldType::Bool, 0},
        {field::kVouchers, FieldType::ByteSet, 0},
    };
    return fields;
}

namespace {

std::vector<std::string> splitStored(std::string_view text) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : text) {
        if (c == '\\' || c == '/') {
            if (!part.empty()) parts.push_back(std::move(part));
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(std::move(part));
    return parts;
}

}  // namespace

std::optional<std::filesystem::path> storedPathToFile(const RunDirectory& run,
                                                      std::string_view stored,
                                                      std::string_view within) {
    // A GBK trail byte can be 0x5C ("\"), so the split happens after the
    // conversion to UTF-8, where it cannot.
    auto utf8 = gbkToUtf8(stored);
    if (!utf8) return std::nullopt;
    auto parts = splitStored(*utf8);
    auto prefix = splitStored(within);
    if (parts.size() <= prefix.size()) return std::nullopt;
    std::filesystem::path path = run.root();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (parts[i] == "." || parts[i] == "..") return std::nullopt;
        if (i < prefix.size() && parts[i] != prefix[i]) return std::nullopt;
        path /= parts[i];
    }
    return path;
}

std::optional<std::string> newLedgerDataPath(
    const RunDirectory& run, std::string_view name,
    const std::function<bool(const std::filesystem::path&)>& exists) {
    static const std::string kOpen = gbkText("（");
    static const std::string kClose = gbkText("）");
    const std::string base = std::string(kDataFolder) + std::string(name);
    for (long k = 0; k < 1000000; ++k) {
        std::string stored = base;
        if (k > 0) stored += kOpen + std::to_string(k) + kClose;
        stored += ".edb";
        auto file = storedPathToFile(run, stored, kDataFolder);
        if (!file) return std::nullopt;
        if (!exists(*file)) return stored;
    }
    return std::nullopt;
}

}  // namespace qinghe::tables
