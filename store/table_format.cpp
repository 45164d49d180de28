#include "store/table_format.h"

#include "common/gbk.h"
#include "store/password_digest.h"

namespace qinghe::store {

void encodeHeader(const TableHeader& header, std::uint8_t* out) {
    std::memset(out, 0, kHeaderSize);
    std::memcpy(out, header.magic.data(), 4);
    storeI32(out + 4, static_cast<std::int32_t>(header.version));
    storeF64(out + 8, header.created);
    storeI32(out + kRecordCountOffset, header.recordCount);
    storeI32(out + kNextSequenceOffset, header.nextSequence);
    storeI32(out + 24, header.recordSize);
    std::memcpy(out + kCheckBlockOffset, header.check.data(), kCheckBlockSize);
}

TableHeader decodeHeader(const std::uint8_t* in) {
    TableHeader header;
    std::memcpy(header.magic.data(), in, 4);
    header.version = loadU32(in + 4);
    header.created = loadF64(in + 8);
    header.recordCount = loadI32(in + kRecordCountOffset);
    header.nextSequence = loadI32(in + kNextSequenceOffset);
    header.recordSize = loadI32(in + 24);
    std::memcpy(header.check.data(), in + kCheckBlockOffset, kCheckBlockSize);
    return header;
}

void encodeDescriptor(const FieldInfo& field, std::uint8_t* out) {
    std::memset(out, 0, kDescriptorSize);
    std::memcpy(out, field.name.data(), std::min(field.name.size(), kMaxNameBytes));
    storeI32(out + 20, static_cast<std::int32_t>(field.type));
    storeI32(out + 24, field.offset);
    storeI32(out + 28, field.type == FieldType::Text ? field.width : 0);
}

namespace {

bool isAsciiNameChar(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// GBK Chinese characters: the GB2312 hanzi rows and the two GBK extension
// areas; the symbol and punctuation rows are left out.
bool isGbkHanzi(unsigned char lead, unsigned char trail) {
    if (trail == 0x7F) return false;
    if (lead >= 0xB0 && lead <= 0xF7 && trail >= 0xA1 && trail <= 0xFE) return true;
    if (lead >= 0x81 && lead <= 0xA0 && trail >= 0x40 && trail <= 0xFE) return true;
    if (lead >= 0xAA && lead <= 0xFE && trail >= 0x40 && trail <= 0xA0) return true;
    return false;
}

}  // namespace

bool isValidName(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameBytes) return false;
    auto first = static_cast<unsigned char>(name[0]);
    if ((first >= '0' && first <= '9') || first == '.') return false;
    for (std::size_t i = 0; i < name.size();) {
        auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x80) {
            if (!isAsciiNameChar(c)) return false;
            ++i;
            continue;
        }
        if (i + 1 >= name.size() || !isGbkHanzi(c, static_cast<unsigned char>(name[i + 1])))
            return false;
        i += 2;
    }
    return true;
}

bool namesEqual(std::string_view a, std::string_view b) {
    return gbkNamesEqual(a, b);
}

std::array<std::uint8_t, kCheckBlockSize> makeCheckBlock(std::string_view password) {
    std::array<std::uint8_t, kCheckBlockSize> block{};
    if (password.empty()) return block;
    std::string digest = passwordDigest(password);
    std::memcpy(block.data(), digest.data(), std::min(digest.size(), std::size_t{32}));
    return block;
}

}  // namespace qinghe::store
