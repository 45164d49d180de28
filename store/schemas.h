#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/run_directory.h"
#include "store/table_format.h"

namespace qinghe::store {

// Every table of the program is stored enciphered under this password.
inline constexpr char kStorePassword[] = "[.qorvenx";

// Where things lie below the run directory, in the stored form.
inline constexpr char kUserStorePath[] = "\\user\\user.edb";
inline constexpr char kRegistryPath[] = "\\books\\books.edb";
inline constexpr char kDataFolder[] = "\\data\\";
inline constexpr char kBackupFolder[] = "\\backup\\";
inline constexpr char kBackupRegistryPath[] = "\\backup\\books\\books.edb";
inline constexpr char kBackupDataFolder[] = "\\backup\\data\\";
inline constexpr char kSetupFolder[] = "\\setup\\";
inline constexpr char kDebugIniPath[] = "\\debug.ini";

inline constexpr char kUserAlias[] = "user";
inline constexpr char kRegistryAlias[] = "books";

// Field names (GBK).
namespace field {
inline constexpr char kPass[] = "pass";
inline constexpr char kNeedPass[] = "needpass";
inline constexpr char kNumber[] = "number";
inline constexpr char kName[] = "name";
inline constexpr char kSaveTo[] = "saveto";
inline constexpr char kCreateTime[] = "createtime";
inline constexpr char kDate[] = "\xC8\xD5\xC6\xDA";                        // 日期
inline constexpr char kDirection[] = "\xB7\xBD\xCF\xF2";                   // 方向
inline constexpr char kItem[] = "\xCF\xEE\xC4\xBF";                        // 项目
inline constexpr char kAmount[] = "\xBD\xF0\xB6\xEE";                      // 金额
inline constexpr char kMember[] = "\xB3\xC9\xD4\xB1";                      // 成员
inline constexpr char kNote[] = "\xB1\xB8\xD7\xA2";                        // 备注
inline constexpr char kHasVoucher[] = "\xC6\xB1\xBE\xDD\xB8\xBD\xC2\xBC";  // 票据附录
inline constexpr char kVouchers[] = "\xC6\xB1\xBE\xDD";                    // 票据
}  // namespace field

// Bytes a text field keeps; longer texts are cut to them (on a character
// boundary), so the boxes that type them take no more.
namespace width {
inline constexpr int kPassword = 20;  // user store and registry
inline constexpr int kLedgerName = 20;
inline constexpr int kSaveTo = 512;
inline constexpr int kItem = 50;
inline constexpr int kMember = 20;
inline constexpr int kNote = 512;
}  // namespace width

// The user store: the login password and whether important operations ask for it.
const std::vector<FieldDescription>& userStoreFields();
// The ledger registry: one record per ledger.
const std::vector<FieldDescription>& registryFields();
// A ledger's entry table: one record per entry (611 bytes).
const std::vector<FieldDescription>& entryFields();

// A stored path (GBK, "\" or "/" separators, relative to the run directory) as
// a file below the run directory. Nothing when it does not convert, or when
// it would lead outside `within` (a stored relative folder such as "\data\").
std::optional<std::filesystem::path> storedPathToFile(const RunDirectory& run,
                                                      std::string_view stored,
                                                      std::string_view within = "");

// The relative data-file path for a new ledger named `name` (GBK):
// "\data\N.edb", or "\data\N（k）.edb" with the smallest k whose file does not
// exist yet. Nothing when the name does not make a file name.
std::optional<std::string> newLedgerDataPath(
    const RunDirectory& run, std::string_view name,
    const std::function<bool(const std::filesystem::path&)>& exists);

}  // namespace qinghe::store
