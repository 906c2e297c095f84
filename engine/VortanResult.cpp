#include "engine/VortanResult.h"

const char* VortanResultName(int code)
{
    switch (code) {
    case VORTAN_OK:
        return "VORTAN_OK";
    case VORTAN_E_ARGUMENT:
        return "VORTAN_E_ARGUMENT";
    case VORTAN_E_RANGE:
        return "VORTAN_E_RANGE";
    case VORTAN_E_MALFORMED:
        return "VORTAN_E_MALFORMED";
    case VORTAN_E_NOMEMORY:
        return "VORTAN_E_NOMEMORY";
    case VORTAN_E_MISSING:
        return "VORTAN_E_MISSING";
    case VORTAN_E_FAIL:
        return "VORTAN_E_FAIL";
    case VORTAN_E_OPEN:
        return "VORTAN_E_OPEN";
    case VORTAN_E_VERSION:
        return "VORTAN_E_VERSION";
    case VORTAN_E_LOCKED:
        return "VORTAN_E_LOCKED";
    case VORTAN_E_BRIDGE_FAILED:
        return "VORTAN_E_BRIDGE_FAILED";
    default:
        return "unknown";
    }
}
