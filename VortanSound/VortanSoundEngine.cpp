#include "VortanSound/VortanSoundEngine.h"

#include <alsa/asoundlib.h>
#include <stdlib.h>
#include <string.h>

#include <new>

#include "engine/VortanString.h"

namespace {

// The output formats the engine can open, in order of preference on a tie.
const CVortanSoundFormat kFormatCandidates[] = {
    {2, 44100, 16, 4}, {2, 22050, 16, 4}, {2, 11025, 16, 4}, {2, 44100, 8, 2},
    {2, 22050, 8, 2},  {2, 11025, 8, 2},  {1, 44100, 16, 2}, {1, 22050, 16, 2},
    {1, 11025, 16, 2}, {1, 44100, 8, 1},  {1, 22050, 8, 1},  {1, 11025, 8, 1},
};
const int kFormatCandidateCount = sizeof(kFormatCandidates) / sizeof(kFormatCandidates[0]);

const int kMixerPriority = 252;
const int kMaxPeriodBytes = 1 << 20;

// The larger value divided by the smaller (infinite when one of them is 0).
float Ratio(u32 a, u32 b)
{
    u32 big = a > b ? a : b;
    u32 small = a > b ? b : a;
    if (small == 0)
        return 1e30f;
    return static_cast<float>(big) / static_cast<float>(small);
}

// Index of the pointer in the list, or -1.
int IndexOf(const CVortanPtrArray& list, const void* item)
{
    for (int i = 0; i < list.GetCount(); ++i) {
        if (list.GetAt(i) == item)
            return i;
    }
    return -1;
}

} // namespace

CVortanSoundEngine::CVortanSoundEngine()
    : m_owner(nullptr), m_paused(0), m_muted(0), m_savedVolume(0), m_mixBuffer(nullptr),
      m_periodBytes(0), m_mixSamples(0), m_mixBytes(0), m_flags(0), m_pcm(nullptr),
      m_hwParams(nullptr), m_periodFrames(0), m_devicePaused(0), m_notifyId(0), m_delivering(0),
      m_deliveryThread(), m_callHandler(nullptr), m_callSerial(0)
{}

CVortanSoundEngine::~CVortanSoundEngine()
{
    Close();
}

CVortanSoundEngine* CVortanSoundEngine::Create()
{
    return new (std::nothrow) CVortanSoundEngine();
}

int CVortanSoundEngine::ChooseFormat(const CVortanSoundFormat& wanted, CVortanSoundFormat* chosen)
{
    float best = 10000.0f;
    int found = -1;
    for (int i = 0; i < kFormatCandidateCount; ++i) {
        const CVortanSoundFormat& c = kFormatCandidates[i];
        float product = Ratio(c.m_samplesPerSec, wanted.m_samplesPerSec) *
                        Ratio(c.m_bitsPerSample, wanted.m_bitsPerSample) *
                        Ratio(c.m_channels, wanted.m_channels);
        if (product < best) {
            best = product;
            found = i;
        }
    }
    if (found < 0)
        return VORTAN_E_VERSION;
    if (chosen)
        chosen->Set(kFormatCandidates[found].m_channels, kFormatCandidates[found].m_samplesPerSec,
                    kFormatCandidates[found].m_bitsPerSample);
    return VORTAN_OK;
}

int CVortanSoundEngine::Open(void* owner, u32 samplesPerSec, u32 bitsPerSample, u32 channels,
                             u32 reserved, u32 flags, int periodBytes)
{
    (void)reserved;
    Close();
    m_owner = owner;
    m_format.Set(channels, samplesPerSec, bitsPerSample);
    m_flags = flags;
    m_paused.store(0);
    int rc = OpenOutput(m_format, periodBytes);
    if (rc == VORTAN_OK) {
        {
            // The primary buffer registered itself while it was created; it is not mixed.
            CVortanCriticalSectionLock lock(m_lock);
            if (lock.IsLocked())
                m_buffers.RemoveAll();
        }
        if (!(m_flags & VORTAN_SOUNDENGINE_NO_THREAD))
            StartMixer();
        return VORTAN_OK;
    }
    Close();
    return rc;
}

