#pragma once

#include <string>
#include <string_view>

namespace qinghe::store {

// The 32-character digest a table stores to check its password: the lower-case hex
// MD5 of the password bytes, its characters swapped in pairs, then reversed.
std::string passwordDigest(std::string_view password);

}  // namespace qinghe::store
