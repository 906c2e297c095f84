// The online menu's item pack handlers: pack lists (tag 87) and chunks (tag 89) as the lobby
// sends them, decoded and handed to the menu between runs of its pack check; and the item
// descriptions that the battle reads out of the packs.
#include <stdlib.h>
#include <sys/stat.h>

#include <vector>

#include "fuzz/FuzzSupport.h"
#include "game/VexItemDescription.h"
#include "online/menu/OrloMenuState.h"
#include "online/protocol/ASN1ShapeLists.h"
#include "platform/OrlogateApplication.h"
#include "tests/platform/GameStateStub.h"

namespace {
// A menu with the application's paths and a game number, and no session or widget tree.
class PackMenu : public COrloMenuState {
public:
    PackMenu(COrloApplication* application, IOrloGameState* game)
    {
        m_application = application;
        m_game = game;
        m_workBuffer = new u8[ORLO_MENU_WORK_BUFFER];
    }
    ~PackMenu() override { m_game = nullptr; }
    void Check(float seconds) { RunItemCheck(seconds); }
};

long long FileSize(const CVortanString& path)
{
    std::string bytes;
    for (int i = 0; i < path.GetLength(); ++i)
        bytes += (char)(path.GetBuffer()[i] & 0xFF);
    struct stat info;
    return stat(bytes.c_str(), &info) == 0 ? (long long)info.st_size : -1;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The packs are written under the home directory: keep them in scratch.
    static bool once = (setenv("HOME", vfuzz::ScratchDir().c_str(), 1), true);
    (void)once;
    static COrlogateApplication* app = new COrlogateApplication();
    static ptest::GameStateStub game;
    PackMenu menu(app, &game);
    // Segments: one octet (bits 0-1: 0 a pack list, 1 a chunk, 2 a check run of bits 2-7
    // seconds, 3 an item description), two octets of length, the message.
    size_t at = 0;
    while (at + 3 <= size) {
        const int op = data[at] & 3, seconds = data[at] >> 2;
        size_t length = ((size_t)data[at + 1] << 8) | data[at + 2];
        at += 3;
        if (length > size - at)
            length = size - at;
        const u8* message = data + at;
        at += length;
        if (op == 0) {
            i32 tag = 0;
            CVortanArray<SItemData> packs;
            ASN1_DecodeItemDataList(CASN1_ItemDataListShape{&tag, &packs}, message, (int)length);
            menu.OnItemData(packs);
        } else if (op == 1) {
            i32 tag = 0, id = -1, offset = -1, bytes = 0, remaining = 0;
            u8* chunk = nullptr;
            ASN1_DecodeItemPackChunk(
                CASN1_ItemPackChunkShape{&tag, &id, &offset, &chunk, &bytes, &remaining}, message,
                (int)length);
            if (chunk && bytes > 0)
                menu.OnItemPackData(id, offset, chunk, bytes, remaining);
            delete[] chunk;
        } else if (op == 2) {
            menu.Check((float)seconds);
        } else {
            std::vector<char> text(message, message + length);
            SVexItemDescription description;
            if (VexReadItemDescription(text.data(), (int)text.size(), &description) == VORTAN_OK) {
                VFUZZ_CHECK(description.variable >= VEX_ITEM_VARIABLE_MIN &&
                            description.variable <= VEX_ITEM_VARIABLE_MAX);
                VFUZZ_CHECK(description.type >= VEX_ITEM_OTHER &&
                            description.type <= VEX_ITEM_BATTLEGROUND);
            }
        }
        // The cache stays bounded, and no download grows past its pack's listed size.
        const CVortanArray<COrloMenuState::ItemPack>& packs = menu.GetItemPacks();
        VFUZZ_CHECK(packs.GetSize() <= COrloMenuState::PACKS_MAX);
        for (int i = 0; i < packs.GetSize(); ++i) {
            if (packs[i].state != COrloMenuState::PACK_DOWNLOADING)
                continue;
            CVortanString part;
            if (menu.GetItemTempPath(packs[i].id, part) == VORTAN_OK)
                VFUZZ_CHECK(FileSize(part) <= (long long)packs[i].size);
        }
    }
    return 0;
}
