// COrloMenuState: the shop's server lists — the game content item list the battle and the item
// packs use, and its completion messages; the shop and my-items lists go to the shop pages.
#include "online/menu/OrloMenuState.h"

#include <new>

#include "online/net/OrloNetworkSession.h"

namespace {
// Items asked for per content request.
const int kContentChunk = 100;

int ContentBase(int groupId)
{
    return groupId & ~255;
}
} // namespace

int COrloMenuState::IsContentGroup(int groupId)
{
    const int base = ContentBase(groupId);
    return (base == 512 || base == 1024) ? 1 : 0;
}

void COrloMenuState::ClearContentItems()
{
    for (int i = 0; i < m_items.GetCount(); ++i)
        delete[](i32*) m_items.GetAt(i);
    m_items.RemoveAll();
}

void COrloMenuState::OnShopGroups(int parent, const CVortanArray<SShopGroupData>& groups)
{
    if (!IsContentGroup(parent)) {
        OnShopListGroups(parent, groups);
        return;
    }
    // The announced counts are the server's: summed wide, negative ones count as none, and
    // never more than the list keeps.
    i64 expected = 0;
    for (int i = 0; i < groups.GetSize(); ++i) {
        const SShopGroupData& group = groups[i];
        if (group.itemCount > 0)
            expected += group.itemCount;
        if (expected > CONTENT_ITEMS_MAX)
            expected = CONTENT_ITEMS_MAX;
        if (m_contentGroups.Contains(group.id) || m_contentGroups.GetSize() < CONTENT_GROUPS_MAX)
            m_contentGroups[group.id] = group;
    }
    m_contentExpected = (int)expected;
    m_contentPending = parent;
    ClearContentItems();
    COrloNetworkSession* session = GetSession();
    if (session)
        session->SendGetShopItems(parent, kContentChunk, 0);
}

void COrloMenuState::OnShopItems(int group, int first, const CVortanArray<SShopItemData>& items)
{
    if (!IsContentGroup(group)) {
        OnShopListItems(group, first, items);
        return;
    }
    // Only the list announced last is taken, and it ends once.
    if (!m_contentPending || ContentBase(group) != ContentBase(m_contentPending))
        return;
    const int n = items.GetSize();
    for (int i = 0; i < n && m_items.GetCount() < CONTENT_ITEMS_MAX; ++i) {
        const SShopItemData& item = items[i];
        i32* entry = new (std::nothrow) i32[ITEM_FIELDS];
        if (!entry)
            break;
        const int at = m_contentGroups.FindKey(item.groupId);
        const SShopGroupData* owner = at >= 0 ? &m_contentGroups.ElementAt(at).value : nullptr;
        entry[ITEM_ENABLED] = item.enabled != 0 ? 1 : 0;
        entry[ITEM_ID] = item.id;
        entry[ITEM_COUNT] = item.count;
        entry[ITEM_DATA_ID] = item.value12;
        entry[ITEM_GROUP_COUNT] = owner ? owner->itemCount : -1;
        entry[ITEM_LAST] = item.value14;
        entry[ITEM_GROUP_VALUE] = owner ? owner->value3 : 0;
        if (m_items.Add(entry) != VORTAN_OK) {
            delete[] entry;
            break;
        }
    }
    COrloNetworkSession* session = GetSession();
    const i64 received = (i64)first + n;
    // An empty answer ends the list, and so does a full one.
    if (n > 0 && received < m_contentExpected && m_items.GetCount() < CONTENT_ITEMS_MAX) {
        if (session)
            session->SendGetShopItems(group, kContentChunk, (int)received);
        return;
    }
    m_contentExpected = 0;
    m_contentPending = 0;
    if (!session)
        return;
    if (ContentBase(group) == 512)
        session->SendShopDone();
    else
        session->SendGameReady();
}
