// Creators of the image and text types.
#include <string.h>

#include "engine/VortanXMLDataNode.h"
#include "engine/graphics/VortanBitmapFont.h"
#include "platform/OrloResourceManager.h"
#include "ui/loader/UICreatorSupport.h"
#include "ui/widgets/ImageWidget.h"
#include "ui/widgets/TextWidget.h"

namespace {

// Sets or clears the mode bit from the named child's "$value" (0 when it has none).
void ReadModeBit(CVortanXMLDataNode* element, const char* child, CImageWidget* image, u32 bit)
{
    CVortanXMLDataNode* node = CUIXMLLoader::FindChildElement(element, child);
    if (!node)
        return;
    const u32 mode = image->GetImageFlags();
    image->SetImageFlags(CUIXMLLoader::ReadInt(node, "$value", 0) != 0 ? (mode | bit)
                                                                       : (mode & ~bit));
}

struct CAlignWord {
    const char* word;
    u32 flags;
};

const CAlignWord kAlignWords[] = {
    {"left-middle", 0x200}, {"right-middle", 0x40200}, {"right", 0x40000},
    {"middle", 0x200},      {"center", 0x100},         {"center-middle", 0x300},
};

} // namespace

CWidget* CImageWidget::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                     CWidget* parent, CWidget* reuse)
{
    bool isNew = false;
    CImageWidget* image = UIReuseOrCreate<CImageWidget>(loader, parent, reuse, &isNew);
    if (!image)
        return nullptr;
    if (isNew)
        image->SetPassThrough(true);
    loader->ParseImageAnimation(element, image, 1);
    ReadModeBit(element, "skip_clipped_draw", image, IMAGE_WHOLE_ONLY);
    ReadModeBit(element, "skip_clipping", image, IMAGE_UNCLIPPED);
    // Only when present, so that the image element's "$frame" holds.
    ReadModeBit(element, "skip_animation", image, IMAGE_ANIMATION_STOPPED);
    int frame = 0;
    if (CUIXMLLoader::ReadChildInt(element, "animation_frame", &frame))
        image->SetFrame(frame);
    if (CUIXMLLoader::ReadInt(element, "$keep_aspect", 0) != 0)
        image->SetImageFlags(image->GetImageFlags() | IMAGE_KEEP_ASPECT);
    return image;
}

CWidget* CTextWidget::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                    CWidget* parent, CWidget* reuse)
{
    bool isNew = false;
    CTextWidget* text = UIReuseOrCreate<CTextWidget>(loader, parent, reuse, &isNew);
    if (!text)
        return nullptr;
    CVortanXMLDataNode* node = CUIXMLLoader::FindChildElement(element, "text");
    if (node) {
        if (CUIXMLLoader::GetAttribute(node, "$local") && text->GetText().IsEmpty())
            text->SetLocalizationKey(CUIXMLLoader::ReadInt(node, "$local", -1));
        COrloResourceManager* manager = loader->GetResourceManager();
        CVortanBitmapFont* font = nullptr;
        const char* fontName = CUIXMLLoader::GetAttribute(node, "$font");
        if (manager && fontName) {
            CVortanString file(fontName);
            file.Append(CVortanString(".fnt"));
            font = manager->GetFont(file);
        }
        if (manager && !font)
            font = manager->GetFont(CVortanString("default"));
        if (font) {
            text->SetFont(font);
            manager->ReleaseFont(font);
        }
        // Absent or unreadable: white, opaque.
        u32 color = 0xFFFFFF;
        if (!CUIXMLLoader::ParseColor(CUIXMLLoader::GetAttribute(node, "$color"), 1, &color))
            color = 0xFFFFFFFFu;
        u32 display = color;
        CUIXMLLoader::ParseColor(CUIXMLLoader::GetAttribute(node, "$displaycolor"), 1, &display);
        text->SetTextColor(color);
        text->SetEmptyTextColor(display);
        const char* type = CUIXMLLoader::GetAttribute(node, "$type");
        if (type) {
            if (strcmp(type, "input") == 0) {
                text->SetInputMode(true, 255);
            } else if (strcmp(type, "password") == 0) {
                text->SetInputMode(true, 64);
                text->SetPassword(true);
            }
            if (CUIXMLLoader::GetAttribute(node, "$title"))
                text->SetTitleKey(CUIXMLLoader::ReadInt(node, "$title", -1));
        }
        u32 flags = 0;
        const char* align = CUIXMLLoader::GetAttribute(node, "$align");
        for (size_t i = 0; align && i < sizeof(kAlignWords) / sizeof(kAlignWords[0]); ++i) {
            if (strcmp(align, kAlignWords[i].word) == 0)
                flags = kAlignWords[i].flags;
        }
        if (CUIXMLLoader::ReadInt(node, "$multiline", 0) != 0)
            flags |= 0x80000;
        text->SetDrawFlags(flags);
    }
    text->SetPassThrough(!text->IsInputEnabled());
    return text;
}
