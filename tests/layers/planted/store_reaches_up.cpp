// Planted for the layering test: the store must never reach the entries.
#include "entry/entry_values.h"