void CVortanSoundEngine::StartMixer()
{
    if (HasThread() && IsRunning())
        return;
    if (Start())
        SetPriority(kMixerPriority); // refused without the right to raise it: runs on unchanged
}

void CVortanSoundEngine::Close()
{
    // A writer blocked on a device paused in hardware must be able to finish before the join.
    if (m_pcm && m_devicePaused) {
        snd_pcm_pause(m_pcm, 0);
        m_devicePaused = 0;
    }
    Stop();
    {
        CVortanCriticalSectionLock lock(m_lock);
        if (lock.IsLocked())
            m_handlers.RemoveAll();
    }
    CloseDevice();
    m_primary.Release();
    FreeMixBuffer();
    {
        CVortanCriticalSectionLock lock(m_lock);
        if (lock.IsLocked())
            m_buffers.RemoveAll();
    }
    m_owner = nullptr;
    m_periodBytes = 0;
    m_mixSamples = 0;
    m_mixBytes = 0;
}

void CVortanSoundEngine::FreeMixBuffer()
{
    free(m_mixBuffer);
    m_mixBuffer = nullptr;
}

int CVortanSoundEngine::OpenOutput(const CVortanSoundFormat& wanted, int periodBytes)
{
    CVortanSoundFormat chosen;
    int rc = ChooseFormat(wanted, &chosen);
    if (rc != VORTAN_OK)
        return rc;
    m_format = chosen;

    if (periodBytes <= 0)
        periodBytes = static_cast<int>(chosen.m_samplesPerSec * chosen.m_blockAlign / 24 + 1024);
    if (periodBytes > kMaxPeriodBytes)
        periodBytes = kMaxPeriodBytes;
    periodBytes = (periodBytes + 15) & ~15;

    rc = m_primary.Create(this, &m_format, periodBytes, 0);
    if (rc != VORTAN_OK)
        return rc;
    rc = OpenDevice(m_format, periodBytes);
    if (rc != VORTAN_OK) {
        m_primary.Release();
        return rc;
    }
    m_periodBytes = periodBytes;
    m_mixSamples = static_cast<int>((3 - chosen.m_channels) * static_cast<u32>(periodBytes) /
                                    (chosen.m_bitsPerSample / 8));
    m_mixBytes = 4 * m_mixSamples;
    m_mixBuffer = static_cast<i32*>(TrackAllocation(malloc(static_cast<size_t>(m_mixBytes)),
                                                    static_cast<size_t>(m_mixBytes),
                                                    "VortanSound/VortanSoundEngine", __LINE__));
    if (!m_mixBuffer) {
        CloseDevice();
        m_primary.Release();
        m_mixSamples = 0;
        m_mixBytes = 0;
        return VORTAN_E_NOMEMORY;
    }
    memset(m_mixBuffer, 0, static_cast<size_t>(m_mixBytes));
    return VORTAN_OK;
}

namespace {
// A machine without a sound card is a normal case (the program runs on without sound): the
// library's own diagnostics are not printed; failures are reported through the result codes.
void QuietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}
} // namespace

