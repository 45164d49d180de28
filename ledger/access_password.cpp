#include "ledger/access_password.h"

#include "common/gbk.h"

namespace qinghe::ledger {

namespace {
constexpr std::size_t kStoredPasswordBytes = 20;
}

bool accessPasswordMatches(std::string_view typed, std::string_view stored) {
    if (typed == stored) return true;
    return typed.size() > kStoredPasswordBytes && stored.size() <= kStoredPasswordBytes &&
           cutGbk(typed, kStoredPasswordBytes) == stored;
}

}  // namespace qinghe::ledger
