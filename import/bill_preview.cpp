#include "import/bill_preview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "common/money_text.h"
#include "common/ole_date.h"
#include "common/standard_messages.h"
#include "config/name_lists.h"
#include "entry/entry_changes.h"
#include "entry/entry_list.h"
#include "import/bill_text.h"
#include "import/csv_reader.h"
#include "import/import_texts.h"
#include "import/xlsx_sheet.h"
#include "session/app_state.h"
#include "store/md5.h"
#include "tables/schemas.h"

namespace qinghe::import {

namespace {

const std::vector<std::string> kNoChoices;

// Control characters from a bill (tabs, line breaks) are spaces in an entry.
std::string withoutControls(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    return text;
}

// "/" and "-" are what the apps write for nothing.
bool placeholder(std::string_view text) {
    return text.empty() || text == "/" || text == "-";
}

// The note: counterparty and goods ("早点铺 豆浆油条"), then the bill's own
// note, each once.
std::string noteOf(const BillRecord& record) {
    std::string note;
    for (const std::string* part : {&record.counterparty, &record.goods, &record.note}) {
        if (placeholder(*part) || note.find(*part) != std::string::npos) continue;
        if (!note.empty()) note += ' ';
        note += *part;
    }
    return withoutControls(std::move(note));
}

// Day, direction and amount of an entry: what an entry typed by hand shares
// with the same transaction in a bill.
struct SameEntryKey {
    std::int64_t day;
    Direction direction;
    double amount;
    friend auto operator<=>(const SameEntryKey&, const SameEntryKey&) = default;
};
SameEntryKey sameEntryKey(double date, Direction direction, double amount) {
    return {static_cast<std::int64_t>(std::floor(date)), direction, amount};
}

std::string dateTimeText(double date) {
    const double day = std::floor(date);
    const int seconds = static_cast<int>(std::lround((date - day) * 86400.0));
    char time[16];
    std::snprintf(time, sizeof time, " %02d:%02d", seconds / 3600 % 24, seconds / 60 % 60);
    return dateToText(date) + time;
}

const char* prefixOf(BillFormat format) {
    switch (format) {
        case BillFormat::Alipay:
        case BillFormat::AlipayWeb:
            return "alipay:";
        case BillFormat::WeChat:
            return "wechat:";
        case BillFormat::Mapped:
            break;
    }
    return "bank:";
}

}  // namespace

BillImportModel::BillImportModel(AppState& state, BillSource source, ImportedNumbers numbers,
                                 entry::EntryListView* view)
    : state_(state),
      source_(std::move(source)),
      numbers_(std::move(numbers)),
      view_(view),
      ledgerRows_(state.currentLedger.rows),
      setup_(loadImportSetup(state.run)),
      incomeItems_(state.settings.incomeItems),
      expenseItems_(state.settings.expenseItems),
      members_(state.settings.members) {
    defaultIncomeItem_ = !setup_.defaultIncomeItem.empty() ? setup_.defaultIncomeItem
                         : incomeItems_.empty()            ? std::string()
                                                           : incomeItems_.front();
    defaultExpenseItem_ = !setup_.defaultExpenseItem.empty() ? setup_.defaultExpenseItem
                          : expenseItems_.empty()            ? std::string()
                                                             : expenseItems_.front();
}

bool BillImportModel::load(const std::function<void(double)>& progress,
                           const std::atomic<bool>* cancel) {
    auto report = [&](double share) {
        if (progress) progress(share);
    };
    auto cancelled = [&] { return cancel && cancel->load(); };
    report(0);
    if (source_.workbook) {
        auto sheet = readXlsxSheet(source_.bytes);
        if (auto* error = std::get_if<XlsxError>(&sheet)) {
            error_ =
                *error == XlsxError::NotWorkbook ? LoadError::NotWorkbook : LoadError::BadWorkbook;
            return false;
        }
        table_ = std::move(std::get<BillTable>(sheet));
    } else {
        // The flow checked the text already; it decodes once.
        auto text = source_.text ? std::optional<DecodedText>(DecodedText{std::move(*source_.text)})
                                 : decodeBillText(source_.bytes);
        source_.text.reset();
        if (!text) {
            error_ = LoadError::NotText;
            return false;
        }
        if (cancelled()) return false;
        report(0.15);
        auto csv = readCsv(text->utf8);
        if (auto* quote = std::get_if<UnclosedQuote>(&csv)) {
            error_ = LoadError::UnclosedQuote;
            errorLine_ = quote->line;
            return false;
        }
        table_ = std::move(std::get<BillTable>(csv));
    }
    if (cancelled()) return false;
    report(0.4);

    std::vector<BillRecord> records;
    if (auto known = findKnownHeader(table_)) {
        header_ = std::move(*known);
        format_ = header_.format;
        auto read = readRecords(table_, header_, mapping_);
        if (auto* bad = std::get_if<BadRow>(&read)) {
            error_ = LoadError::BadRow;
            errorLine_ = bad->line;
            badWhat_ = bad->what;
            return false;
        }
        records = std::move(std::get<std::vector<BillRecord>>(read));
    } else {
        auto remembered = [this](const std::string& key) {
            return setup_.mappings.count(key) != 0;
        };
        auto header = findMappedHeader(table_, remembered);
        if (!header) {
            error_ = LoadError::NoTable;
            return false;
        }
        header_ = std::move(*header);
        format_ = BillFormat::Mapped;
        for (const std::string& name : header_.names)
            columnNames_.push_back(withoutControls(toStoredText(name).gbk));
        const auto it = setup_.mappings.find(headerKey(header_.names));
        mappingRemembered_ = it != setup_.mappings.end();
        mapping_ = mappingRemembered_ ? it->second : guessMapping(header_.names);
        if (cancelled()) return false;
        loaded_ = true;
        readMappedRecords(false);
        report(1);
        return true;
    }
    if (cancelled()) return false;
    report(0.6);
    buildRows(records);
    report(1);
    loaded_ = true;
    return true;
}

bool BillImportModel::finishLoad() {
    if (loaded_) return true;
    const std::string& name = source_.name;
    auto atLine = [&](const std::string& what) {
        return aboutFile(name, texts::kAtLine + std::to_string(errorLine_) + what);
    };
    switch (error_) {
        case LoadError::None:
            return false;  // cancelled
        case LoadError::NotText:
            tell(aboutFile(name, texts::kNotText));
            break;
        case LoadError::NotWorkbook:
        case LoadError::BadWorkbook:
            tell(aboutFile(name, texts::kBadWorkbook));
            break;
        case LoadError::NoTable:
            tell(aboutFile(name, texts::kNoTable));
            break;
        case LoadError::UnclosedQuote:
            tell(atLine(texts::kUnclosedQuote));
            break;
        case LoadError::BadRow:
            tell(atLine(badWhat_ == BadRow::What::Date ? texts::kBadDate : texts::kBadAmount));
            break;
    }
    return false;
}

void BillImportModel::tell(const std::string& text) const {
    showError(state_.user, text);
}

std::string BillImportModel::formatName() const {
    switch (format_) {
        case BillFormat::Alipay:
            return texts::kFormatAlipay;
        case BillFormat::AlipayWeb:
            return texts::kFormatAlipayWeb;
        case BillFormat::WeChat:
            return texts::kFormatWeChat;
        case BillFormat::Mapped:
            break;
    }
    return texts::kFormatMapped;
}

bool BillImportModel::readMappedRecords(bool tellProblem) {
    rows_.clear();
    mappingProblem_.clear();
    if (!mapping_.complete()) {
        mappingProblem_ = aboutFile(source_.name, texts::kNeedsMapping);
        return false;
    }
    auto read = readRecords(table_, header_, mapping_);
    if (auto* bad = std::get_if<BadRow>(&read)) {
        mappingProblem_ =
            aboutFile(source_.name,
                      texts::kAtLine + std::to_string(bad->line) +
                          (bad->what == BadRow::What::Date ? texts::kBadDate : texts::kBadAmount));
        if (tellProblem) tell(mappingProblem_);
        return false;
    }
    buildRows(std::get<std::vector<BillRecord>>(read));
    return true;
}

std::string BillImportModel::keyFor(const BillRecord& record,
                                    std::unordered_map<std::string, int>& seen) const {
    std::string key = prefixOf(format_);
    if (format_ == BillFormat::Mapped || record.number.empty()) {
        // No number: the row's own text, and which of the rows with that
        // text it is, stand for it.
        std::string text = headerKey(header_.names) + "\n";
        if (format_ == BillFormat::Mapped) {
            text += record.number;
        } else {
            text += std::to_string(record.dateTime) + "\x1F" + record.amount.digits + "\x1F" +
                    record.counterparty + "\x1F" + record.goods + "\x1F" + record.status;
        }
        const std::string digest = store::md5Hex(text);
        const int occurrence = ++seen[digest];
        return key + "row-" + digest + "#" + std::to_string(occurrence);
    }
    std::string number = record.number;
    const bool plain = std::all_of(number.begin(), number.end(),
                                   [](char c) { return static_cast<unsigned char>(c) > 0x20; });
    return key + (plain ? number : "md5-" + store::md5Hex(number));
}

std::string BillImportModel::itemFor(const std::string& category, Direction direction) const {
    const bool income = direction == Direction::Income;
    const auto& chosen = income ? chosenIncome_ : chosenExpense_;
    if (const auto it = chosen.find(category); it != chosen.end()) return it->second;
    const auto& remembered = setup_.itemsOf(income);
    if (const auto it = remembered.find(category); it != remembered.end()) return it->second;
    const auto& items = income ? incomeItems_ : expenseItems_;
    if (!category.empty() && std::find(items.begin(), items.end(), category) != items.end())
        return category;
    return defaultItem(direction);
}

void BillImportModel::buildRows(const std::vector<BillRecord>& records) {
    const std::vector<Decision> decisions = decide(records);
    // The ledger's entries on the bill's days, sorted once: a look-up per row.
    std::vector<SameEntryKey> entries;
    if (ledgerRows_ && !records.empty()) {
        std::vector<std::int64_t> days;
        days.reserve(records.size());
        for (const BillRecord& record : records)
            days.push_back(static_cast<std::int64_t>(std::floor(record.dateTime)));
        std::sort(days.begin(), days.end());
        days.erase(std::unique(days.begin(), days.end()), days.end());
        const LedgerRows& ledger = *ledgerRows_;
        for (std::size_t row = 0; row < ledger.size(); ++row) {
            const auto day = static_cast<std::int64_t>(std::floor(ledger.date(row)));
            if (day < days.front() || day > days.back() ||
                !std::binary_search(days.begin(), days.end(), day))
                continue;
            entries.push_back(
                sameEntryKey(ledger.date(row), ledger.direction(row), ledger.amount(row)));
        }
        std::sort(entries.begin(), entries.end());
    }
    std::unordered_map<std::string, int> seenRows;
    std::unordered_set<std::string> seenKeys;
    rows_.clear();
    rows_.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const BillRecord& record = records[i];
        const Decision& decision = decisions[i];
        PreviewRow row;
        row.line = record.line;
        row.reason = decision.reason;
        row.date = record.dateTime;
        row.direction = record.flow == Flow::Income ? Direction::Income : Direction::Expense;
        row.amount = decision.amount;
        StoredText category = toStoredText(withoutControls(record.category));
        row.category = std::string(cutGbk(category.gbk, tables::width::kItem));
        StoredText note = toStoredText(noteOf(record));
        row.note = std::string(cutGbk(note.gbk, tables::width::kNote));
        StoredText member = toStoredText(withoutControls(record.member));
        row.member = std::string(cutGbk(member.gbk, tables::width::kMember));
        row.replaced = category.replaced || note.replaced || member.replaced;
        row.item = itemFor(row.category, row.direction);
        row.key = keyFor(record, seenRows);
        if (decision.reason == Reason::Summary) {
            row.status = RowStatus::Skipped;
        } else if (numbers_.contains(row.key)) {
            row.status = RowStatus::Duplicate;
            row.reason = Reason::ImportedBefore;
        } else if (!seenKeys.insert(row.key).second) {
            row.status = RowStatus::Duplicate;
            row.reason = Reason::TwiceInFile;
        } else if (!decision.ticked) {
            row.status = RowStatus::Skipped;
        } else if (std::binary_search(entries.begin(), entries.end(),
                                      sameEntryKey(row.date, row.direction, row.amount.value()))) {
            row.status = RowStatus::PossibleDuplicate;
            row.reason = Reason::SameAsEntry;
        } else {
            row.status = RowStatus::New;
            row.ticked = true;
        }
        rows_.push_back(std::move(row));
    }
}

