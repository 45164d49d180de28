// Writes the seed corpus of table_fuzzer: tables made by the real store, in the
// fuzzer's input form. Usage: make_corpus <output folder>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/temporary_folder.h"
#include "fuzz/silent_user.h"
#include "fuzz/table_input.h"
#include "store/companion_file.h"
#include "store/file_layer.h"
#include "store/table_store.h"
#include "tables/schemas.h"

namespace {

using namespace qinghe;
using namespace qinghe::store;
using namespace qinghe::tables;
namespace flag = qinghe::fuzz::flag;

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string pattern(std::size_t length, unsigned seed) {
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(seed >> 16);
    }
    return bytes;
}

class Generator {
  public:
    explicit Generator(std::filesystem::path output)
        : output_(std::move(output)), scratch_("qinghe-corpus-"), folder_(scratch_.path()) {
        std::filesystem::create_directories(output_);
    }
    Generator(const Generator&) = delete;
    Generator& operator=(const Generator&) = delete;

    // Builds a plain table with `fields`, lets `fill` work on it, and saves it
    // once per flag set under "<name>-<index>".
    bool make(const std::string& name, const std::vector<FieldDescription>& fields,
              const std::function<bool(TableStore&)>& fill,
              const std::vector<std::uint8_t>& flagSets) {
        const std::filesystem::path dataFile = folder_ / (name + ".edb");
        {
            TableStore store(files_, clock_);
            if (!store.create(dataFile, fields) || !store.open(dataFile, "", "") || !fill(store)) {
                std::fprintf(stderr, "make_corpus: building %s failed\n", name.c_str());
                return false;
            }
        }
        fuzz::TableInput input;
        input.data = readFile(dataFile);
        if (auto companion = CompanionFile::find(files_, dataFile)) {
            input.companion = readFile(*companion);
        }
        for (std::size_t i = 0; i < flagSets.size(); ++i) {
            input.flags = flagSets[i];
            auto bytes = fuzz::encodeInput(input);
            if (!bytes) return false;
            std::ofstream out(output_ / (name + "-" + std::to_string(i + 1)), std::ios::binary);
            out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
            if (!out) return false;
        }
        return true;
    }

  private:
    std::filesystem::path output_;
    TemporaryFolder scratch_;
    std::filesystem::path folder_;
    PosixFileSystem files_;
    FixedClock clock_{45000.5};
    fuzz::SilentUser user_;
};

bool appendEntry(TableStore& store, double date, int direction, const std::string& item,
                 double amount, const std::string& vouchers) {
    return store.append() && store.write(field::kDate, DateTime{date}) &&
           store.write(field::kDirection, std::int32_t{direction}) &&
           store.write(field::kItem, item) && store.write(field::kAmount, amount) &&
           store.write(field::kMember, std::string("\xB0\xD6\xB0\xD6")) &&  // 爸爸
           store.write(field::kNote, std::string("note")) &&
           store.write(field::kHasVoucher, !vouchers.empty()) &&
           store.write(field::kVouchers, Bytes{vouchers});
}

bool threeEntries(TableStore& store) {
    return appendEntry(store, 45000.25, 1, "\xB9\xA4\xD7\xCA", 8000.5, "") &&  // 工资
           appendEntry(store, 45001.5, 2, "\xB2\xCD\xD2\xFB", 35.2,            // 餐饮
                       pattern(1200, 7)) &&
           appendEntry(store, 44999.0, 2, "\xBD\xBB\xCD\xA8", 4, pattern(40, 9));  // 交通
}

bool oneUser(TableStore& store) {
    return store.append() && store.write(field::kPass, std::string("secret")) &&
           store.write(field::kNeedPass, std::int32_t{1});
}

// Two blocks in the middle of the companion file end up on the free chain.
bool freeChain(TableStore& store) {
    return appendEntry(store, 45000, 1, "a", 1, pattern(1200, 3)) &&
           appendEntry(store, 45002, 2, "b", 2, pattern(600, 4)) && store.goTo(1) &&
           store.write(field::kVouchers, Bytes{pattern(10, 5)});
}

// A record marked deleted, waiting for a purge.
bool oneDeleted(TableStore& store) {
    return threeEntries(store) && store.goTo(2) && store.remove();
}

const std::vector<FieldDescription>& allTypeFields() {
    static const std::vector<FieldDescription> fields = {
        {"b", FieldType::Byte, 0},  {"s", FieldType::Short, 0},    {"i", FieldType::Integer, 0},
        {"l", FieldType::Long, 0},  {"f", FieldType::Float, 0},    {"d", FieldType::Double, 0},
        {"o", FieldType::Bool, 0},  {"t", FieldType::DateTime, 0}, {"r", FieldType::Routine, 0},
        {"x", FieldType::Text, 12}, {"y", FieldType::ByteSet, 0},  {"z", FieldType::LongText, 0},
    };
    return fields;
}

bool allTypes(TableStore& store) {
    for (int i = 0; i < 2; ++i) {
        bool ok =
            store.append() && store.write("b", std::uint8_t(200 + i)) &&
            store.write("s", std::int16_t(-300)) && store.write("i", std::int32_t(70000 + i)) &&
            store.write("l", std::int64_t(1) << 40) && store.write("f", 1.5f) &&
            store.write("d", -2.25) && store.write("o", true) &&
            store.write("t", DateTime{45000.75}) && store.write("r", RoutineRef{0xDEADBEEF}) &&
            store.write("x", std::string("twelve bytes")) &&
            store.write("y", Bytes{pattern(520, 11 + i)}) && store.write("z", std::string(30, 'z'));
        if (!ok) return false;
    }
    return true;
}

// The smallest record: the sequence number and one byte.
bool oneByte(TableStore& store) {
    return store.append() && store.write("b", std::uint8_t{7}) && store.append();
}

bool oneLedger(TableStore& store) {
    return store.append() && store.write(field::kNumber, std::int32_t{1}) &&
           store.write(field::kName, std::string("\xBC\xD2\xCD\xA5")) &&  // 家庭
           store.write(field::kSaveTo, std::string("\\data\\a.edb")) &&
           store.write(field::kCreateTime, DateTime{45000.5});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_corpus <output folder>\n");
        return 2;
    }
    Generator generator(argv[1]);
    const std::vector<FieldDescription> oneByteFields = {{"b", FieldType::Byte, 0}};
    const std::uint8_t secret = flag::kEnciphered;
    bool ok = true;
    ok &= generator.make("user", userStoreFields(), oneUser,
                         {flag::kNoCompanion, secret | flag::kNoCompanion});
    // A byte set across three blocks.
    ok &= generator.make("entries", entryFields(), threeEntries,
                         {0, secret, secret | flag::kLowerExtension});
    ok &= generator.make("free-chain", entryFields(), freeChain, {0, secret});
    ok &= generator.make("deleted", entryFields(), oneDeleted, {secret | flag::kChangePassword, 0});
    ok &= generator.make("all-types", allTypeFields(), allTypes, {0, secret});
    ok &= generator.make("one-byte", oneByteFields, oneByte, {flag::kNoCompanion});
    ok &= generator.make("registry", registryFields(), oneLedger, {secret | flag::kNoCompanion});
    return ok ? 0 : 1;
}
