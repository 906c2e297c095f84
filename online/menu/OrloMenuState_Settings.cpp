// COrloMenuState: the settings page's toggles and volume sliders and the language chooser.
#include "online/menu/OrloMenuState.h"

#include "engine/VortanStringArray.h"
#include "platform/OrloLanguage.h"
#include "platform/OrlogateApplication.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/PageView.h"
#include "ui/widgets/Slider.h"
#include "ui/widgets/TextWidget.h"
#include "ui/widgets/ToggleButton.h"

namespace {

// Shows "selected" and hides "unselected" of an item's "select-button", or the reverse.
void MarkItem(CWidget* item, bool selected)
{
    CWidget* button = item ? item->FindChild(CVortanString("select-button"), -1) : nullptr;
    if (!button)
        return;
    CWidget* on = button->FindChild(CVortanString("selected"), -1);
    CWidget* off = button->FindChild(CVortanString("unselected"), -1);
    if (on)
        on->SetVisible(selected);
    if (off)
        off->SetVisible(!selected);
}

} // namespace

int COrloMenuState::SliderToVolume(float value)
{
    return (int)(value * 10000.0f) - 10000;
}

float COrloMenuState::VolumeToSlider(int volume)
{
    return (float)(volume + 10000) / 10000.0f;
}

int COrloMenuState::OnInitSounds(CWidget* sender, COrloMenuState* menu)
{
    CToggleButton* toggle = WidgetCast<CToggleButton>(sender);
    if (toggle && menu->m_application)
        toggle->SetState(menu->m_application->GetSoundsMute() ? 0 : 1);
    return 1;
}

int COrloMenuState::OnToggleSounds(CWidget* sender, COrloMenuState* menu)
{
    CToggleButton* toggle = WidgetCast<CToggleButton>(sender);
    if (toggle && menu->m_application)
        menu->m_application->SetSoundsMute(toggle->GetState() == 0);
    return 1;
}

int COrloMenuState::OnToggleSoundEffects(CWidget* sender, COrloMenuState* menu)
{
    CToggleButton* toggle = WidgetCast<CToggleButton>(sender);
    if (!toggle || !menu->m_application)
        return 1;
    menu->m_application->SetSoundsMute(toggle->GetState() == 0);
    CWidget* mute =
        menu->m_pageRoot ? menu->m_pageRoot->FindChild(CVortanString("setting_mute"), -1) : nullptr;
    if (mute)
        OnInitSounds(mute, menu);
    return 1;
}

int COrloMenuState::OnInitMusic(CWidget* sender, COrloMenuState* menu)
{
    CToggleButton* toggle = WidgetCast<CToggleButton>(sender);
    if (toggle && menu->m_application)
        toggle->SetState(menu->m_application->GetMusicMute() ? 0 : 1);
    return 1;
}

int COrloMenuState::OnToggleMusic(CWidget* sender, COrloMenuState* menu)
{
    CToggleButton* toggle = WidgetCast<CToggleButton>(sender);
    if (toggle && menu->m_application)
        menu->m_application->SetMusicMute(toggle->GetState() == 0);
    return 1;
}

int COrloMenuState::OnInitVibration(CWidget* sender, COrloMenuState* menu)
{
    CToggleButton* toggle = WidgetCast<CToggleButton>(sender);
    if (toggle && menu->m_application)
        toggle->SetState(menu->m_application->GetVibrations() ? 1 : 0);
    return 1;
}

int COrloMenuState::OnToggleVibration(CWidget* sender, COrloMenuState* menu)
{
    CToggleButton* toggle = WidgetCast<CToggleButton>(sender);
    if (toggle && menu->m_application)
        menu->m_application->SetVibrations(toggle->GetState() != 0);
    return 1;
}

int COrloMenuState::OnInitSoundsSlider(CWidget* sender, COrloMenuState* menu)
{
    CSlider* slider = WidgetCast<CSlider>(sender);
    if (slider && menu->m_application) {
        menu->m_initialisingSlider = 1;
        slider->SetValue(VolumeToSlider(menu->m_application->GetSoundsVolume()));
        menu->m_initialisingSlider = 0;
    }
    return 1;
}

int COrloMenuState::OnSoundsSliderChanged(CWidget* sender, COrloMenuState* menu)
{
    CSlider* slider = WidgetCast<CSlider>(sender);
    if (slider && menu->m_application && !menu->m_initialisingSlider)
        menu->m_application->SetSoundsVolume(SliderToVolume(slider->GetValue()));
    return 1;
}