std::string BillImportModel::statusText(std::size_t index) const {
    const PreviewRow& row = rows_[index];
    std::string text;
    switch (row.status) {
        case RowStatus::New:
            text = texts::kStatusNew;
            break;
        case RowStatus::Duplicate:
            text = texts::kStatusDuplicate;
            break;
        case RowStatus::PossibleDuplicate:
            text = texts::kStatusPossibleDuplicate;
            break;
        case RowStatus::Skipped:
            text = texts::kStatusSkipped;
            break;
    }
    std::string reason;
    switch (row.reason) {
        case Reason::None:
            break;
        case Reason::Neutral:
            reason = texts::kReasonNeutral;
            break;
        case Reason::NotThrough:
            reason = texts::kReasonNotThrough;
            break;
        case Reason::RefundedInFull:
            reason = texts::kReasonRefundedInFull;
            break;
        case Reason::RefundSettled:
            reason = texts::kReasonRefundOffsets;
            break;
        case Reason::RefundDeducted:
            reason = texts::kReasonRefundDeducted;
            break;
        case Reason::PartlyRefunded:
            reason = texts::kReasonPartlyRefunded;
            break;
        case Reason::RefundAlone:
            reason = texts::kReasonRefundAlone;
            break;
        case Reason::ZeroAmount:
            reason = texts::kReasonZero;
            break;
        case Reason::Summary:
            reason = texts::kReasonSummary;
            break;
        case Reason::ImportedBefore:
            reason = texts::kReasonImportedBefore;
            break;
        case Reason::TwiceInFile:
            reason = texts::kReasonTwiceInFile;
            break;
        case Reason::SameAsEntry:
            reason = texts::kReasonSameAsEntry;
            break;
    }
    if (row.replaced) reason += (reason.empty() ? "" : gbkText("；")) + texts::kReasonReplaced;
    if (!reason.empty()) text += gbkText("：") + reason;
    return text;
}

