#pragma once

#include <string>
#include <string_view>

#include "store/checksum.h"
#include "store/file_changes.h"

namespace qinghe::testing {

// The bytes of a complete journal as earlier versions left one beside a
// table: the magic, the change, its checksum.
inline std::string oldJournal(const store::FileChanges& change) {
    std::string bytes = "QHJ4";
    store::encodeChanges(change, [&](std::string_view piece) { bytes.append(piece); });
    store::Checksum sum;
    sum.add(bytes);
    store::putU64(bytes, sum.value());
    return bytes;
}

}  // namespace qinghe::testing
