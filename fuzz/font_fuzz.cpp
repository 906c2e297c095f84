// Bitmap font descriptions: the input is the description, a NUL, then UTF-8 text (a sample
// text when there is none). The description goes into a pack with a page image under every
// page name it gives; the font is loaded for a software surface and the text is measured,
// wrapped and drawn with the alignment, wrapping, tag and blending flags at three scales.
#include <cairo.h>
#include <string.h>

#include <set>
#include <string>

#include "engine/VortanMediaPack.h"
#include "engine/VortanXMLDataNode.h"
#include "engine/graphics/VortanBitmapFont.h"
#include "engine/graphics/VortanSurface.h"
#include "fuzz/FuzzSupport.h"
#include "tests/support/PackWriter.h"

namespace {

cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append((const char*)data, length);
    return CAIRO_STATUS_SUCCESS;
}

// A PNG page: white, its alpha a pattern of coverage values (some of them 0).
std::string MakePage(int width, int height)
{
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_surface_flush(s);
    for (int y = 0; y < height; ++y) {
        u32* row = (u32*)(cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s));
        for (int x = 0; x < width; ++x)
            row[x] = 0x01010101u * (u32)((x + y) % 5 == 0 ? 0 : (x * 37 + y * 11 + 20) % 256);
    }
    cairo_surface_mark_dirty(s);
    std::string png;
    VFUZZ_CHECK(cairo_surface_write_to_png_stream(s, Append, &png) == CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(s);
    return png;
}

// The page names the description gives (at most eight different ones).
std::set<std::string> PageNames(const std::string& description)
{
    std::set<std::string> names;
    std::string copy = description;
    CVortanXMLDataNode root;
    root.LoadMemory(&copy[0], (int)copy.size());
    CVortanXMLDataNode* pages = root.FindNode("font/pages", 0);
    for (CVortanXMLDataNode* p = pages ? pages->GetFirstChild() : nullptr; p && names.size() < 8;
         p = p->GetNextSibling()) {
        if (!p->IsValueNode())
            names.insert(p->GetValueNode("$file", ""));
    }
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string pages[2] = {MakePage(64, 32), MakePage(8, 8)};
    static const std::string path = vfuzz::ScratchFile("font.dmp");
    static CVortanSurface* target = [] {
        CVortanSurface* s = new CVortanSurface();
        CVortanSurfaceDesc desc{64, 32, 0, 6, 0};
        VFUZZ_CHECK(s->Create(nullptr, &desc) == VORTAN_OK);
        return s;
    }();
    if (size > 1 << 20)
        return 0;

    const std::pair<std::string, std::string> parts = vfuzz::SplitAtNul(data, size);
    vtest::PackEntries entries = {{"/font.fnt", parts.first}};
    int k = 0;
    for (const std::string& name : PageNames(parts.first))
        entries.push_back({"/" + name, pages[k++ % 2]});
    vfuzz::WriteFile(path, vtest::MakePack(entries));

    CVortanMediaPack pack;
    VFUZZ_CHECK(pack.Open(CVortanString(path.c_str())) == VORTAN_OK);
    CVortanBitmapFont font;
    if (font.LoadFromPack(target, &pack, CVortanString("/font.fnt")) != VORTAN_OK) {
        VFUZZ_CHECK(font.GetGlyphCount() == 0 && font.GetPageCount() == 0);
        return 0;
    }
    VFUZZ_CHECK(font.GetPageCount() > 0);
    for (int i = 0; i < font.GetGlyphCount(); ++i) {
        // Every glyph's rectangle lies on its page.
        const CVortanGlyph* g = font.GetGlyph(i);
        const CVortanFontPage* page = font.GetPage(g->page);
        VFUZZ_CHECK(page && g->x >= 0 && g->y >= 0 && g->width >= 0 && g->height >= 0);
        VFUZZ_CHECK((i64)g->x + g->width <= page->width && (i64)g->y + g->height <= page->height);
    }

    CVortanString text;
    if (parts.second.empty())
        text = "Ab C\xe9 $COLOR=0xFF00FF00green\r\nsecond line \t with\\n words";
    else
        text.AssignUTF8(parts.second.data(), (int)parts.second.size());

    const u32 flags[] = {0, VORTAN_TEXT_MULTILINE | VORTAN_TEXT_CENTER_X | VORTAN_TEXT_CENTER_Y,
                         VORTAN_TEXT_RIGHT | VORTAN_TEXT_BLEND | VORTAN_TEXT_MULTILINE,
                         VORTAN_TEXT_NO_TAGS | VORTAN_TEXT_BLEND};
    const CVortanRect rects[] = {{0, 0, 64, 32}, {-20, -10, 40, 50}, {30, 5, 2000000000, 31}};
    const float scales[] = {1.0f, 0.5f, 3.0f};
    for (float scale : scales) {
        font.SetScale(scale);
        target->Clear(0xFF000000, nullptr);
        for (int i = 0; i < 4; ++i) {
            const CVortanRect& rect = rects[i % 3];
            font.GetTextWidth(text, flags[i]);
            CVortanString wrapped;
            font.WrapText(text, wrapped, rect, flags[i]);
            VFUZZ_CHECK(wrapped.GetLength() == text.GetLength());
            CVortanRect measured = rect;
            VFUZZ_CHECK(font.MeasureWrappedText(measured, text) == text.GetLength());
            CVortanTextLayout layout;
            VFUZZ_CHECK(font.DrawText(rect, target, text, 0xC0FF8040, flags[i], &layout) ==
                        VORTAN_OK);
        }
    }
    font.Unload();
    return 0;
}
