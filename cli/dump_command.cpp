#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/console_user.h"
#include "cli/run_session.h"
#include "common/clock.h"
#include "common/gbk.h"
#include "store/md5.h"
#include "store/table_store.h"
#include "tables/schemas.h"
#include "tables/store_failures.h"

namespace qinghe::cli {
namespace {

struct DumpOptions {
    std::string table;
    std::string password = tables::kStorePassword;
    std::string bytesDir;
};

nlohmann::json fieldValue(const store::Value& value) {
    return std::visit(
        [](const auto& v) -> nlohmann::json {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>) {
                return gbkToUtf8Lossy(v);
            } else if constexpr (std::is_same_v<T, store::DateTime>) {
                return v.days;
            } else if constexpr (std::is_same_v<T, store::Bytes>) {
                return {{"length", v.bytes.size()}, {"md5", store::md5Hex(v.bytes)}};
            } else if constexpr (std::is_same_v<T, store::RoutineRef>) {
                return v.value;
            } else {
                return v;
            }
        },
        value);
}

int runDump(const DumpOptions& options) {
    // A table of a run directory whose restore is unfinished is not yet the
    // one it will be.
    if (unfinishedWorkTold(std::filesystem::absolute(options.table).parent_path().parent_path()))
        return 2;
    store::PosixFileSystem files;
    SystemClock clock;
    ConsoleUser user;
    store::TableStore tables(files, clock);
    // Looking never changes the table, not even to finish an interrupted change.
    tables.setReadOnly(true);
    // Texts on the command line are UTF-8; the store's password is GBK.
    auto password = utf8ToGbk(options.password);
    if (!password || !tables.open(options.table, "", *password)) {
        std::cerr << "cannot open " << options.table
                  << " (missing, damaged, or another password)\n";
        return 2;
    }
    store::TableFile& file = *tables.currentFile();
    for (const auto& finding : file.findings()) std::cerr << "note: " << finding << "\n";
    const auto& header = file.header();
    nlohmann::json fields = nlohmann::json::array();
    for (const auto& field : file.fields()) {
        fields.push_back({{"name", gbkToUtf8Lossy(field.name)},
                          {"type", static_cast<int>(field.type)},
                          {"offset", field.offset},
                          {"width", field.width}});
    }
    nlohmann::json head = {{"magic", std::string(header.magic.data(), 4)},
                           {"version", header.version},
                           {"record_count", header.recordCount},
                           {"next_sequence", header.nextSequence},
                           {"record_size", header.recordSize},
                           {"fields", fields}};
    std::cout << head.dump() << "\n";

    std::filesystem::path bytesDir = options.bytesDir;
    if (!bytesDir.empty()) std::filesystem::create_directories(bytesDir);
    int result = 0;
    tables.first();
    for (int recno = 1, count = tables.recordCount(); recno <= count; ++recno) {
        nlohmann::json values = nlohmann::json::object();
        for (std::size_t i = 0; i < file.fields().size(); ++i) {
            const auto& field = file.fields()[i];
            store::Value value = tables::readField(tables, user, static_cast<int>(i + 1));
            std::string name = gbkToUtf8Lossy(field.name);
            if (tables.lastReadDamaged()) {
                // Not an empty value: its chain of blocks is broken.
                values[name] = {{"damaged", true}};
                result = 1;
                continue;
            }
            values[name] = fieldValue(value);
            const auto* bytes = std::get_if<store::Bytes>(&value);
            if (bytes && !bytes->bytes.empty() && !bytesDir.empty()) {
                std::ofstream out(bytesDir / (std::to_string(recno) + "-" + name + ".bin"),
                                  std::ios::binary);
                out.write(bytes->bytes.data(), static_cast<std::streamsize>(bytes->bytes.size()));
                if (!out) {
                    std::cerr << "cannot write into " << bytesDir << "\n";
                    return 2;
                }
            }
        }
        std::int32_t sequence = tables.currentSequence();
        nlohmann::json record = {
            {"recno", recno}, {"seq", sequence}, {"deleted", sequence < 0}, {"fields", values}};
        std::cout << record.dump() << "\n";
        tables.skip();
    }
    if (result != 0) std::cerr << "some values could not be read: their blocks are damaged\n";
    return result;
}

}  // namespace

void addDumpCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<DumpOptions>();
    CLI::App* command = app.add_subcommand(
        "dump",
        "Print a table's header and records as JSON lines (texts as UTF-8), reading only. "
        "Exit 1 when a value cannot be read (printed as {\"damaged\": true}), 2 when the "
        "table cannot be opened");
    command->add_option("table", options->table, "The table's data file (.edb)")->required();
    command->add_option("--password", options->password,
                        "The table password; \"\" opens a plain table (default: the store "
                        "password)");
    command->add_option("--bytes-dir", options->bytesDir,
                        "Also write every non-empty byte set to DIR/<recno>-<field>.bin");
    command->callback([options, &exitCode] { exitCode = runDump(*options); });
}

}  // namespace qinghe::cli