int CVortanSoundEngine::OpenDevice(const CVortanSoundFormat& format, int periodBytes)
{
    if (m_pcm)
        return VORTAN_OK;
    snd_lib_error_set_handler(QuietAlsaErrors);
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return VORTAN_E_FAIL;
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_sw_params_t* sw = nullptr;
    int ok = 0;
    do {
        if (snd_pcm_hw_params_malloc(&hw) < 0)
            break;
        if (snd_pcm_hw_params_any(pcm, hw) < 0)
            break;
        if (snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0)
            break;
        snd_pcm_format_t pcmFormat = SND_PCM_FORMAT_S16_LE;
        if (format.m_bitsPerSample == 8)
            pcmFormat = SND_PCM_FORMAT_U8; // the mixer writes 8-bit output offset by 128
        else if (format.m_bitsPerSample == 32)
            pcmFormat = SND_PCM_FORMAT_S32_LE;
        if (snd_pcm_hw_params_set_format(pcm, hw, pcmFormat) < 0)
            break;
        unsigned int rate = format.m_samplesPerSec;
        if (snd_pcm_hw_params_set_rate_near(pcm, hw, &rate, nullptr) < 0)
            break;
        if (snd_pcm_hw_params_set_channels(pcm, hw, format.m_channels) < 0)
            break;
        u32 periodFrames =
            static_cast<u32>(periodBytes) / format.m_channels / (format.m_bitsPerSample / 8);
        snd_pcm_uframes_t bufferFrames = 6 * static_cast<snd_pcm_uframes_t>(periodFrames);
        if (snd_pcm_hw_params_set_buffer_size_near(pcm, hw, &bufferFrames) < 0)
            break;
        if (snd_pcm_hw_params_set_rate_resample(pcm, hw, 1) < 0)
            break;
        if (snd_pcm_hw_params(pcm, hw) < 0)
            break;
        if (snd_pcm_nonblock(pcm, 0) < 0)
            break;
        if (snd_pcm_sw_params_malloc(&sw) < 0)
            break;
        if (snd_pcm_sw_params_current(pcm, sw) < 0)
            break;
        if (snd_pcm_sw_params_set_avail_min(pcm, sw, periodFrames) < 0)
            break;
        if (snd_pcm_sw_params_set_start_threshold(pcm, sw, 0) < 0)
            break;
        if (snd_pcm_sw_params(pcm, sw) < 0)
            break;
        if (snd_pcm_prepare(pcm) < 0)
            break;
        m_periodFrames = static_cast<int>(periodFrames);
        ok = 1;
    } while (false);
    if (sw)
        snd_pcm_sw_params_free(sw);
    if (!ok) {
        if (hw)
            snd_pcm_hw_params_free(hw);
        snd_pcm_close(pcm);
        return VORTAN_E_FAIL;
    }
    m_pcm = pcm;
    m_hwParams = hw;
    m_devicePaused = 0;
    return VORTAN_OK;
}

void CVortanSoundEngine::CloseDevice()
{
    if (m_pcm) {
        snd_pcm_drop(m_pcm);
        snd_pcm_close(m_pcm);
        m_pcm = nullptr;
    }
    if (m_hwParams) {
        snd_pcm_hw_params_free(m_hwParams);
        m_hwParams = nullptr;
    }
    m_devicePaused = 0;
}

int CVortanSoundEngine::SetPaused(bool paused)
{
    if ((m_paused.load() != 0) == paused)
        return VORTAN_OK;
    m_paused.store(paused ? 1 : 0);
    {
        CVortanCriticalSectionLock lock(m_lock);
        if (lock.IsLocked()) {
            for (int i = 0; i < m_buffers.GetCount(); ++i)
                static_cast<CVortanSoundBuffer*>(m_buffers.GetAt(i))->Stop();
        }
    }
    if (!m_mixBuffer)
        return VORTAN_OK; // not open: nothing to pause or resume
    if (!paused) {
        if (!m_pcm) {
            OpenDevice(m_format, m_periodBytes); // without a device the mixer runs on silently
        } else if (m_devicePaused) {
            if (snd_pcm_pause(m_pcm, 0) < 0)
                snd_pcm_prepare(m_pcm);
            m_devicePaused = 0;
        }
        if (!(m_flags & VORTAN_SOUNDENGINE_NO_THREAD))
            StartMixer();
        return VORTAN_OK;
    }
    if (m_pcm) {
        if (m_hwParams && snd_pcm_hw_params_can_pause(m_hwParams) && snd_pcm_pause(m_pcm, 1) == 0) {
            m_devicePaused = 1;
        } else {
            Stop();
            CloseDevice();
        }
    }
    return VORTAN_OK;
}

