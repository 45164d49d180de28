#include "ledger/ledger_name.h"

#include <cctype>
#include <cstring>
#include <string>

#include "common/gbk.h"

namespace qinghe::ledger {

namespace {

// The part before the first full stop names the device: "con.txt" is CON.
bool isReservedDeviceName(std::string_view name) {
    std::string base(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
           base[3] >= '1' && base[3] <= '9';
}

// A file name component's longest length (NAME_MAX), less the extension
// ".edb", the room for "（99999）" and the longest name kept beside a data
// file (".damaged-YYYYMMDD-HHMMSS").
constexpr std::size_t kMaxFileNameBytes = 255;
constexpr std::size_t kRoomBeside = 4 + 11 + 24;

}  // namespace

bool ledgerFileNameFits(std::string_view name) {
    const auto utf8 = gbkToUtf8(name);
    return utf8 && utf8->size() + kRoomBeside <= kMaxFileNameBytes;
}

bool isValidLedgerName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    if (isReservedDeviceName(name)) return false;
    if (!gbkToUtf8(name)) return false;
    if (name.back() == ' ' || name.back() == '.') return false;
    // Walked by character: a GBK trail byte may be 0x5C "\" or 0x7C "|".
    for (std::size_t pos = 0; pos < name.size();) {
        const std::size_t length = gbkCharLength(name, pos);
        if (length == 1) {
            const unsigned char c = static_cast<unsigned char>(name[pos]);
            if (c < 0x20 || c == 0x7F || std::strchr("\\/:*?\"<>|", c)) return false;
        }
        pos += length;
    }
    return true;
}

}  // namespace qinghe::ledger
