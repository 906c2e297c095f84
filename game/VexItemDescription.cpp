// Reading a shop item's description from the bytes of its XML file.
#include "game/VexItemDescription.h"

#include "engine/VortanXMLDataNode.h"

namespace {

CVortanString Lower(const char* text)
{
    CVortanString s(text ? text : "");
    s.MakeLower();
    return s;
}

// The integer of the attribute's text, read as the data tree reads integers (blanks, then
// anything up to the first digit with a "-" making it negative, then the digits), but held to
// [low, high] however many digits follow: the text comes from a downloaded pack.
int BoundedInt(const char* text, int fallback, int low, int high)
{
    if (!text)
        return fallback < low ? low : (fallback > high ? high : fallback);
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
        ++p;
    if (!*p)
        return fallback < low ? low : (fallback > high ? high : fallback);
    bool negative = false;
    while (*p && !(*p >= '0' && *p <= '9')) {
        if (*p == '-')
            negative = true;
        ++p;
    }
    long long value = 0;
    while (*p >= '0' && *p <= '9') {
        if (value < 1000000000LL) // past any bound already: further digits change nothing
            value = value * 10 + (*p - '0');
        ++p;
    }
    if (negative)
        value = -value;
    if (value < low)
        return low;
    if (value > high)
        return high;
    return (int)value;
}

} // namespace

int VexReadItemDescription(char* bytes, int size, SVexItemDescription* out)
{
    if (!bytes || size <= 0 || !out)
        return VORTAN_E_MALFORMED;
    CVortanXMLDataNode root;
    const int parsed = root.LoadMemory(bytes, size);
    CVortanXMLDataNode* document = root.GetChildCount() > 0 ? root.GetFirstChild() : nullptr;
    CVortanXMLDataNode* attributes =
        parsed == VORTAN_OK && document ? document->FindChild("attributes", 0) : nullptr;
    if (!attributes)
        return VORTAN_E_MALFORMED;
    out->variable = BoundedInt(attributes->GetValueNode("$variable", nullptr), 0,
                               VEX_ITEM_VARIABLE_MIN, VEX_ITEM_VARIABLE_MAX);
    const CVortanString type = Lower(attributes->GetValueNode("$type", ""));
    out->type = VEX_ITEM_OTHER;
    if (type == CVortanString("hat"))
        out->type = VEX_ITEM_HAT;
    else if (type == CVortanString("cluster"))
        out->type = VEX_ITEM_CLUSTER;
    else if (type == CVortanString("snow"))
        out->type = VEX_ITEM_SNOW;
    else if (type == CVortanString("battleground"))
        out->type = VEX_ITEM_BATTLEGROUND;
    out->filename = Lower(attributes->GetValueNode("$filename", ""));
    out->battleFilename = Lower(attributes->GetValueNode("$battlefilename", ""));
    out->uniqueFilename = Lower(attributes->GetValueNode("$uniquefilename", ""));
    return VORTAN_OK;
}