std::string BillImportModel::cellText(std::size_t index, PreviewColumn column) const {
    const PreviewRow& row = rows_[index];
    switch (column) {
        case kTickColumn:
            return std::string();
        case kDateColumn:
            return dateTimeText(row.date);
        case kDirectionColumn:
            return row.direction == Direction::Income ? texts::kIncome : texts::kExpense;
        case kAmountColumn:
            return moneyText(row.amount.value());
        case kItemColumn:
            return row.item;
        case kMemberColumn:
            return row.member;
        case kNoteColumn:
            return row.note;
        case kStatusColumn:
            return statusText(index);
        case kPreviewColumnCount:
            break;
    }
    return std::string();
}

bool BillImportModel::canTick(std::size_t row) const {
    return row < rows_.size() && rows_[row].status != RowStatus::Duplicate &&
           rows_[row].reason != Reason::Summary;
}

void BillImportModel::setTicked(std::size_t row, bool ticked) {
    if (canTick(row)) rows_[row].ticked = ticked;
}

std::size_t BillImportModel::tickedCount() const {
    return static_cast<std::size_t>(
        std::count_if(rows_.begin(), rows_.end(), [](const PreviewRow& r) { return r.ticked; }));
}

const std::vector<std::string>& BillImportModel::itemChoices(std::size_t row) const {
    if (row >= rows_.size()) return kNoChoices;
    return rows_[row].direction == Direction::Income ? incomeItems_ : expenseItems_;
}

