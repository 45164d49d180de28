// Planted for the layering test: no core library includes a window.
#include "entry/ui/entry_controls.h"