int COrloMenuState::OnInitMusicSlider(CWidget* sender, COrloMenuState* menu)
{
    CSlider* slider = WidgetCast<CSlider>(sender);
    if (slider && menu->m_application) {
        menu->m_initialisingSlider = 1;
        slider->SetValue(VolumeToSlider(menu->m_application->GetMusicVolume()));
        menu->m_initialisingSlider = 0;
    }
    return 1;
}

int COrloMenuState::OnMusicSliderChanged(CWidget* sender, COrloMenuState* menu)
{
    CSlider* slider = WidgetCast<CSlider>(sender);
    if (slider && menu->m_application && !menu->m_initialisingSlider)
        menu->m_application->SetMusicVolume(SliderToVolume(slider->GetValue()));
    return 1;
}

int COrloMenuState::OnUpdateLanguageLabel(CWidget* sender, COrloMenuState* menu)
{
    CTextWidget* text = WidgetCast<CTextWidget>(sender);
    COrloLanguage* language = menu->m_application ? menu->m_application->GetLanguage() : nullptr;
    const COrloLanguage::CLanguageEntry* current =
        language ? language->GetCurrentLanguage() : nullptr;
    if (text && current)
        text->SetText(current->name);
    return 1;
}

int COrloMenuState::OnShowLanguageChooser(CWidget* sender, COrloMenuState* menu)
{
    CInfiniteList* list = WidgetCast<CInfiniteList>(sender);
    COrloLanguage* language = menu->m_application ? menu->m_application->GetLanguage() : nullptr;
    if (!list || !language)
        return 1;
    CVortanStringArray names;
    language->GetLanguageNames(names);
    const COrloLanguage::CLanguageEntry* current = language->GetCurrentLanguage();
    for (int i = 0; current && i < names.GetCount(); ++i) {
        if (names.GetAt(i) == current->name)
            menu->m_selectedLanguage = i;
    }
    list->InvalidateItems();
    list->SetItemCount(names.GetCount());
    return 1;
}

int COrloMenuState::OnLoadLanguageItem(CWidget* sender, COrloMenuState* menu)
{
    CInfiniteList* list = sender ? WidgetCast<CInfiniteList>(sender->GetParent()) : nullptr;
    COrloLanguage* language = menu->m_application ? menu->m_application->GetLanguage() : nullptr;
    if (!list || !language)
        return 1;
    const int index = list->GetItemIndex(sender);
    CVortanStringArray names;
    language->GetLanguageNames(names);
    if (index < 0 || index >= names.GetCount())
        return 1;
    // The row remembers its item number for a later selection.
    sender->SetTag((intptr_t)index + 1);
    CTextWidget* name =
        WidgetCast<CTextWidget>(sender->FindChild(CVortanString("language-name"), -1));
    if (name)
        name->SetText(names.GetAt(index));
    MarkItem(sender, index == menu->m_selectedLanguage);
    return 1;
}

int COrloMenuState::OnSelectLanguageItem(CWidget* sender, COrloMenuState* menu)
{
    CInfiniteList* list = sender ? static_cast<CInfiniteList*>(
                                       sender->FindAncestorOfKind(CInfiniteList::StaticTypeInfo()))
                                 : nullptr;
    if (!list)
        return 1;
    // The list holds only a window of its items: its rows carry their item numbers.
    CWidget* item = sender->GetParent();
    menu->m_selectedLanguage = -1;
    for (int i = 0; i < list->GetChildCount(); ++i) {
        CWidget* row = list->GetChild(i);
        const bool chosen = row == item && row->GetTag() > 0;
        MarkItem(row, chosen);
        if (chosen)
            menu->m_selectedLanguage = (int)(row->GetTag() - 1);
    }
    return 1;
}

int COrloMenuState::OnChooseLanguage(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    COrloLanguage* language = menu->m_application ? menu->m_application->GetLanguage() : nullptr;
    COrlogateApplication* gate = menu->Gate();
    if (!language || !gate)
        return 1;
    CVortanStringArray codes;
    language->GetLanguageCodes(codes);
    if (menu->m_selectedLanguage >= 0 && menu->m_selectedLanguage < codes.GetCount())
        gate->SetLanguage(codes.GetAt(menu->m_selectedLanguage));
    return 1;
}

int COrloMenuState::OnUnloadLanguageItem(CWidget* sender, COrloMenuState* menu)
{
    (void)menu;
    if (sender)
        sender->SetTag(0);
    return 1;
}