const std::vector<std::string>& BillImportModel::memberChoices() const {
    return members_;
}

void BillImportModel::setItem(std::size_t row, const std::string& item, bool everyRowOfCategory) {
    if (row >= rows_.size()) return;
    const std::string item1 = withoutControls(item);
    rows_[row].item = item1;
    rows_[row].itemChosen = true;
    if (!everyRowOfCategory) return;
    const std::string category = rows_[row].category;
    const Direction direction = rows_[row].direction;
    (direction == Direction::Income ? chosenIncome_ : chosenExpense_)[category] = item1;
    for (PreviewRow& other : rows_) {
        if (other.category == category && other.direction == direction) {
            other.item = item1;
            other.itemChosen = true;
        }
    }
}

bool BillImportModel::setItemForCategory(const std::string& category, const std::string& item) {
    // One row of each direction: setItem carries the choice to the others.
    bool foundIncome = false;
    bool foundExpense = false;
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        bool& found = rows_[row].direction == Direction::Income ? foundIncome : foundExpense;
        if (rows_[row].category != category || found) continue;
        setItem(row, item, true);
        found = true;
    }
    return foundIncome || foundExpense;
}

void BillImportModel::setMember(std::size_t row, const std::string& member) {
    if (row < rows_.size()) rows_[row].member = withoutControls(member);
}

void BillImportModel::setMemberForAll(const std::string& member) {
    for (PreviewRow& row : rows_) row.member = withoutControls(member);
}

const std::string& BillImportModel::defaultItem(Direction direction) const {
    return direction == Direction::Income ? defaultIncomeItem_ : defaultExpenseItem_;
}

void BillImportModel::setDefaultItem(Direction direction, const std::string& item) {
    (direction == Direction::Income ? defaultIncomeItem_ : defaultExpenseItem_) =
        withoutControls(item);
    defaultsChosen_ = true;
    for (PreviewRow& row : rows_) {
        if (row.direction == direction && !row.itemChosen)
            row.item = itemFor(row.category, row.direction);
    }
}

bool BillImportModel::setMapping(MappedField field, std::optional<std::size_t> column) {
    ColumnMapping mapping = mapping_;
    mapping[field] = column;
    return setMapping(mapping);
}

