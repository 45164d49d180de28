#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qinghe::entry {

// The voucher images of one entry, in order: each the complete bytes of one
// image file, as it was chosen.
using VoucherList = std::vector<std::string>;

// What the field 票据 keeps between two neighbouring images.
inline constexpr std::string_view kVoucherSeparator = "|||";

// The stored form: the images in order with the separator between each two
// neighbours, nothing before the first or after the last; empty for none.
std::string joinVouchers(const VoucherList& vouchers);

// The images of a stored value, as views into it: nothing is copied.
//
// The separator is only cut where the bytes after it start an image (a JPEG,
// a PNG signature or a bitmap with a plausible header), so an image whose
// own bytes hold "|||" reads back whole. A value that holds no recognisable
// image at all (not at its start, not after any separator) is cut at every
// separator from the start, as it always was. Either way an empty rest after
// the last cut is no image.
std::vector<std::string_view> splitVoucherViews(std::string_view value);

// The same as copies, for a list that is changed and stored again.
VoucherList splitVouchers(std::string_view value);

}  // namespace qinghe::entry
