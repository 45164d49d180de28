// Opens arbitrary table files (data file and companion file) through the table
// store and works on them as the program does: check, open, walk every record
// and field, write, append, remove, purge, re-encipher,
// zap. Bad files must fail cleanly: no crash, no leak, no hang.
//
// When the checker finds nothing wrong with the files, the store must also keep
// them sound: values read back as written, a purge leaves no deleted record,
// and the checker still finds nothing afterwards.

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/clock.h"
#include "common/temporary_folder.h"
#include "fuzz/silent_user.h"
#include "fuzz/table_input.h"
#include "store/file_layer.h"
#include "store/page_cipher.h"
#include "store/table_check.h"
#include "store/table_format.h"
#include "store/table_store.h"
#include "tables/schemas.h"

namespace {

using namespace qinghe;
using namespace qinghe::store;
using namespace qinghe::tables;

// A folder of this process, emptied before every input and removed at exit.
// Memory-backed when possible: a purge flushes its change log to disk each time.
class WorkFolder {
  public:
    WorkFolder() : folder_(prefix(::getpid()), base()) {}

    const std::filesystem::path& path() const { return folder_.path(); }
    void clear() const { folder_.clear(); }

  private:
    static std::string prefix(long pid) { return "qinghe-fuzz-" + std::to_string(pid) + "-"; }

    static std::filesystem::path base() {
        std::error_code error;
        std::filesystem::path base = "/dev/shm";
        if (!std::filesystem::is_directory(base, error) || ::access(base.c_str(), W_OK) != 0) {
            base = std::filesystem::temp_directory_path();
        }
        removeAbandoned(base);
        return base;
    }

    // A crash skips the clean-up at exit: the folders of processes that are
    // gone are removed by the next run.
    static void removeAbandoned(const std::filesystem::path& base) {
        std::error_code error;
        const std::string kind = "qinghe-fuzz-";
        for (const auto& entry : std::filesystem::directory_iterator(base, error)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(kind, 0) != 0) continue;
            const long pid = std::strtol(name.c_str() + kind.size(), nullptr, 10);
            if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
                std::filesystem::remove_all(entry.path(), error);
            }
        }
    }

    TemporaryFolder folder_;
};

const WorkFolder& workFolder() {
    static const WorkFolder folder;
    return folder;
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Stamps the enciphered magic and the check block of the store password over the
// plain bytes and enciphers both files, as the store would have written them.
void encipher(std::string& data, std::string& companion) {
    static const PageCipher cipher(kStorePassword);
    std::memcpy(data.data(), kCipheredMagic, std::min<std::size_t>(4, data.size()));
    if (data.size() > kCheckBlockOffset) {
        const auto check = makeCheckBlock(kStorePassword);
        std::memcpy(data.data() + kCheckBlockOffset, check.data(),
                    std::min(check.size(), data.size() - kCheckBlockOffset));
    }
    cipher.apply(0, reinterpret_cast<std::uint8_t*>(data.data()), data.size());
    cipher.apply(0, reinterpret_cast<std::uint8_t*>(companion.data()), companion.size());
}

// Keeps the reads from being optimised away.
volatile std::uint64_t sink = 0;

void consume(const Value& value) {
    sink = sink + static_cast<std::uint64_t>(toInteger(value)) + toText(value).size() +
           toBytes(value).size() + (toBool(value) ? 1 : 0);
    const double number = toDouble(value) + toDate(value);
    sink = sink + (number == number ? 1 : 0);
}

[[noreturn]] void unsound(const char* what, const std::vector<std::string>& problems = {}) {
    std::fprintf(stderr, "table_fuzzer: a sound table went wrong: %s\n", what);
    for (const auto& problem : problems) std::fprintf(stderr, "  %s\n", problem.c_str());
    std::abort();
}

struct FieldChoice {
    int text = 0;  // field numbers, 0 for none
    int blob = 0;  // byte set or long text
    int integer = 0;
    FieldType blobType = FieldType::ByteSet;
};

FieldChoice chooseFields(const std::vector<FieldInfo>& fields) {
    FieldChoice choice;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        switch (fields[i].type) {
            case FieldType::Text:
                if (!choice.text) choice.text = number;
                break;
            case FieldType::ByteSet:
            case FieldType::LongText:
                if (!choice.blob) {
                    choice.blob = number;
                    choice.blobType = fields[i].type;
                }
                break;
            case FieldType::Integer:
                if (!choice.integer) choice.integer = number;
                break;
            default:
                break;
        }
    }
    return choice;
}

// Reads every field of every record; the number of records marked deleted.
int walk(TableStore& store) {
    const int fieldCount = static_cast<int>(store.currentFile()->fields().size());
    int deleted = 0;
    store.first();
    for (std::int32_t i = 0, n = store.recordCount(); i < n; ++i) {
        if (store.currentSequence() < 0) ++deleted;
        for (int f = 1; f <= fieldCount; ++f) consume(*store.read(f));
        store.skip(1);
    }
    return deleted;
}

Value blobValue(FieldType type, std::string bytes) {
    if (type == FieldType::LongText) return bytes;
    return Bytes{std::move(bytes)};
}

std::string blobPayload(std::size_t length, char seed) {
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(seed + i * 7);
    return bytes;
}