bool BillImportModel::setMapping(const ColumnMapping& mapping) {
    if (!mapped()) return false;
    mapping_ = mapping;
    return readMappedRecords(true);
}

bool BillImportModel::importTicked() {
    if (!loaded_) return false;
    if (mapped() && rows_.empty()) {
        tell(mappingProblem_.empty() ? aboutFile(source_.name, texts::kNeedsMapping)
                                     : mappingProblem_);
        return false;
    }
    std::vector<EntryValues> values;
    std::vector<std::string> keys;
    std::vector<std::size_t> taken;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const PreviewRow& row = rows_[i];
        if (!row.ticked) continue;
        EntryValues entry;
        entry.date = row.date;
        entry.direction = row.direction;
        entry.item = row.item;
        entry.amount = row.amount.value();
        entry.member = row.member;
        entry.note = row.note;
        values.push_back(entry::storedForm(entry));
        keys.push_back(row.key);
        taken.push_back(i);
    }
    if (values.empty()) {
        state_.user.showMessage({texts::kNothingTicked, texts::kImportTitle,
                                 MessageIcon::Information, MessageButtons::Ok});
        return false;
    }
    const auto table = entry::currentLedgerTable(state_);
    const auto rows = entry::currentLedgerRows(state_);
    if (!table || !rows) {
        tell(texts::kImportFailed);
        return false;
    }
    // What another import may have added since the window opened.
    auto numbers = settleImportedNumbers(state_, *table);
    if (!numbers) {
        tell(texts::kNumbersDamaged);
        return false;
    }
    const std::filesystem::path numbersFile = importedNumbersPath(*table);
    numbers->pending = PendingBatch{rows->size(), values.size(), rowsDigest(values), keys};
    if (!writeImportedNumbers(state_.files, numbersFile, *numbers)) {
        tell(texts::kNumbersNotWritten);
        return false;
    }
    if (!entry::addEntries(state_, values, view_)) {
        // The batch names rows the table does not hold: the next settling
        // drops it in any case; it goes now where it can.
        numbers->pending.reset();
        static_cast<void>(writeImportedNumbers(state_.files, numbersFile, *numbers));
        tell(texts::kImportFailed);
        return false;
    }
    numbers->keys.insert(keys.begin(), keys.end());
    numbers->pending.reset();
    // Its name need not last at once: should the old file with the pending
    // batch come back after a power loss, the next open finds the rows there.
    if (!writeImportedNumbers(state_.files, numbersFile, *numbers, FolderFlush::Later))
        tell(texts::kNumbersNotSaved);
    numbers_ = std::move(*numbers);
    ledgerRows_ = state_.currentLedger.rows;

    // New names in front of their lists, as the add window does.
    Settings& settings = state_.settings;
    bool itemsChanged = false;
    bool membersChanged = false;
    for (const EntryValues& entry : values) {
        auto& items =
            entry.direction == Direction::Income ? settings.incomeItems : settings.expenseItems;
        itemsChanged = putNameInFront(items, entry.item) || itemsChanged;
        membersChanged = putNameInFront(settings.members, entry.member) || membersChanged;
    }
    if (itemsChanged) saveItemListsOrTell(state_.run, settings, state_.user);
    if (membersChanged) saveMemberListOrTell(state_.run, settings, state_.user);

    // What was chosen is remembered for the next bill.
    for (const auto& [category, item] : chosenIncome_) setup_.incomeItems[category] = item;
    for (const auto& [category, item] : chosenExpense_) setup_.expenseItems[category] = item;
    // Defaults the user picked; the ones taken from the item lists follow them.
    if (defaultsChosen_) {
        setup_.defaultIncomeItem = defaultIncomeItem_;
        setup_.defaultExpenseItem = defaultExpenseItem_;
    }
    if (mapped()) setup_.mappings[headerKey(header_.names)] = mapping_;
    const bool setupChanged =
        !chosenIncome_.empty() || !chosenExpense_.empty() || defaultsChosen_ || mapped();
    if (setupChanged && !saveImportSetup(state_.run, setup_)) tell(texts::kSetupNotSaved);

    for (const std::size_t i : taken) {
        rows_[i].ticked = false;
        rows_[i].status = RowStatus::Duplicate;
        rows_[i].reason = Reason::ImportedBefore;
    }
    imported_ = values.size();
    outcome_ = Outcome::Imported;
    state_.user.showMessage(
        {texts::kImportedPrefix + std::to_string(values.size()) + texts::kImportedSuffix,
         texts::kDoneTitle, MessageIcon::Information, MessageButtons::Ok});
    return true;
}

}  // namespace qinghe::import
