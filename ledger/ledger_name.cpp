#include "ledger/ledger_name.h"

#include <cstring>

#include "common/gbk.h"

namespace qinghe::ledger {

bool isValidLedgerName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
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
