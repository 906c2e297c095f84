// COrlogateApplication: construction, creation of the window and the platform services at
// start-up, and the registered online factory.
#include "platform/OrlogateApplication.h"

#include <sys/random.h>

#include <new>

#include "VortanSound/VortanSoundEngine.h"
#include "engine/graphics/VortanGraphicsContext.h"
#include "engine/platform/VortanExitStatus.h"
#include "platform/OrloAchievementInterfaces.h"
#include "platform/OrloDevice.h"
#include "platform/OrloIntroState.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloOnlineFactoryInterface.h"
#include "platform/OrloState.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrloTitleState.h"
#include "platform/OrloToastNotificationInterface.h"

namespace {

IOrloOnlineFactory* s_onlineFactory = nullptr;

} // namespace

void COrlogateApplication::RegisterOnlineFactory(IOrloOnlineFactory* factory)
{
    s_onlineFactory = factory;
}

COrlogateApplication::COrlogateApplication()
    : m_quitRequested(0), m_inGame(0), m_returnGuard(0), m_lobbyConnected(0),
      m_soundEngine(nullptr), m_musicPlayer(nullptr), m_session(nullptr), m_gameState(nullptr),
      m_ownsGameState(0), m_menu(nullptr), m_device(nullptr), m_settings(nullptr),
      m_achievements(nullptr), m_advertisement(nullptr), m_toast(nullptr), m_netConnection(nullptr),
      m_language(nullptr), m_reloadStep(0), m_reloadImage(nullptr), m_musicLoop(0),
      m_musicPosition(0), m_endReportPending(0), m_rematchChoice(-1), m_resultSent(0),
      m_matchClosed(0), m_matchGame(0), m_onlineFactory(s_onlineFactory)
{}

COrlogateApplication::~COrlogateApplication()
{
    // Normally OnExit has run (window closed or Quit); it frees nothing twice.
    COrlogateApplication::OnExit();
}

int COrlogateApplication::Create(void* platform, int width, int height, IOrloGameState* game)
{
    (void)width;
    (void)height;
    SeedRandom();

    m_gameState = game;
    m_ownsGameState = 0;

    if (game) {
        CVortanString name;
        game->GetAppName(name);
        SetAppName(name);
    }

    CVortanWindowSettings settings;
    GetDefaultSettings(&settings);
    int result = CreateWindow(platform, &settings);
    if (result == VORTAN_OK)
        m_ownsGameState = 1;
    else
        m_gameState = nullptr; // the caller deletes it
    return result;
}

int COrlogateApplication::GetScreenWidth()
{
    IVortanGraphicsContext* graphics = GetGraphics();
    return graphics ? graphics->GetWidth() : 0;
}

int COrlogateApplication::GetScreenHeight()
{
    IVortanGraphicsContext* graphics = GetGraphics();
    return graphics ? graphics->GetHeight() : 0;
}

int COrlogateApplication::OnCreate()
{
    SetFramePacing(2, 3000);

    m_soundEngine = new (std::nothrow) CVortanSoundEngine();
    if (m_soundEngine) {
        if (m_soundEngine->Open(this, 44100, 16, 2, 0, 0, 0) == VORTAN_OK) {
            m_soundEngine->SetVolume(0);
        } else {
            m_soundEngine->Close();
            delete m_soundEngine;
            m_soundEngine = nullptr;
        }
    }

    COrloResourceManager::Init(this, m_soundEngine);

    int result = InitPlatform();
    if (result != VORTAN_OK)
        return result;

    m_toast = m_onlineFactory ? m_onlineFactory->CreateToastNotification() : nullptr;
    if (m_toast && m_toast->Init(this) != VORTAN_OK) {
        m_toast->Release();
        delete m_toast;
        m_toast = nullptr;
    }

    IOrloState* intro = new (std::nothrow) COrloIntroState();
    if (!intro)
        return VORTAN_E_NOMEMORY;
    result = PushState(intro);
    if (result != VORTAN_OK)
        return result;

    IOrloState* title = new (std::nothrow) COrloTitleState();
    if (!title)
        return VORTAN_E_NOMEMORY;
    return PushState(title);
}

