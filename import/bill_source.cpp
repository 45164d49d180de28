#include "import/bill_source.h"

#include "common/standard_messages.h"
#include "import/bill_text.h"
#include "import/import_texts.h"
#include "import/xlsx_sheet.h"
#include "import/zip_archive.h"

namespace qinghe::import {

namespace {

// Whether bytes can be a bill: a workbook, or text in one of the encodings.
bool readable(std::string_view bytes, bool& workbook) {
    workbook = isXlsx(bytes);
    return workbook || (!looksLikeZip(bytes) && decodeBillText(bytes).has_value());
}

// The bill inside an archive: the first file in it that is a workbook or a
// text, each read in memory (an encrypted one with the password asked for).
SourceOutcome fromArchive(const std::string& bytes, const std::string& name, UserInteraction& user,
                          const PasswordAsker& askPassword, BillSource& source) {
    auto zip = ZipArchive::open(bytes);
    if (!zip) {
        showError(user, aboutFile(name, texts::kBadZip));
        return SourceOutcome::Refused;
    }
    std::optional<std::string> password;
    bool wrongBefore = false;
    for (std::size_t index = 0; index < zip->entries().size(); ++index) {
        const ZipArchive::Entry& entry = zip->entries()[index];
        if (entry.folder || entry.name.starts_with("__MACOSX/")) continue;
        while (true) {
            if (entry.encrypted && !password) {
                password = askPassword(wrongBefore);
                if (!password) return SourceOutcome::Cancelled;
            }
            auto read = zip->read(index, password);
            // A password typed as GBK may have been set as UTF-8 (or the other way).
            if (!read.bytes && read.error == ZipArchive::ReadError::WrongPassword) {
                for (const auto& other : {gbkToUtf8(*password), utf8ToGbk(*password)}) {
                    if (other && *other != *password) {
                        auto again = zip->read(index, other);
                        if (again.bytes) {
                            read = std::move(again);
                            break;
                        }
                    }
                }
            }
            if (read.bytes) {
                bool workbook = false;
                if (!readable(*read.bytes, workbook)) break;
                source = BillSource{name, std::move(*read.bytes), workbook};
                return SourceOutcome::Opened;
            }
            switch (read.error) {
                case ZipArchive::ReadError::WrongPassword:
                case ZipArchive::ReadError::NeedsPassword:
                    password.reset();
                    wrongBefore = true;
                    continue;
                case ZipArchive::ReadError::TooLarge:
                    showError(user, aboutFile(name, texts::kTooLarge));
                    return SourceOutcome::Refused;
                case ZipArchive::ReadError::Damaged:
                    showError(user, aboutFile(name, texts::kZipEntryDamaged));
                    return SourceOutcome::Refused;
            }
        }
    }
    showError(user, aboutFile(name, texts::kZipHoldsNoBill));
    return SourceOutcome::Refused;
}

}  // namespace

std::string aboutFile(std::string_view name, std::string_view what) {
    std::string text = texts::kFileOpen;
    text += name;
    text += texts::kFileClose;
    text += what;
    return text;
}

SourceOutcome openBillBytes(std::string bytes, std::string name, UserInteraction& user,
                            const PasswordAsker& askPassword, BillSource& source) {
    if (bytes.empty()) {
        showError(user, aboutFile(name, texts::kEmpty));
        return SourceOutcome::Refused;
    }
    if (looksLikeZip(bytes)) {
        if (isXlsx(bytes)) {
            source = BillSource{std::move(name), std::move(bytes), true};
            return SourceOutcome::Opened;
        }
        return fromArchive(bytes, name, user, askPassword, source);
    }
    auto text = decodeBillText(bytes);
    if (!text) {
        showError(user, aboutFile(name, texts::kNotText));
        return SourceOutcome::Refused;
    }
    source = BillSource{std::move(name), std::move(bytes), false, std::move(text->utf8)};
    return SourceOutcome::Opened;
}

SourceOutcome openBillSource(store::FileSystem& files, UserInteraction& user,
                             const std::filesystem::path& file, const PasswordAsker& askPassword,
                             BillSource& source) {
    std::string name = pathToGbk(file.filename());
    auto opened = files.open(file, store::OpenMode::ReadOnly);
    const auto size = opened ? opened->size() : std::nullopt;
    if (!size) {
        showError(user, aboutFile(name, texts::kUnreadable));
        return SourceOutcome::Refused;
    }
    if (*size > kMaxBillFileBytes) {
        showError(user, aboutFile(name, texts::kTooLarge));
        return SourceOutcome::Refused;
    }
    std::string bytes(static_cast<std::size_t>(*size), '\0');
    if (!bytes.empty() && !opened->readAt(0, bytes.data(), bytes.size())) {
        showError(user, aboutFile(name, texts::kUnreadable));
        return SourceOutcome::Refused;
    }
    return openBillBytes(std::move(bytes), std::move(name), user, askPassword, source);
}

}  // namespace qinghe::import
