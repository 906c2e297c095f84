// CVortanSoundMusicPlayer.
#include "VortanSound/VortanMusicPlayer.h"

#include "VortanSound/VortanMusicElements.h"

#include <gst/gst.h>

#include <atomic>
#include <cmath>
#include <vector>

#include "engine/VortanMutex.h"

namespace {

const int kMinVolume = -10000;
const int kMaxVolume = 0;
// Messages read from the bus in one tick at most, so that a flood cannot stall a frame.
const int kMaxMessagesPerTick = 512;
// Seek positions beyond this many seconds are taken as this (keeps the nanoseconds in range).
const double kMaxSeekSeconds = 1.0e9;

CVortanMutex g_mediaInitLock; // guards g_mediaInitDone
bool g_mediaInitDone = false;
std::atomic<int> g_mediaReady(0);

// The first player of the process starts the media library; the others find it started.
void StartMediaLibrary()
{
    CVortanMutexLock lock(g_mediaInitLock);
    if (!lock.IsLocked() || g_mediaInitDone)
        return;
    g_mediaInitDone = true;
    GError* error = nullptr;
    g_mediaReady.store(gst_init_check(nullptr, nullptr, &error) ? 1 : 0);
    if (error)
        g_error_free(error);
}

int ClampVolume(int volume)
{
    if (volume < kMinVolume)
        return kMinVolume;
    if (volume > kMaxVolume)
        return kMaxVolume;
    return volume;
}

bool HasVolumeProperty(GstElement* element)
{
    if (!element)
        return false;
    GParamSpec* volumeProperty =
        g_object_class_find_property(G_OBJECT_GET_CLASS(element), "volume");
    return volumeProperty && G_PARAM_SPEC_VALUE_TYPE(volumeProperty) == G_TYPE_DOUBLE;
}

} // namespace

CVortanSoundMusicPlayer::CVortanSoundMusicPlayer()
    : m_pipeline(nullptr), m_volume(nullptr), m_owner(nullptr), m_attach(nullptr),
      m_detach(nullptr), m_state(STATE_CLOSED), m_volumeAtOpen(0), m_muted(0), m_mutedVolume(0),
      m_fadeTarget(0), m_fadeLevel(0.0f), m_fadeRate(0.0f), m_endOfStream(0), m_loop(0)
{
    StartMediaLibrary();
}

CVortanSoundMusicPlayer::~CVortanSoundMusicPlayer()
{
    Close();
}

int CVortanSoundMusicPlayer::OpenPipeline(void* owner, FOwnerCall attach, FOwnerCall detach,
                                          const CVortanString& fileName)
{
    if (m_pipeline || m_owner)
        Close();

    m_owner = owner;
    m_attach = attach;
    m_detach = detach;
    if (m_owner && m_attach)
        m_attach(m_owner, this);
    m_endOfStream = 0;
    m_loop = 0;

    if (!g_mediaReady.load())
        return VORTAN_E_FAIL;

    GstElement* pipeline = gst_pipeline_new("music-pipeline");
    if (!pipeline)
        return VORTAN_E_NOMEMORY;
    gst_object_ref_sink(pipeline);

    static const struct {
        int role;
        const char* name;
    } kChain[] = {
        {VORTAN_MUSIC_SOURCE, "file-source"},        {VORTAN_MUSIC_PARSER, "music-parser"},
        {VORTAN_MUSIC_DECODER, "music-decoder"},     {VORTAN_MUSIC_CONVERTER, "music-convert"},
        {VORTAN_MUSIC_VOLUME, "music-volume"},       {VORTAN_MUSIC_CONVERTER, "output-convert"},
        {VORTAN_MUSIC_RESAMPLER, "output-resample"}, {VORTAN_MUSIC_SINK, "music-sink"},
    };
    const int count = (int)(sizeof(kChain) / sizeof(kChain[0]));
    GstElement* elements[sizeof(kChain) / sizeof(kChain[0])] = {};
    bool missing = false;
    for (int i = 0; i < count; i++) {
        elements[i] = CVortanMusicElements::Make(kChain[i].role, kChain[i].name);
        if (!elements[i])
            missing = true;
    }
    if (missing) {
        for (int i = 0; i < count; i++) {
            if (elements[i]) {
                gst_object_ref_sink(elements[i]);
                gst_object_unref(elements[i]);
            }
        }
        gst_object_unref(pipeline);
        return VORTAN_E_MALFORMED;
    }

    // The file name as 8-bit text (the low byte of each unit), as every engine path is opened.
    std::string path = VortanBytesOf(fileName);
    g_object_set(elements[0], "location", path.c_str(), nullptr);

    bool linked = true;
    for (int i = 0; i < count; i++)
        gst_bin_add(GST_BIN(pipeline), elements[i]);
    for (int i = 0; i + 1 < count && linked; i++)
        linked = gst_element_link(elements[i], elements[i + 1]) != FALSE;
    if (!linked) {
        gst_object_unref(pipeline);
        return VORTAN_E_FAIL;
    }

    m_pipeline = pipeline;
    // An element standing in for the volume stage without a volume level is never set.
    m_volume = HasVolumeProperty(elements[4]) ? elements[4] : nullptr;
    m_state = STATE_STOPPED;
    m_volumeAtOpen = GetVolume();
    return VORTAN_OK;
}

