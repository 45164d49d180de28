#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "store/file_layer.h"

namespace qinghe::store {

struct TableCheck {
    // False when the data file cannot be read at all (missing, not a table,
    // wrong password); then `problems` says why.
    bool readable = true;
    std::vector<std::string> problems;
    // What is not wrong but worth knowing: an interrupted change waiting to be
    // finished, bytes of an unfinished append.
    std::vector<std::string> notes;
};

// Verifies a table's files without changing them (as they will be once an
// interrupted change is finished): header values, record count
// against the file length, record size against the descriptors, field offsets,
// the companion header, every chain (acyclic, inside the file), the free chain
// against the free count, and no block in two chains.
TableCheck checkTable(FileSystem& files, const std::filesystem::path& dataFile,
                      std::string_view password);

}  // namespace qinghe::store