int CVortanSoundEngine::SetMute(bool muted)
{
    if ((m_muted.load() != 0) == muted)
        return VORTAN_OK;
    if (muted) {
        m_savedVolume.store(m_primary.GetVolume());
        m_muted.store(1);
    } else {
        m_primary.SetVolume(m_savedVolume.load());
        m_muted.store(0);
    }
    return VORTAN_OK;
}

int CVortanSoundEngine::SetVolume(i32 volume)
{
    if (volume < -10000)
        volume = -10000;
    if (volume > 0)
        volume = 0;
    if (m_muted.load())
        m_savedVolume.store(volume);
    else
        m_primary.SetVolume(volume);
    return VORTAN_OK;
}

i32 CVortanSoundEngine::GetVolume() const
{
    return m_muted.load() ? m_savedVolume.load() : m_primary.GetVolume();
}

int CVortanSoundEngine::SetPan(i32 pan)
{
    if (pan < -10000)
        pan = -10000;
    if (pan > 10000)
        pan = 10000;
    return m_primary.SetPan(pan);
}

i32 CVortanSoundEngine::GetPan() const
{
    return m_primary.GetPan();
}

int CVortanSoundEngine::AddBuffer(CVortanSoundBuffer* buffer)
{
    if (!buffer)
        return VORTAN_E_ARGUMENT;
    CVortanCriticalSectionLock lock(m_lock);
    if (!lock.IsLocked())
        return VORTAN_E_FAIL;
    return IndexOf(m_buffers, buffer) >= 0 ? 0 : m_buffers.Add(buffer);
}

int CVortanSoundEngine::RemoveBuffer(CVortanSoundBuffer* buffer)
{
    return RemoveFromList(m_buffers, buffer);
}

int CVortanSoundEngine::AddNotifyHandler(IVortanSoundNotifyHandler* handler)
{
    if (!handler)
        return VORTAN_E_ARGUMENT;
    CVortanCriticalSectionLock lock(m_lock);
    if (!lock.IsLocked())
        return VORTAN_E_FAIL;
    return m_handlers.Add(handler);
}

int CVortanSoundEngine::RemoveNotifyHandler(IVortanSoundNotifyHandler* handler)
{
    int rc = RemoveFromList(m_handlers, handler);
    if (handler)
        WaitForListeners(handler);
    return rc;
}

int CVortanSoundEngine::RemoveFromList(CVortanPtrArray& list, void* item)
{
    if (!item)
        return VORTAN_E_ARGUMENT;
    CVortanCriticalSectionLock lock(m_lock);
    if (!lock.IsLocked())
        return VORTAN_E_FAIL;
    int i = IndexOf(list, item);
    if (i < 0)
        return VORTAN_E_MISSING;
    list.RemoveAt(i);
    return VORTAN_OK;
}

int CVortanSoundEngine::GetBufferCount()
{
    CVortanCriticalSectionLock lock(m_lock);
    return lock.IsLocked() ? m_buffers.GetCount() : 0;
}

int CVortanSoundEngine::EnumFormats(CVortanPtrArray& formats)
{
    for (int i = 0; i < kFormatCandidateCount; ++i) {
        CVortanSoundFormat* format = new (std::nothrow) CVortanSoundFormat(kFormatCandidates[i]);
        if (!format)
            return VORTAN_E_NOMEMORY;
        if (formats.Add(format) != VORTAN_OK) {
            delete format;
            return VORTAN_E_NOMEMORY;
        }
    }
    return VORTAN_OK;
}

int CVortanSoundEngine::EnumDevices(CVortanPtrArray& devices)
{
    CVortanString* name = new (std::nothrow) CVortanString("ALSA VortanSound device for Linux");
    if (!name)
        return VORTAN_E_NOMEMORY;
    if (devices.Add(name) != VORTAN_OK) {
        delete name;
        return VORTAN_E_NOMEMORY;
    }
    return VORTAN_OK;
}

