// COrloMenuState's event table: the 122 events the menu registers, in their order. The screens
// not built yet keep their rows with handlers that do nothing and return 1; each screen's own
// handlers replace them row by row.
#include "online/menu/OrloMenuState.h"

#include <string.h>

namespace {

// Events of screens still to come.
int Pending(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    (void)menu;
    return 1;
}

const COrloMenuState::EventRow kEvents[ORLO_MENU_EVENT_COUNT] = {
    {"login_orlogate", &COrloMenuState::OnLoginOrlogate},
    {"validate_user", &COrloMenuState::OnValidateUser},
    {"validate_email", &COrloMenuState::OnValidateEmail},
    {"username_changed", &COrloMenuState::OnUserNameChanged},
    {"login_show", &COrloMenuState::OnLoginShow},
    {"playername_show", &COrloMenuState::OnPlayerNameShow},
    {"confirm_show", &COrloMenuState::OnConfirmShow},
    {"autologin_toggled", &COrloMenuState::OnAutoLoginToggled},
    {"about_gameinfoonshow", &COrloMenuState::OnAboutGameInfo},
    {"cancel_autorelogin", &COrloMenuState::OnCancelAutoRelogin},
    {"google_show", &COrloMenuState::OnGoogleShow},
    {"google_cookie", &COrloMenuState::OnGoogleCookie},
    {"google_loaded", &COrloMenuState::OnGoogleLoaded},
    {"check_tos", &COrloMenuState::OnCheckTos},
    {"tos_show", &COrloMenuState::OnTosShow},
    {"init_registername", &COrloMenuState::OnInitRegisterName},
    {"init_loginname", &COrloMenuState::OnInitLoginName},
    {"thank_you_close", &COrloMenuState::OnThankYouClose},
    {"start_change_page_chat", &COrloMenuState::OnStartChangePageChat},
    {"load_playerlist_item", &COrloMenuState::OnLoadPlayerlistItem},
    {"load_playerlist_item_batch", &COrloMenuState::OnLoadPlayerlistBatch},
    {"unload_playerlist_item", &COrloMenuState::OnUnloadPlayerlistItem},
    {"load_playerlist_group", &COrloMenuState::OnLoadPlayerlistGroup},
    {"load_follow_item", &COrloMenuState::OnLoadFollowItem},
    {"load_follow_item_batch", &COrloMenuState::OnLoadFollowBatch},
    {"unload_follow_item", &COrloMenuState::OnUnloadFollowItem},
    {"load_follow_group", &COrloMenuState::OnLoadFollowGroup},
    {"load_self", &COrloMenuState::OnLoadSelf},
    {"unload_self", &COrloMenuState::OnUnloadSelf},
    {"refresh_self", &COrloMenuState::OnRefreshSelf},
    {"filter_players", &COrloMenuState::OnFilterPlayers},
    {"show_players_root", &COrloMenuState::OnShowPlayersRoot},
    {"show_playerlist_items", &COrloMenuState::OnShowPlayerlistItems},
    {"show_follow_items", &COrloMenuState::OnShowFollowItems},
    {"expand_list_item", &COrloMenuState::OnExpandListItem},
    {"end_expand_list_item", &COrloMenuState::OnEndExpandListItem},
    {"expand_nastybuttons", &COrloMenuState::OnExpandNastyButtons},
    {"expand_chat_nastybuttons", &COrloMenuState::OnExpandChatNastyButtons},
    {"player_details", &COrloMenuState::OnPlayerDetails},
    {"send_challenge", &COrloMenuState::OnSendChallenge},
    {"action_player_buddy", &COrloMenuState::OnNoPlayerAction},
    {"action_player_rival", &COrloMenuState::OnNoPlayerAction},
    {"follow", &COrloMenuState::OnFollow},
    {"unfollow", &COrloMenuState::OnUnfollow},
    {"block", &COrloMenuState::OnBlock},
    {"block_chat", &COrloMenuState::OnBlockChat},
    {"action_accept_buddy", &COrloMenuState::OnNoPlayerAction},
    {"action_reject_buddy", &COrloMenuState::OnNoPlayerAction},
    {"toggle_orlo_menu", &COrloMenuState::OnToggleOrloMenu},
    {"accept_challenge", &COrloMenuState::OnAcceptChallenge},
    {"reject_challenge", &COrloMenuState::OnRejectChallenge},
    {"toggle_sounds", &COrloMenuState::OnToggleSounds},
    {"toggle_vibration", &COrloMenuState::OnToggleVibration},
    {"init_sounds", &COrloMenuState::OnInitSounds},
    {"init_vibration", &COrloMenuState::OnInitVibration},
    {"dialog_button", &COrloMenuState::OnDialogButton},
    {"dialog_close", &COrloMenuState::OnDialogButton},
    {"init_sounds_slider", &COrloMenuState::OnInitSoundsSlider},
    {"sounds_slider_changed", &COrloMenuState::OnSoundsSliderChanged},
    {"init_music_slider", &COrloMenuState::OnInitMusicSlider},
    {"music_slider_changed", &COrloMenuState::OnMusicSliderChanged},
    {"init_sound_effects", &COrloMenuState::OnInitSounds},
    {"toggle_sound_effects", &COrloMenuState::OnToggleSoundEffects},
    {"init_music", &COrloMenuState::OnInitMusic},
    {"toggle_music", &COrloMenuState::OnToggleMusic},
    {"chat_textfield_changed", &COrloMenuState::OnChatTextfieldChanged},
    {"chat_send", &COrloMenuState::OnChatSend},
    {"chat_exit", &COrloMenuState::OnChatExit},
    {"chat_rematch", &COrloMenuState::OnChatRematch},
    {"expand_chat_item", &COrloMenuState::OnExpandChatItem},
    {"chat_end_expand", &COrloMenuState::OnChatEndExpand},
    {"load_chat_item", &COrloMenuState::OnLoadChatItem},
    {"unload_chat_item", &COrloMenuState::OnUnloadChatItem},
    {"show_shop", &COrloMenuState::OnShowShop},
    {"show_shop_items", &COrloMenuState::OnShowShopItems},
    {"show_my_items", &COrloMenuState::OnShowMyItems},
    {"load_shop_item", &COrloMenuState::OnLoadShopItem},
    {"load_shop_item_batch", &COrloMenuState::OnLoadShopItemBatch},
    {"unload_shop_item", &COrloMenuState::OnUnloadShopItem},
    {"load_my_item", &COrloMenuState::OnLoadMyItem},
    {"load_my_item_batch", &COrloMenuState::OnLoadMyItemBatch},
    {"unload_my_item", &COrloMenuState::OnUnloadMyItem},
    {"load_shop_group", &COrloMenuState::OnLoadShopGroup},
    {"buy_item", &COrloMenuState::OnBuyItem},
    {"refill_item", &COrloMenuState::OnRefillItem},
    {"buy_gift", &COrloMenuState::OnBuyGift},
    {"show_confirm_buy_dialog", &COrloMenuState::OnShowConfirmBuyDialog},
    {"show_confirm_buy_gift_dialog", &COrloMenuState::OnShowConfirmBuyDialog},
    {"ok_buy_confirm", &COrloMenuState::OnOkBuyConfirm},
    {"cancel_buy_confirm", &COrloMenuState::OnNothing},
    {"ok_buy_gift_confirm", &COrloMenuState::OnOkBuyConfirm},
    {"cancel_buy_gift_confirm", &COrloMenuState::OnNothing},
    {"enable_item", &COrloMenuState::OnEnableItem},
    {"expand_shop_item", &COrloMenuState::OnExpandShopItem},
    {"shop_item_end_expand", &COrloMenuState::OnShopItemEndExpand},
    {"shop_item_hide_large_icon", &COrloMenuState::OnShopItemHideLargeIcon},
    {"shop_item_show_large_icon", &COrloMenuState::OnShopItemShowLargeIcon},
    {"buy_coins", &Pending},
    {"buy_player_gift", &Pending},
    {"show_selection_list", &COrloMenuState::OnNothing},
    {"load_selection_list_item", &COrloMenuState::OnLoadSelectionItem},
    {"unload_selection_list_item", &COrloMenuState::OnUnloadSelectionItem},
    {"ok_list_selection", &COrloMenuState::OnOkListSelection},
    {"cancel_list_selection", &COrloMenuState::OnCancelListSelection},
    {"select_list_item", &COrloMenuState::OnSelectListItem},
    {"show_selection_gift_list", &Pending},
    {"load_selection_gift_list_item", &Pending},
    {"unload_selection_gift_list_item", &Pending},
    {"ok_gift_list_selection", &Pending},
    {"cancel_gift_list_selection", &Pending},
    {"select_gift_list_item", &Pending},
    {"show_confirm_buy_player_gift_dialog", &Pending},
    {"ok_buy_player_gift_confirm", &Pending},
    {"cancel_buy_player_gift_confirm", &Pending},
    {"update_settings_language_label", &COrloMenuState::OnUpdateLanguageLabel},
    {"show_language_chooser", &COrloMenuState::OnShowLanguageChooser},
    {"select_language_item", &COrloMenuState::OnSelectLanguageItem},
    {"choose_language", &COrloMenuState::OnChooseLanguage},
    {"load_language_item", &COrloMenuState::OnLoadLanguageItem},
    {"unload_language_item", &COrloMenuState::OnUnloadLanguageItem},
    {"show_me", &COrloMenuState::OnShowMe},
    {"exit_app", &COrloMenuState::OnExitApp},
};

} // namespace

const COrloMenuState::EventRow* COrloMenuState::GetEventTable(int* count)
{
    if (count)
        *count = ORLO_MENU_EVENT_COUNT;
    return kEvents;
}

int COrloMenuState::RunEvent(const char* name, CWidget* sender)
{
    for (int i = 0; i < ORLO_MENU_EVENT_COUNT; ++i) {
        if (strcmp(kEvents[i].name, name) == 0)
            return kEvents[i].handler(sender, this);
    }
    return 0;
}