namespace {

COrloStatsEntry* EnsureEntry(COrloStatsStore* settings, const char* key, int kind, int value)
{
    CVortanString name(key);
    COrloStatsEntry* entry = settings->Find(name);
    if (entry)
        return entry;
    entry = settings->AddEntry(name);
    if (!entry)
        return nullptr;
    if (kind == ORLO_STATS_BOOL)
        entry->SetBool(value);
    else
        entry->SetInt(value);
    return entry;
}

// n lowercase hexadecimal digits. They name this device to the online service, so they come
// from the system's random source; the C generator (seeded from a clock that starts near 0
// at every start) is the fall-back only.
void AppendRandomHex(CVortanString& out, int n)
{
    static const char digits[] = "0123456789abcdef";
    unsigned char bytes[32];
    int got = (n <= (int)sizeof(bytes)) ? (int)getrandom(bytes, (size_t)n, GRND_NONBLOCK) : -1;
    for (int i = 0; i < n; ++i) {
        int d = (got == n) ? (bytes[i] & 15) : IVortanApplication::RandomInt(0, 15);
        out.AppendChar((unsigned short)digits[d]);
    }
}

} // namespace

int COrlogateApplication::InitPlatform()
{
    // Settings.
    m_settings = new (std::nothrow) COrloStatsStore();
    if (!m_settings)
        return VORTAN_E_NOMEMORY;
    CVortanString path;
    GetUserDataPath(path, CVortanString(ORLO_STATS_FILE_NAME));
    int result = m_settings->Open(path);
    if (result != VORTAN_OK)
        return result;

    // The platform's texts.
    m_language = new (std::nothrow) COrloLanguage();
    if (!m_language)
        return VORTAN_E_NOMEMORY;
    result = m_language->Init(this, CVortanString("orlolanguage"));
    if (result != VORTAN_OK) {
        if (result != VORTAN_E_NOMEMORY)
            ReportLanguagePackProblem();
        return result;
    }

    // Data packs.
    OpenPack(CVortanString("orlosounds.dmp"), ORLO_PACK_BESIDE_PROGRAM);
    OpenPack(CVortanString("orlolayouts.dmp"), ORLO_PACK_BESIDE_PROGRAM);
    if (!ChooseMediaPack(CVortanString("orlofonts"), nullptr, nullptr)) {
        ReportMediaPackProblem("font pack", "orlofonts");
        return VORTAN_E_MISSING;
    }
    if (!ChooseMediaPack(CVortanString("orlolobby"), nullptr, nullptr)) {
        ReportMediaPackProblem("picture pack", "orlolobby");
        return VORTAN_E_MISSING;
    }

    // Device services.
    m_device = new (std::nothrow) COrloDevice();
    if (!m_device)
        return VORTAN_E_NOMEMORY;
    result = m_device->Init(this);
    if (result != VORTAN_OK) {
        VortanReportFailure(VORTAN_EXIT_FAILURE,
                            "the device services could not be set up (code %d)", result);
        return result;
    }

    // Achievements (optional).
    m_achievements = m_onlineFactory ? m_onlineFactory->CreateAchievementStation() : nullptr;
    if (m_achievements) {
        CVortanString packPath;
        GetResourcePath(packPath, CVortanString("achievements.dmp"));
        if (m_achievements->Init(this, GetGameNumber(), packPath) != VORTAN_OK) {
            m_achievements->Clear();
            delete m_achievements;
            m_achievements = nullptr;
        }
    }

    // Settings defaults, then their values applied.
    COrloStatsEntry* soundsMute = EnsureEntry(m_settings, ORLO_KEY_SOUNDS_MUTE, ORLO_STATS_BOOL, 1);
    COrloStatsEntry* soundsVolume =
        EnsureEntry(m_settings, ORLO_KEY_SOUNDS_VOLUME, ORLO_STATS_INT, ORLO_DEFAULT_VOLUME);
    COrloStatsEntry* musicMute = EnsureEntry(m_settings, ORLO_KEY_MUSIC_MUTE, ORLO_STATS_BOOL, 1);
    COrloStatsEntry* musicVolume =
        EnsureEntry(m_settings, ORLO_KEY_MUSIC_VOLUME, ORLO_STATS_INT, ORLO_DEFAULT_VOLUME);
    COrloStatsEntry* vibrations = EnsureEntry(m_settings, ORLO_KEY_VIBRATIONS, ORLO_STATS_BOOL, 1);
    SetSoundsMute(soundsMute ? soundsMute->boolValue != 0 : true);
    SetSoundsVolume(soundsVolume ? soundsVolume->intValue : ORLO_DEFAULT_VOLUME);
    SetMusicMute(musicMute ? musicMute->boolValue != 0 : true);
    SetMusicVolume(musicVolume ? musicVolume->intValue : ORLO_DEFAULT_VOLUME);
    // As SetVibrations, without its save: the settings are saved once, below.
    bool vibrate = vibrations ? vibrations->boolValue != 0 : true;
    if (vibrations)
        vibrations->SetBool(vibrate ? 1 : 0);
    m_device->SetVibrations(vibrate ? 1 : 0);

    CVortanString launchedKey(ORLO_KEY_TIMES_LAUNCHED);
    COrloStatsEntry* launched = m_settings->Find(launchedKey);
    if (launched)
        launched->SetInt(launched->intValue + 1);
    else if ((launched = m_settings->AddEntry(launchedKey)) != nullptr)
        launched->SetInt(1);

    // A device without an IMEI is known by a stored random identity instead.
    CVortanString& imei = m_device->GetInfo()[ORLO_DEVICE_IMEI];
    if (imei.IsEmpty()) {
        CVortanString uidKey(ORLO_KEY_UID);
        COrloStatsEntry* uid = m_settings->Find(uidKey);
        if (!uid)
            uid = m_settings->AddEntry(uidKey);
        if (uid && (uid->kind != ORLO_STATS_STRING || uid->stringValue.IsEmpty())) {
            CVortanString text("f0");
            AppendRandomHex(text, 15);
            SeedRandom();
            AppendRandomHex(text, 15);
            text.Append(CVortanString("0f"));
            uid->SetString(text);
        }
        if (uid)
            imei = uid->stringValue;
    }

    m_settings->Save();
    return VORTAN_OK;
}