void CVortanSoundEngine::FreeFormats(CVortanPtrArray& formats)
{
    for (int i = 0; i < formats.GetCount(); ++i)
        delete static_cast<CVortanSoundFormat*>(formats.GetAt(i));
    formats.RemoveAll();
}

void CVortanSoundEngine::FreeDevices(CVortanPtrArray& devices)
{
    for (int i = 0; i < devices.GetCount(); ++i)
        delete static_cast<CVortanString*>(devices.GetAt(i));
    devices.RemoveAll();
}

void CVortanSoundEngine::ProcessHandlers()
{
    CVortanSoundNotifyCalls due;
    {
        CVortanCriticalSectionLock lock(m_lock);
        // One pass at a time: a pass asked for from inside a listener (Update) or on a second
        // thread leaves the notifications to the next period.
        if (!lock.IsLocked() || m_delivering)
            return;
        for (int i = 0; i < m_handlers.GetCount(); ++i)
            static_cast<IVortanSoundNotifyHandler*>(m_handlers.GetAt(i))->ProcessNotifications(due);
        if (due.GetSize() == 0)
            return;
        m_delivering = 1;
        m_deliveryThread = pthread_self();
    }
    // Outside the lock, so that listeners may take any lock. Each call is checked first: an
    // earlier listener, or another thread, may have removed its record or released its buffer.
    for (int i = 0; i < due.GetSize(); ++i) {
        const CVortanSoundNotifyCall& call = due[i];
        {
            CVortanCriticalSectionLock lock(m_lock);
            if (!lock.IsLocked() || !IsStillDue(call))
                continue;
            m_callHandler = call.m_handler;
            ++m_callSerial;
        }
        call.m_listener->Notify(call.m_buffer, call.m_type, call.m_id, call.m_position,
                                call.m_user);
        // Written even when the lock fails: that only happens when this thread holds it.
        CVortanCriticalSectionLock lock(m_lock);
        m_callHandler = nullptr;
    }
    CVortanCriticalSectionLock lock(m_lock);
    m_delivering = 0;
    m_deliveryThread = pthread_t();
}

int CVortanSoundEngine::IsStillDue(const CVortanSoundNotifyCall& call)
{
    // Registration first: a handler off the list may already be gone.
    return IndexOf(m_handlers, call.m_handler) >= 0 && call.m_handler->HasNotify(call.m_id);
}

void CVortanSoundEngine::WaitForListeners(IVortanSoundNotifyHandler* handler)
{
    u32 serial = 0;
    {
        CVortanCriticalSectionLock lock(m_lock);
        if (!lock.IsLocked() || !handler || m_callHandler != handler ||
            pthread_equal(m_deliveryThread, pthread_self()))
            return;
        serial = m_callSerial;
    }
    // Rare (a removal that meets a running call of the same handler), so polled: the calling
    // thread holds nothing of the engine while it waits.
    for (;;) {
        VortanSleep(1);
        CVortanCriticalSectionLock lock(m_lock);
        if (!lock.IsLocked() || m_callHandler != handler || m_callSerial != serial)
            return;
    }
}

void CVortanSoundEngine::Run()
{
    while (IsRunning()) {
        if (!m_paused.load() && m_mixBuffer) {
            Mix();
            ProcessHandlers();
        }
        VortanSleep(5);
        // Paused: a further 500 ms per pass, in slices so that a stop is not held up.
        for (int slept = 0; slept < 500 && m_paused.load() && IsRunning(); slept += 10)
            VortanSleep(10);
    }
}

int CVortanSoundEngine::Update()
{
    if (!(m_flags & VORTAN_SOUNDENGINE_NO_THREAD) || m_paused.load() || !m_mixBuffer)
        return 0;
    int rc = Mix();
    ProcessHandlers();
    return rc;
}
