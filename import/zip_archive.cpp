#include "import/zip_archive.h"

#include <zip.h>

namespace qinghe::import {

struct ZipArchive::Handle {
    zip_t* archive = nullptr;
    ~Handle() {
        if (archive) zip_discard(archive);
    }
};

ZipArchive::ZipArchive(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}

ZipArchive::~ZipArchive() = default;

std::unique_ptr<ZipArchive> ZipArchive::open(std::string_view bytes) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    zip_error_fini(&error);
    if (source == nullptr) return nullptr;
    zip_error_init(&error);
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    zip_error_fini(&error);
    if (archive == nullptr) {
        zip_source_free(source);
        return nullptr;
    }
    auto handle = std::make_unique<Handle>();
    handle->archive = archive;
    std::unique_ptr<ZipArchive> zip(new ZipArchive(std::move(handle)));
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t index = 0; index < count; ++index) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &stat) != 0)
            return nullptr;
        Entry entry;
        if (stat.valid & ZIP_STAT_NAME && stat.name) entry.name = stat.name;
        if (stat.valid & ZIP_STAT_SIZE) entry.size = stat.size;
        entry.encrypted =
            (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE;
        entry.folder = !entry.name.empty() && entry.name.back() == '/';
        zip->entries_.push_back(std::move(entry));
    }
    return zip;
}

std::optional<std::size_t> ZipArchive::find(std::string_view name) const {
    for (std::size_t index = 0; index < entries_.size(); ++index) {
        if (entries_[index].name == name) return index;
    }
    return std::nullopt;
}

ZipArchive::ReadResult ZipArchive::read(std::size_t index,
                                        const std::optional<std::string>& password) const {
    ReadResult result;
    if (index >= entries_.size()) return result;
    const Entry& entry = entries_[index];
    if (entry.size > kMaxEntryBytes) {
        result.error = ReadError::TooLarge;
        return result;
    }
    if (entry.encrypted && !password) {
        result.error = ReadError::NeedsPassword;
        return result;
    }
    zip_file_t* file =
        entry.encrypted ? zip_fopen_index_encrypted(handle_->archive, index, 0, password->c_str())
                        : zip_fopen_index(handle_->archive, index, 0);
    if (file == nullptr) {
        const int code = zip_error_code_zip(zip_get_error(handle_->archive));
        zip_error_clear(handle_->archive);
        if (code == ZIP_ER_WRONGPASSWD) result.error = ReadError::WrongPassword;
        if (code == ZIP_ER_NOPASSWD) result.error = ReadError::NeedsPassword;
        return result;
    }
    std::string bytes;
    // The size the directory states is only a hint: the data may say otherwise.
    bytes.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(entry.size, 64u << 20)));
    char buffer[64 * 1024];
    bool failed = false;
    while (true) {
        const zip_int64_t got = zip_fread(file, buffer, sizeof buffer);
        if (got < 0) {
            failed = true;
            break;
        }
        if (got == 0) break;
        if (bytes.size() + static_cast<std::uint64_t>(got) > kMaxEntryBytes) {
            zip_fclose(file);
            result.error = ReadError::TooLarge;
            return result;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    const int code = failed ? zip_error_code_zip(zip_file_get_error(file)) : ZIP_ER_OK;
    const int closed = zip_fclose(file);
    if (failed || closed != 0) {
        // The traditional cipher checks a password by one byte only: a wrong
        // one passes that check now and then and shows as a wrong checksum.
        const bool wrong = code == ZIP_ER_WRONGPASSWD ||
                           (entry.encrypted && (code == ZIP_ER_CRC || closed == ZIP_ER_CRC));
        result.error = wrong ? ReadError::WrongPassword : ReadError::Damaged;
        return result;
    }
    result.bytes = std::move(bytes);
    return result;
}

bool looksLikeZip(std::string_view bytes) {
    return bytes.starts_with(std::string_view("PK\x03\x04", 4)) ||
           bytes.starts_with(std::string_view("PK\x05\x06", 4));
}

}  // namespace qinghe::import