void COrlogateApplication::ReportLanguagePackProblem()
{
    // The first pack is the one every language list starts with; the user-data directory's
    // copy is named when it is the only one.
    CVortanString name("orlolanguage_0000.dmp");
    CVortanString path;
    GetResourcePath(path, name);
    CVortanString received;
    if (VortanPackProblem(path) == VORTAN_EXIT_PACK_MISSING &&
        GetUserDataPath(received, name) == VORTAN_OK && !received.IsEmpty() &&
        VortanPackProblem(received) != VORTAN_EXIT_PACK_MISSING)
        path = received;
    VortanReportPackProblem("language pack", path, true);
}

void COrlogateApplication::ReportMediaPackProblem(const char* what, const char* base)
{
    // The first of the sizes that is there names the problem; when none is, the pack is
    // missing.
    CVortanString path;
    for (int i = 0; i < GetMediaPackSizeCount(); ++i) {
        CVortanString number;
        number.FromInteger(GetMediaPackSize(i), 10);
        CVortanString name(base);
        name.AppendChar('_');
        name.Append(number);
        name.Append(CVortanString(".dmp"));
        path.Empty();
        GetResourcePath(path, name);
        if (VortanPackProblem(path) != VORTAN_EXIT_PACK_MISSING) {
            VortanReportPackProblem(what, path, true);
            return;
        }
    }
    CVortanString pattern(base);
    pattern.Append(CVortanString("_<size>.dmp"));
    path.Empty();
    GetResourcePath(path, pattern);
    VortanReportFailure(VORTAN_EXIT_PACK_MISSING, "%s %s is missing", what,
                        VortanBytesOf(path).c_str());
}

void COrlogateApplication::OnDisplayLost()
{
    // The process ends at once: only files are written here, no X or GL work.
    if (m_achievements)
        m_achievements->SaveUnlocks();
    if (m_settings)
        m_settings->Save();
}
