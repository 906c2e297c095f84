// The description of a shop item: the XML file inside the item's data pack that says what the
// item is (a hat, a bomb or a battleground), its pictures and the hat's extra health.
#pragma once
#include "engine/VortanString.h"

enum {
    VEX_ITEM_OTHER = 0, // a type the battle does not know: the item changes nothing
    VEX_ITEM_HAT = 1,
    VEX_ITEM_CLUSTER = 2,
    VEX_ITEM_SNOW = 3,
    VEX_ITEM_BATTLEGROUND = 4
};

// The hat's extra health is held to these bounds, so that the squib's health (100 plus it)
// starts between 1 and 9999: a number the health arithmetic and the panel's text always hold.
const int VEX_ITEM_VARIABLE_MIN = -99;
const int VEX_ITEM_VARIABLE_MAX = 9899;

struct SVexItemDescription {
    int type;                     // VEX_ITEM_*
    int variable;                 // "$variable", within the bounds above (0 when missing)
    CVortanString filename;       // "$filename", lower case
    CVortanString battleFilename; // "$battlefilename", lower case
    CVortanString uniqueFilename; // "$uniquefilename", lower case
};

// Reads a description from its bytes (the parse may change them): VORTAN_OK with `out` filled, or VORTAN_E_MALFORMED when
// the bytes are no XML document with an "attributes" element.
int VexReadItemDescription(char* bytes, int size, SVexItemDescription* out);
