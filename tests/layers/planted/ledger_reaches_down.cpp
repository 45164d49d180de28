// Planted for the layering test: what a ledger may include.
#include "common/gbk.h"
#include "entry/entry_values.h"
#include "import/bill_import.h"
#include "ledger/registry.h"
#include "session/app_state.h"
