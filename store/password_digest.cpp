#include "store/password_digest.h"

#include <algorithm>
#include <utility>

#include "store/md5.h"

namespace qinghe::store {

std::string passwordDigest(std::string_view password) {
    std::string digest = md5Hex(password);
    for (std::size_t k = 0; k + 1 < digest.size(); k += 2) std::swap(digest[k], digest[k + 1]);
    std::reverse(digest.begin(), digest.end());
    return digest;
}

}  // namespace qinghe::store
