// COrloAchievement and COrloAchievementList: the records, their icons and the list.
#include "online/achievements/OrloAchievement.h"

#include <new>

#include "engine/VortanMediaPack.h"
#include "engine/graphics/VortanSurface.h"
#include "online/achievements/OrloAchievementStation.h"

COrloAchievement::COrloAchievement()
    : m_station(nullptr), m_gameId(0), m_id(0), m_unlocked(0), m_time(new CVortanDateTime()),
      m_iconStatus(ORLO_ICON_NOT_LOADED), m_hasIcon(0), m_icon(nullptr)
{}

COrloAchievement::~COrloAchievement()
{
    ReleaseIcon();
    delete m_time;
}

void COrloAchievement::Set(COrloAchievementStation* station, int gameId, int id,
                           const CVortanString& name, const CVortanString& description,
                           int unlocked, const CVortanDateTime* time)
{
    m_station = station;
    m_gameId = gameId;
    m_id = id;
    m_name = name;
    m_description = description;
    m_unlocked = unlocked;
    if (time)
        SetUnlockTime(*time);
}

void COrloAchievement::SetUnlockTime(const CVortanDateTime& time)
{
    m_time->SetYear(time.GetYear());
    m_time->SetMonth(time.GetMonth());
    m_time->SetDay(time.GetDay());
    m_time->SetHour(time.GetHour());
    m_time->SetMinute(time.GetMinute());
    m_time->SetSecond(time.GetSecond());
}

void COrloAchievement::SetIcon(int hasIcon, const CVortanString& surfaceName)
{
    m_hasIcon = hasIcon;
    m_surfaceName = surfaceName;
}

void COrloAchievement::LoadIcon()
{
    if (m_icon || !m_hasIcon || m_surfaceName.IsEmpty() || !m_station)
        return;
    CVortanMediaPack pack;
    int rc = m_station->OpenDataPack(&pack);
    if (rc != VORTAN_OK) {
        if (rc == VORTAN_E_OPEN)
            m_iconStatus = ORLO_ICON_MISSING;
        return;
    }
    CVortanSurface* surface = new (std::nothrow) CVortanSurface();
    if (surface) {
        rc = surface->LoadFromPack(m_station->GetApplication(), &pack, m_surfaceName, 0, nullptr);
        if (rc == VORTAN_OK) {
            m_icon = surface;
        } else {
            surface->Release();
            delete surface;
            m_iconStatus = rc == VORTAN_E_MISSING ? ORLO_ICON_MISSING : ORLO_ICON_FAILED;
        }
    }
    pack.Close();
}

void COrloAchievement::ReleaseIcon()
{
    if (!m_icon)
        return;
    m_icon->Release();
    delete m_icon;
    m_icon = nullptr;
}

// --- the list --------------------------------------------------------------------------------

COrloAchievementList::COrloAchievementList(COrloAchievementStation* station, int gameId)
    : m_station(station), m_gameId(gameId), m_status(ORLO_ICON_NOT_LOADED)
{}

COrloAchievementList::~COrloAchievementList()
{
    Clear();
}

COrloAchievement* COrloAchievementList::Add(int id, const CVortanString& name,
                                            const CVortanString& description, int unlocked)
{
    COrloAchievement* record = new (std::nothrow) COrloAchievement();
    if (!record)
        return nullptr;
    record->Set(m_station, m_gameId, id, name, description, unlocked, nullptr);
    if (m_records.Add(record) != VORTAN_OK) {
        delete record;
        return nullptr;
    }
    return record;
}

COrloAchievement* COrloAchievementList::Find(int id) const
{
    for (int i = 0; i < m_records.GetCount(); ++i) {
        COrloAchievement* record = GetAt(i);
        if (record->GetId() == id)
            return record;
    }
    return nullptr;
}

void COrloAchievementList::RemoveAt(int index)
{
    if (index < 0 || index >= m_records.GetCount())
        return;
    delete GetAt(index);
    m_records.RemoveAt(index);
}

void COrloAchievementList::Clear()
{
    for (int i = 0; i < m_records.GetCount(); ++i) {
        GetAt(i)->ReleaseIcon();
        delete GetAt(i);
    }
    m_records.RemoveAll();
}
