#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/user_interaction.h"
#include "entry/ledger_rows.h"
#include "import/bill_formats.h"
#include "import/bill_rules.h"
#include "import/bill_source.h"
#include "import/import_setup.h"
#include "import/imported_numbers.h"

namespace qinghe {
struct AppState;
}
namespace qinghe::entry {
class EntryListView;
}

namespace qinghe::import {

enum class RowStatus { New, Duplicate, PossibleDuplicate, Skipped };

// One row of the preview: what it will become when it is ticked. Texts GBK.
struct PreviewRow {
    std::size_t line = 0;
    bool ticked = false;
    RowStatus status = RowStatus::New;
    Reason reason = Reason::None;
    double date = 0;  // date and time
    Direction direction = Direction::Expense;
    Money amount;
    std::string category;
    std::string item;
    std::string member;
    std::string note;
    bool replaced = false;    // characters GBK cannot hold became "?"
    bool itemChosen = false;  // the user gave it its item
    std::string key;          // the transaction's number as remembered
};

// The columns of the preview's list.
enum PreviewColumn {
    kTickColumn,
    kDateColumn,
    kDirectionColumn,
    kAmountColumn,
    kItemColumn,
    kMemberColumn,
    kNoteColumn,
    kStatusColumn,
    kPreviewColumnCount,
};

// The window "导入账单" over one bill: its rows with a tick box each, the
// item and member each will get, and a status (新, 重复, 可能重复, 跳过 with
// the reason). Made by the flow with the bill read into memory; load() reads
// its rows (on any thread: it touches nothing of the program's state), and
// the window then shows them and acts through the functions below; "导入"
// appends the ticked rows to the ledger in one change.
class BillImportModel final : public WindowModel {
  public:
    BillImportModel(AppState& state, BillSource source, ImportedNumbers numbers,
                    entry::EntryListView* view);

    // --- reading the bill -------------------------------------------------

    // Reads the rows; `progress` gets the share done (0..1) now and then, and
    // `cancel` (optional) stops the reading when set. False when the bill
    // cannot be read whole; finishLoad then says why.
    bool load(const std::function<void(double)>& progress = {},
              const std::atomic<bool>* cancel = nullptr);
    // On the window's thread, after load: tells the user when it failed.
    // True when the rows can be shown.
    bool finishLoad();
    bool loaded() const { return loaded_; }

    const std::string& fileName() const { return source_.name; }
    BillFormat format() const { return format_; }
    // "支付宝账单" and the like.
    std::string formatName() const;

    // --- rows ----------------------------------------------------------

    const std::vector<PreviewRow>& rows() const { return rows_; }
    std::string cellText(std::size_t row, PreviewColumn column) const;
    // The status column: "新", "重复：以前已导入", "跳过：不计收支", ...
    std::string statusText(std::size_t row) const;
    // A row imported before can never be ticked again.
    bool canTick(std::size_t row) const;
    void setTicked(std::size_t row, bool ticked);
    std::size_t tickedCount() const;

    // The item choices of a row (its direction's items).
    const std::vector<std::string>& itemChoices(std::size_t row) const;
    const std::vector<std::string>& memberChoices() const;
    // The items of a direction (1 income, 2 expense).
    const std::vector<std::string>& itemChoicesOf(Direction direction) const {
        return direction == Direction::Income ? incomeItems_ : expenseItems_;
    }
    // Gives the row this item; with `everyRowOfCategory` ("以后都这样") every
    // row of its category and direction gets it too, and the import remembers it.
    void setItem(std::size_t row, const std::string& item, bool everyRowOfCategory);
    // Every row of the category, in either direction, gets the item ("以后都这样"
    // without a row picked: the command line's --item-map). False when no row has it.
    bool setItemForCategory(const std::string& category, const std::string& item);
    void setMember(std::size_t row, const std::string& member);
    void setMemberForAll(const std::string& member);
    // The item a category without one goes to, per direction (1 income, 2
    // expense); rows that had the old default get the new one.
    const std::string& defaultItem(Direction direction) const;
    void setDefaultItem(Direction direction, const std::string& item);

    // --- mapping (a bill of no known form) -----------------------------

    bool mapped() const { return format_ == BillFormat::Mapped; }
    // The header's names (GBK), for the mapping's drop-downs.
    const std::vector<std::string>& columnNames() const { return columnNames_; }
    const ColumnMapping& mapping() const { return mapping_; }
    // Whether the mapping was remembered for this header (not guessed).
    bool mappingRemembered() const { return mappingRemembered_; }
    // Why the mapping as it stands reads no rows (GBK; empty when it reads).
    const std::string& mappingProblem() const { return mappingProblem_; }
    // Sets one field's column (none: not in the file) and reads the rows again;
    // false (said so) when a row cannot be read with it: the rows are then
    // empty until the mapping reads.
    bool setMapping(MappedField field, std::optional<std::size_t> column);
    // The whole mapping at once (the command line's --map).
    bool setMapping(const ColumnMapping& mapping);

    // --- importing -----------------------------------------------------

    enum class Outcome { None, Imported, Cancelled };
    // "导入": appends the ticked rows in one change, remembers their numbers
    // and what was mapped, puts new item names in front of their lists, and
    // says how many were added. False (said so) when nothing was added; the
    // window then stays open.
    bool importTicked();
    void cancel() { outcome_ = Outcome::Cancelled; }
    Outcome outcome() const { return outcome_; }
    std::size_t importedCount() const { return imported_; }

    // Progress is told this often (rows read between two reports).
    static constexpr std::size_t kProgressStep = 512;

  private:
    enum class LoadError {
        None,
        NotText,
        NotWorkbook,
        BadWorkbook,
        NoTable,
        UnclosedQuote,
        BadRow
    };

    // Records to rows: the rules, the numbers, the entries of the ledger.
    void buildRows(const std::vector<BillRecord>& records);
    bool readMappedRecords(bool tell);
    std::string itemFor(const std::string& category, Direction direction) const;
    std::string keyFor(const BillRecord& record, std::unordered_map<std::string, int>& seen) const;
    void tell(const std::string& text) const;

    AppState& state_;
    BillSource source_;
    ImportedNumbers numbers_;
    entry::EntryListView* view_;
    std::shared_ptr<const LedgerRows> ledgerRows_;
    ImportSetup setup_;
    std::vector<std::string> incomeItems_;
    std::vector<std::string> expenseItems_;
    std::vector<std::string> members_;
    std::string defaultIncomeItem_;
    std::string defaultExpenseItem_;
    bool defaultsChosen_ = false;

    bool loaded_ = false;
    LoadError error_ = LoadError::None;
    std::size_t errorLine_ = 0;
    BadRow::What badWhat_ = BadRow::What::Date;
    BillFormat format_ = BillFormat::Mapped;
    BillTable table_;
    BillHeader header_;
    std::vector<std::string> columnNames_;
    ColumnMapping mapping_;
    bool mappingRemembered_ = false;
    std::vector<PreviewRow> rows_;
    // Why a guessed or remembered mapping read no rows (empty: it read).
    std::string mappingProblem_;
    // Categories the user mapped with "以后都这样", per direction.
    std::map<std::string, std::string> chosenIncome_, chosenExpense_;
    Outcome outcome_ = Outcome::None;
    std::size_t imported_ = 0;
};

}  // namespace qinghe::import