void CVortanSoundMusicPlayer::Unregister()
{
    if (m_owner && m_detach)
        m_detach(m_owner, this);
    m_owner = nullptr;
    m_attach = nullptr;
    m_detach = nullptr;
}

void CVortanSoundMusicPlayer::StopPipeline()
{
    m_endOfStream = 0;
    if (m_pipeline)
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
    m_state = STATE_STOPPED;
}

int CVortanSoundMusicPlayer::Play(int loop)
{
    if (m_state == STATE_CLOSED)
        return VORTAN_E_RANGE;
    if (m_state == STATE_PLAYING)
        return VORTAN_OK;
    m_endOfStream = 0;
    if (m_owner)
        m_loop = loop ? 1 : 0;
    if (gst_element_set_state(m_pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        // Unreadable file or no output: nothing will play, so do not claim that it does.
        StopPipeline();
        return VORTAN_E_FAIL;
    }
    m_state = STATE_PLAYING;
    return VORTAN_OK;
}

int CVortanSoundMusicPlayer::Pause()
{
    if (m_state == STATE_CLOSED)
        return VORTAN_E_RANGE;
    if (m_state == STATE_PLAYING) {
        gst_element_set_state(m_pipeline, GST_STATE_PAUSED);
        m_state = STATE_PAUSED;
    }
    return VORTAN_OK;
}

int CVortanSoundMusicPlayer::Stop()
{
    if (m_state == STATE_CLOSED)
        return VORTAN_E_RANGE;
    if (m_state == STATE_STOPPED)
        return VORTAN_OK;
    StopPipeline();
    return VORTAN_OK;
}

int CVortanSoundMusicPlayer::Seek(float seconds)
{
    if (m_state == STATE_CLOSED)
        return VORTAN_E_RANGE;
    // An end of stream or an error that arrived before the jump belongs to the old position.
    DrainBus();
    m_endOfStream = 0;
    double target = seconds;
    if (!(target > 0.0))
        target = 0.0;
    if (target > kMaxSeekSeconds)
        target = kMaxSeekSeconds;
    const gint64 nanoseconds = (gint64)(target * 1.0e9);
    if (!gst_element_seek_simple(m_pipeline, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, nanoseconds))
        return VORTAN_E_FAIL;
    return VORTAN_OK;
}

float CVortanSoundMusicPlayer::QuerySeconds(int position)
{
    if (m_state == STATE_CLOSED)
        return 0.0f;
    gint64 value = 0;
    const gboolean ok = position ? gst_element_query_position(m_pipeline, GST_FORMAT_TIME, &value)
                                 : gst_element_query_duration(m_pipeline, GST_FORMAT_TIME, &value);
    if (!ok || value < 0)
        return 0.0f;
    return (float)((double)(value / 1000000) / 1000.0);
}

float CVortanSoundMusicPlayer::GetPosition()
{
    return QuerySeconds(1);
}

float CVortanSoundMusicPlayer::GetDuration()
{
    return QuerySeconds(0);
}

void CVortanSoundMusicPlayer::SetOutputLevel(double level)
{
    if (m_volume)
        g_object_set(m_volume, "volume", level, nullptr);
}

int CVortanSoundMusicPlayer::ReadOutputVolume()
{
    if (!m_volume)
        return 0;
    gdouble level = 0.0;
    g_object_get(m_volume, "volume", &level, nullptr);
    if (!(level >= 0.0))
        level = 0.0;
    if (level > 1.0)
        level = 1.0;
    // Nearest, not truncated: 0.8 is stored as 0.79999..., which must still read -2000.
    return ClampVolume((int)std::lround((level - 1.0) * 10000.0));
}

int CVortanSoundMusicPlayer::CurrentVolume()
{
    if (m_state == STATE_CLOSED)
        return 0;
    if (m_muted)
        return m_mutedVolume;
    return ReadOutputVolume();
}

void CVortanSoundMusicPlayer::ApplyVolume(int volume)
{
    if (m_state == STATE_CLOSED)
        return;
    volume = ClampVolume(volume);
    if (m_muted)
        m_mutedVolume = volume;
    else
        SetOutputLevel((volume + 10000) / 10000.0);
}

int CVortanSoundMusicPlayer::GetVolume()
{
    if (m_state == STATE_CLOSED)
        return 0;
    if (m_fadeRate != 0.0f)
        return m_fadeTarget;
    return CurrentVolume();
}

void CVortanSoundMusicPlayer::SetVolume(int volume)
{
    ApplyVolume(volume);
}

void CVortanSoundMusicPlayer::SetMute(int muted)
{
    muted = muted ? 1 : 0;
    if (m_state == STATE_CLOSED || muted == m_muted)
        return;
    if (muted) {
        m_mutedVolume = m_fadeRate != 0.0f ? m_fadeTarget : ReadOutputVolume();
        SetOutputLevel(0.0);
        m_muted = 1;
    } else {
        m_muted = 0;
        ApplyVolume(m_mutedVolume);
    }
}

void CVortanSoundMusicPlayer::FadeIn(float seconds)
{
    if (!m_owner || m_fadeRate != 0.0f)
        return;
    const int target = CurrentVolume();
    const float rate = (float)(target + 10000) / seconds;
    if (!(seconds > 0.0f) || !(rate > 0.0f) || !std::isfinite(rate)) {
        // No time to fade over, or nothing to rise: the end of the fade applies at once.
        ApplyVolume(target);
        return;
    }
    m_fadeTarget = target;
    m_fadeLevel = (float)kMinVolume;
    if (m_state != STATE_CLOSED) {
        if (m_muted)
            m_mutedVolume = kMinVolume;
        else
            SetOutputLevel(0.0);
    }
    m_fadeRate = rate;
}

void CVortanSoundMusicPlayer::FadeOut(float seconds)
{
    if (!m_owner || m_fadeRate != 0.0f)
        return;
    const int volume = CurrentVolume();
    const float rate = (float)(volume + 10000) / -seconds;
    m_fadeTarget = volume;
    m_fadeLevel = (float)volume;
    if (!(seconds > 0.0f) || !(rate < 0.0f) || !std::isfinite(rate)) {
        // The fade-out ends at once: pause and keep the volume for the next play.
        m_fadeLevel = 0.0f;
        if (m_state == STATE_PLAYING) {
            gst_element_set_state(m_pipeline, GST_STATE_PAUSED);
            m_state = STATE_PAUSED;
        }
        ApplyVolume(m_fadeTarget);
        return;
    }
    m_fadeRate = rate;
}

int CVortanSoundMusicPlayer::DrainBus()
{
    if (!m_pipeline)
        return 1;
    GstBus* bus = gst_element_get_bus(m_pipeline);
    if (!bus)
        return 1;
    bool failed = false;
    for (int i = 0; i < kMaxMessagesPerTick; i++) {
        GstMessage* message = gst_bus_pop(bus);
        if (!message)
            break;
        switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_EOS:
            if (m_state == STATE_PLAYING)
                m_endOfStream = 1;
            break;
        case GST_MESSAGE_ERROR:
            failed = true;
            break;
        default:
            break;
        }
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    if (failed && m_state != STATE_STOPPED) {
        StopPipeline();
        return 0;
    }
    return failed ? 0 : 1;
}

void CVortanSoundMusicPlayer::Run(float deltaSeconds)
{
    if (!(deltaSeconds > 0.0f))
        deltaSeconds = 0.0f;

    if (m_fadeRate != 0.0f) {
        m_fadeLevel += m_fadeRate * deltaSeconds;
        if (m_fadeLevel < (float)kMinVolume) {
            // Fade-out finished: pause, and keep the old volume for the next play.
            m_fadeRate = 0.0f;
            m_fadeLevel = 0.0f;
            if (m_state == STATE_PLAYING) {
                gst_element_set_state(m_pipeline, GST_STATE_PAUSED);
                m_state = STATE_PAUSED;
            }
            ApplyVolume(m_fadeTarget);
        } else if (m_fadeLevel > (float)m_fadeTarget) {
            // Fade-in finished.
            m_fadeRate = 0.0f;
            m_fadeLevel = 0.0f;
            ApplyVolume(m_fadeTarget);
        } else {
            float level = m_fadeLevel;
            if (level > (float)kMaxVolume)
                level = (float)kMaxVolume;
            ApplyVolume((int)level);
        }
    }

    if (m_state == STATE_CLOSED)
        return;
    // The flag from an earlier tick restarts the file; one seen in this tick waits a tick.
    const int endSeen = m_endOfStream;
    if (!DrainBus())
        return;
    if (m_loop && m_state == STATE_PLAYING && endSeen) {
        StopPipeline();
        gst_element_seek_simple(m_pipeline, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, 0);
        if (gst_element_set_state(m_pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
            StopPipeline();
            return;
        }
        m_state = STATE_PLAYING;
    }
}

void CVortanSoundMusicPlayer::Close()
{
    Unregister();
    if (m_pipeline) {
        if (m_state != STATE_CLOSED && m_state != STATE_STOPPED)
            StopPipeline();
        ApplyVolume(m_volumeAtOpen);
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        gst_object_unref(m_pipeline);
        m_pipeline = nullptr;
        m_volume = nullptr;
    }
    m_state = STATE_CLOSED;
    m_fadeTarget = 0;
    m_fadeLevel = 0.0f;
    m_fadeRate = 0.0f;
    m_endOfStream = 0;
    m_loop = 0;
}
