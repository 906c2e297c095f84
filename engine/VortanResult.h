// Names of the engine result codes, for diagnostics and test output.
#pragma once
#include "engine/VortanTypes.h"

// "VORTAN_OK", "VORTAN_E_NOMEMORY", ... for a code of the table in VortanTypes.h; "unknown"
// for any other value. 1000 is named VORTAN_E_LOCKED (the bridge's VORTAN_E_BRIDGE_BUSY is
// the same code).
const char* VortanResultName(int code);
