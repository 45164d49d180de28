#include "entry/exif.h"

#include <cstdint>
#include <optional>

#include "entry/byte_reading.h"

namespace qinghe::entry {

namespace {

constexpr std::string_view kExifHeader{"Exif\0\0", 6};
constexpr std::uint32_t kOrientationTag = 0x0112;
constexpr std::uint32_t kThumbnailOffsetTag = 0x0201;
constexpr std::uint32_t kThumbnailLengthTag = 0x0202;
constexpr std::uint32_t kShortType = 3;
constexpr std::uint32_t kLongType = 4;

// The TIFF structure inside the block, in its own byte order; every read is
// checked against its end.
class Tiff {
  public:
    explicit Tiff(std::string_view bytes) : bytes_(bytes) {}

    bool readByteOrder() {
        if (bytes_.size() < 8) return false;
        if (bytes_.substr(0, 4) == std::string_view("II*\0", 4)) {
            bigEndian_ = false;
        } else if (bytes_.substr(0, 4) == std::string_view("MM\0*", 4)) {
            bigEndian_ = true;
        } else {
            return false;
        }
        return true;
    }

    std::optional<std::uint32_t> u16(std::uint64_t offset) const {
        if (offset + 2 > bytes_.size()) return std::nullopt;
        return bigEndian_ ? readBe16(bytes_, offset) : readLe16(bytes_, offset);
    }
    std::optional<std::uint32_t> u32(std::uint64_t offset) const {
        if (offset + 4 > bytes_.size()) return std::nullopt;
        return bigEndian_ ? readBe32(bytes_, offset) : readLe32(bytes_, offset);
    }
    std::string_view bytes() const { return bytes_; }

  private:
    std::string_view bytes_;
    bool bigEndian_ = false;
};

struct Entry {
    std::uint32_t tag = 0;
    std::uint32_t type = 0;
    std::uint32_t count = 0;
    std::uint64_t valueOffset = 0;  // where the value (or the offset to it) is
};

// Calls visit(entry) for each entry of the directory at `offset`; returns the
// offset of the next directory, 0 for none.
template <typename Visit>
std::uint32_t walkDirectory(const Tiff& tiff, std::uint32_t offset, Visit&& visit) {
    const auto count = tiff.u16(offset);
    if (!count) return 0;
    for (std::uint32_t i = 0; i < *count; ++i) {
        const std::uint64_t at = std::uint64_t{offset} + 2 + std::uint64_t{i} * 12;
        const auto tag = tiff.u16(at);
        const auto type = tiff.u16(at + 2);
        const auto n = tiff.u32(at + 4);
        if (!tag || !type || !n || at + 12 > tiff.bytes().size()) return 0;
        visit(Entry{*tag, *type, *n, at + 8});
    }
    return tiff.u32(std::uint64_t{offset} + 2 + std::uint64_t{*count} * 12).value_or(0);
}

}  // namespace

ExifFacts readExif(std::string_view app1) {
    ExifFacts facts;
    if (app1.substr(0, kExifHeader.size()) != kExifHeader) return facts;
    Tiff tiff(app1.substr(kExifHeader.size()));
    if (!tiff.readByteOrder()) return facts;
    const auto first = tiff.u32(4);
    if (!first) return facts;

    const std::uint32_t second = walkDirectory(tiff, *first, [&](const Entry& e) {
        if (e.tag == kOrientationTag && e.type == kShortType && e.count == 1) {
            const auto value = tiff.u16(e.valueOffset);
            if (value && *value >= 1 && *value <= 8) facts.orientation = static_cast<int>(*value);
        }
    });
    // The second directory describes the thumbnail. A loop back to the first
    // one is not followed.
    if (second == 0 || second == *first) return facts;
    std::optional<std::uint32_t> start, length;
    walkDirectory(tiff, second, [&](const Entry& e) {
        if (e.count != 1 || (e.type != kLongType && e.type != kShortType)) return;
        const auto value = e.type == kLongType ? tiff.u32(e.valueOffset) : tiff.u16(e.valueOffset);
        if (e.tag == kThumbnailOffsetTag) start = value;
        if (e.tag == kThumbnailLengthTag) length = value;
    });
    if (start && length && *length > 0 && std::uint64_t{*start} + *length <= tiff.bytes().size()) {
        facts.thumbnail = tiff.bytes().substr(*start, *length);
    }
    return facts;
}

}  // namespace qinghe::entry