class Session {
  public:
    Session(const std::filesystem::path& dataFile, std::string_view password, bool sound)
        : dataFile_(dataFile), password_(password), sound_(sound) {}

    // Works on the open table; false when some operation failed.
    bool exercise(TableStore& store, bool changePassword) {
        bool ok = true;
        walk(store);
        const FieldChoice fields = chooseFields(store.currentFile()->fields());
        if (store.recordCount() == 0) ok = store.append() && ok;
        store.goTo(1);

        if (fields.text) ok = store.write(fields.text, std::string("fuzz \xB1\xB8\xD7\xA2")) && ok;
        if (fields.integer) {
            const bool written = store.write(fields.integer, std::int32_t{-123456});
            if (written && sound_ && toInteger(*store.read(fields.integer)) != -123456)
                unsound("an integer did not read back");
            ok = written && ok;
        }
        if (fields.blob) {
            // Across two blocks, then down to one: the second block is freed.
            for (std::size_t length : {std::size_t{700}, std::size_t{30}}) {
                ok = writeBlob(store, fields, blobPayload(length, 'a')) && ok;
            }
        }

        const std::int32_t before = store.recordCount();
        if (store.append()) {
            if (fields.blob) ok = writeBlob(store, fields, blobPayload(260, 'k')) && ok;
        } else {
            ok = false;
        }
        store.goTo(1);
        ok = store.remove() && ok;
        const bool purged = store.purge();
        ok = purged && ok;
        const int deletedLeft = walk(store);
        if (sound_ && purged && deletedLeft != 0) unsound("a purge left records marked deleted");
        if (sound_ && ok && store.recordCount() > before)
            unsound("a purge kept the removed record");

        if (changePassword) {
            const std::string other = password_.empty() ? kStorePassword : "";
            if (store.setPassword(other)) {
                password_ = other;
                walk(store);
            } else {
                ok = false;
            }
        }
        return ok;
    }

    const std::string& password() const { return password_; }

  private:
    bool writeBlob(TableStore& store, const FieldChoice& fields, const std::string& payload) {
        const bool written = store.write(fields.blob, blobValue(fields.blobType, payload));
        if (written && sound_) {
            const Value back = *store.read(fields.blob);
            const std::string bytes =
                fields.blobType == FieldType::LongText ? toText(back) : toBytes(back);
            if (bytes != payload) unsound("a companion value did not read back");
        }
        return written;
    }

    std::filesystem::path dataFile_;
    std::string password_;
    bool sound_;
};

void run(const fuzz::TableInput& input) {
    const WorkFolder& folder = workFolder();
    folder.clear();

    const bool enciphered = input.flags & fuzz::flag::kEnciphered;
    std::string data = input.data;
    std::string companion = input.companion;
    if (enciphered) encipher(data, companion);
    const std::filesystem::path dataFile = folder.path() / "f.edb";
    writeFile(dataFile, data);
    if (!(input.flags & fuzz::flag::kNoCompanion)) {
        const char* extension = (input.flags & fuzz::flag::kLowerExtension) ? "f.edt" : "f.EDT";
        writeFile(folder.path() / extension, companion);
    }

    std::string password = enciphered ? kStorePassword : "";
    if (input.flags & fuzz::flag::kWrongPassword) password = enciphered ? "" : kStorePassword;

    PosixFileSystem files;
    const TableCheck check = checkTable(files, dataFile, password);
    const bool sound = check.readable && check.problems.empty();
    // For looking into a reproducer: QINGHE_FUZZ_VERBOSE=1 table_fuzzer <input>
    static const bool verbose = std::getenv("QINGHE_FUZZ_VERBOSE") != nullptr;
    if (verbose) {
        std::fprintf(stderr, "checker: %s\n", check.readable ? "readable" : "unreadable");
        for (const auto& problem : check.problems) std::fprintf(stderr, "  %s\n", problem.c_str());
    }

    FixedClock clock(45000.5);
    fuzz::SilentUser user;
    Session session(dataFile, password, sound);
    bool ok = false;
    {
        TableStore store(files, clock);
        if (!store.open(dataFile, "t", password)) {
            if (sound) unsound("a sound table did not open");
            return;
        }
        ok = session.exercise(store, input.flags & fuzz::flag::kChangePassword);
        static_cast<void>(store.closeAll());
    }
    if (verbose) std::fprintf(stderr, "every operation %s\n", ok ? "succeeded" : "did not succeed");
    if (sound && ok) {
        const TableCheck after = checkTable(files, dataFile, session.password());
        if (!after.readable || !after.problems.empty())
            unsound("the checker objects", after.problems);
    }

    // Emptied last: a zap must leave a table that opens and reads.
    TableStore store(files, clock);
    if (!store.open(dataFile, "t", session.password())) {
        if (sound && ok) unsound("the table did not open again");
        return;
    }
    const bool zapped = store.zap();
    walk(store);
    if (sound && ok && zapped && store.recordCount() != 0) unsound("a zap kept records");
    static_cast<void>(store.closeAll());
    if (user.endCalls != 0) unsound("a read asked to end the program");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (auto input = qinghe::fuzz::decodeInput(data, size)) run(*input);
    return 0;
}
