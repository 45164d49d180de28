#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "import/bill_import.h"
#include "import/bill_preview.h"
#include "import/imported_numbers.h"
#include "tests/entry/entry_fixture.h"
#include "tests/import/bill_files.h"

namespace qinghe::testing {

// The ledger "家庭" of the entry flows' fixture, and bills written into the
// run directory's own folder "bills".
class ImportTest : public EntryFlowTest {
  protected:
    using Model = import::BillImportModel;

    std::filesystem::path bill(const std::string& name, const std::string& bytes) {
        std::filesystem::create_directories(folder_ / "bills");
        const auto path = folder_ / "bills" / name;
        writeFile(path, bytes);
        return path;
    }

    // "导入账单..." on `file`, the window doing `inWindow` with its model once
    // the bill is read (nothing: it is closed at once). The window reads the
    // bill first, as the dialog does, and closes when it cannot.
    import::ImportBillResult importFile(const std::filesystem::path& file,
                                        const std::function<void(Model&)>& inWindow) {
        user_.fileChoices.push_back({file});
    user_.windowVisits.push_back([inWindow](WindowKind kind, WindowModel& window) {
        EXPECT_EQ(kind, WindowKind::BillImport);
        auto& model = dynamic_cast<Model&>(window);
        model.load();
        if (!model.finishLoad()) return;
        if (inWindow) inWindow(model);
    });
    return import::importBill(state_, view_);
}

// Imports what the window ticks by default.
import::ImportBillResult
importDefaults(const std::filesystem::path& file) {
    return importFile(file, [](Model& model) { model.importTicked(); });
}

import::ImportedNumbers numbers() { import::ImportedNumbers read;
import::readImportedNumbers(files_, folder_ / "data" / "家庭.imported", read);
return read;
}  // namespace qinghe::testing

std::string lastMessage() const {
    return user_.messages.empty() ? std::string() : gbkToUtf8Lossy(user_.messages.back().text);
}
}
;

}  // namespace qinghe::testing
