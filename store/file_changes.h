#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "store/file_layer.h"
#include "store/overlay_file.h"

namespace qinghe::store {

// What one change of a table does to each of its files (the data file, then
// the companion file; nothing for a file it leaves alone), as the change log
// and the journals of earlier versions keep it on disk.
using FileChanges = std::array<std::optional<OverlayFile::Commit>, 2>;

// A table's files never reach this: a larger length is damage.
constexpr std::uint64_t kMaxFileLength = std::uint64_t{1} << 40;

// Little-endian, as every number in a log or journal.
void putU64(std::string& out, std::uint64_t v);
// Reads one at `at` and moves past it; false when the bytes end first.
bool getU64(std::string_view in, std::size_t& at, std::uint64_t& v);

// The encoded form: the count of files, then for each its index, the length
// it is cut to first (or none), its new length and the count of writes, each
// write as its offset and size before its bytes.
std::uint64_t encodedSize(const FileChanges& changes);
// Hands over the encoded form piece by piece, in order: the writes' bytes are
// never copied into one buffer (a purge writes tens of megabytes). A piece is
// valid only during the call.
void encodeChanges(const FileChanges& changes,
                   const std::function<void(std::string_view piece)>& take);
// Reads the encoded form at `at` and moves past it; the writes point into
// `in`. False on anything that cannot be: a change of a file that does not
// exist, or bytes outside the file they belong to.
bool decodeChanges(std::string_view in, std::size_t& at, FileChanges& changes);
// Reads `count` writes (offset, size, bytes) into `commit`, whose length is
// set: the older journals kept one file's writes so.
bool decodeWrites(std::string_view in, std::size_t& at, std::uint64_t count,
                  OverlayFile::Commit& commit);

// Makes one file's part of a change on the file, without flushing it.
[[nodiscard]] bool makeCommit(const OverlayFile::Commit& commit, File& file);

}  // namespace qinghe::store
