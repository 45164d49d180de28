#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qinghe::entry {

// Larger files are not taken as vouchers: a receipt picture is a few
// megabytes, and the whole list is held in memory and in one stored value.
inline constexpr std::uint64_t kMaxVoucherFileBytes = std::uint64_t{256} * 1024 * 1024;

enum class VoucherFileError { None, Unreadable, TooLarge };

struct VoucherFile {
    std::string bytes;
    VoucherFileError error = VoucherFileError::None;
};

// The complete content of a chosen file, unexamined; an error when it cannot
// be read or is larger than kMaxVoucherFileBytes.
VoucherFile readVoucherFile(const std::filesystem::path& path);

// Writes one voucher's bytes as a file of their own, replacing one of that
// name, flushed to the disk. False when any of it failed (a partial file is
// removed).
[[nodiscard]] bool writeVoucherFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace qinghe::entry
