#include "cli/console_user.h"

#include <atomic>

namespace qinghe::cli {
namespace {

// One run of the tool is one process: what it told is the process's.
std::atomic<bool> errorTold{false};

}  // namespace

void noteErrorTold() {
    errorTold = true;
}

bool errorWasTold() {
    return errorTold;
}

}  // namespace qinghe::cli
