#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/gbk.h"
#include "common/run_directory.h"
#include "store/table_format.h"

// The program's own tables: where they lie, the password they are stored
// under, their fields.
namespace qinghe::tables {

// Every table of the program is stored enciphered under this password.
inline constexpr char kStorePassword[] = "[.qorvenx";

// Where things lie below the run directory, in the stored form.
inline constexpr char kUserStorePath[] = "\\user\\user.edb";
inline constexpr char kRegistryPath[] = "\\books\\books.edb";
inline constexpr char kDataFolder[] = "\\data\\";
inline constexpr char kBackupFolder[] = "\\backup\\";
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
inline const std::string kDate = gbkText("日期");
inline const std::string kDirection = gbkText("方向");
inline const std::string kItem = gbkText("项目");
inline const std::string kAmount = gbkText("金额");
inline const std::string kMember = gbkText("成员");
inline const std::string kNote = gbkText("备注");
inline const std::string kHasVoucher = gbkText("票据附录");
inline const std::string kVouchers = gbkText("票据");
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
const std::vector<store::FieldDescription>& userStoreFields();
// The ledger registry: one record per ledger.
const std::vector<store::FieldDescription>& registryFields();
// A ledger's entry table: one record per entry (611 bytes).
const std::vector<store::FieldDescription>& entryFields();

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

}  // namespace qinghe::tables
