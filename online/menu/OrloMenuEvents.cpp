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
    {"login_orlogate", &Pending},
    {"validate_user", &Pending},
    {"validate_email", &Pending},
    {"username_changed", &Pending},
    {"login_show", &Pending},
    {"playername_show", &Pending},
    {"confirm_show", &Pending},
    {"autologin_toggled", &Pending},
    {"about_gameinfoonshow", &Pending},
    {"cancel_autorelogin", &COrloMenuState::OnCancelAutoRelogin},
    {"google_show", &Pending},
    {"google_cookie", &Pending},
    {"google_loaded", &Pending},
    {"check_tos", &Pending},
    {"tos_show", &Pending},
    {"init_registername", &Pending},
    {"init_loginname", &Pending},
    {"thank_you_close", &COrloMenuState::OnThankYouClose},
    {"start_change_page_chat", &Pending},
    {"load_playerlist_item", &Pending},
    {"load_playerlist_item_batch", &Pending},
    {"unload_playerlist_item", &Pending},
    {"load_playerlist_group", &Pending},
    {"load_follow_item", &Pending},
    {"load_follow_item_batch", &Pending},
    {"unload_follow_item", &Pending},
    {"load_follow_group", &Pending},
    {"load_self", &Pending},
    {"unload_self", &Pending},
    {"refresh_self", &Pending},
    {"filter_players", &Pending},
    {"show_players_root", &Pending},
    {"show_playerlist_items", &Pending},
    {"show_follow_items", &Pending},
    {"expand_list_item", &Pending},
    {"end_expand_list_item", &Pending},
    {"expand_nastybuttons", &Pending},
    {"expand_chat_nastybuttons", &Pending},
    {"player_details", &Pending},
    {"send_challenge", &Pending},
    {"action_player_buddy", &Pending},
    {"action_player_rival", &Pending},
    {"follow", &Pending},
    {"unfollow", &Pending},
    {"block", &Pending},
    {"block_chat", &Pending},
    {"action_accept_buddy", &Pending},
    {"action_reject_buddy", &Pending},
    {"toggle_orlo_menu", &COrloMenuState::OnToggleOrloMenu},
    {"accept_challenge", &Pending},
    {"reject_challenge", &Pending},
    {"toggle_sounds", &Pending},
    {"toggle_vibration", &Pending},
    {"init_sounds", &Pending},
    {"init_vibration", &Pending},
    {"dialog_button", &COrloMenuState::OnDialogButton},
    {"dialog_close", &COrloMenuState::OnDialogButton},
    {"init_sounds_slider", &Pending},
    {"sounds_slider_changed", &Pending},
    {"init_music_slider", &Pending},
    {"music_slider_changed", &Pending},
    {"init_sound_effects", &Pending},
    {"toggle_sound_effects", &Pending},
    {"init_music", &Pending},
    {"toggle_music", &Pending},
    {"chat_textfield_changed", &Pending},
    {"chat_send", &Pending},
    {"chat_exit", &Pending},
    {"chat_rematch", &Pending},
    {"expand_chat_item", &Pending},
    {"chat_end_expand", &Pending},
    {"load_chat_item", &Pending},
    {"unload_chat_item", &Pending},
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
    {"update_settings_language_label", &Pending},
    {"show_language_chooser", &Pending},
    {"select_language_item", &Pending},
    {"choose_language", &Pending},
    {"load_language_item", &Pending},
    {"unload_language_item", &Pending},
    {"show_me", &Pending},
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
