#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/user_interaction.h"
#include "store/file_layer.h"

namespace qinghe::import {

// A bill's bytes as the importer reads them: a CSV text or a workbook, taken
// out of its ZIP archive when it came in one (in memory only).
struct BillSource {
    std::string name;   // the file's name, GBK, for messages
    std::string bytes;  // the bill itself
    bool workbook = false;
    // A text bill decoded to UTF-8 already (nothing: not yet).
    std::optional<std::string> text = std::nullopt;
};

// Asks for the archive's password; `wrongBefore` when the last one given was
// wrong. Nothing: the user gave none (cancelled).
using PasswordAsker = std::function<std::optional<std::string>(bool wrongBefore)>;

enum class SourceOutcome { Opened, Cancelled, Refused };

// Larger files are no bill: refused before they are read.
inline constexpr std::uint64_t kMaxBillFileBytes = std::uint64_t{64} << 20;

// Reads a bill file, recognised by its content: a workbook, a ZIP archive
// holding a bill (encrypted or not: the password is asked for while it is
// wrong), or a text. A file that cannot be read whole is refused with a
// message naming it; cancelling the password gives Cancelled, said nothing.
SourceOutcome openBillSource(store::FileSystem& files, UserInteraction& user,
                             const std::filesystem::path& file, const PasswordAsker& askPassword,
                             BillSource& source);

// The same on bytes in memory (`name` in GBK for the messages).
SourceOutcome openBillBytes(std::string bytes, std::string name, UserInteraction& user,
                            const PasswordAsker& askPassword, BillSource& source);

// The message about a bill file: "账单文件“NAME”" followed by `what`.
std::string aboutFile(std::string_view name, std::string_view what);

}  // namespace qinghe::import
