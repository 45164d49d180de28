// Planted for the layering test: the settings sit below the session.
#include "session/app_state.h"
