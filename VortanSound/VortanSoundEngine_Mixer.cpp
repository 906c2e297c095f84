// The mixing pass of CVortanSoundEngine: one period of every playing buffer into the 32-bit
// mix buffer, then the master gain and the conversion to the output format.
#include <alsa/asoundlib.h>
#include <math.h>
#include <string.h>

#include "VortanSound/VortanSoundEngine.h"

namespace {

const u32 kMinFrequency = 1000;
const u32 kMaxFrequency = 88200;

// A float gain factor in 0..32767 (0 for anything that is not a number).
i32 GainFromFloat(float value)
{
    if (!(value > 0.0f))
        return 0;
    if (value >= 32767.0f)
        return 32767;
    return static_cast<i32>(value);
}

inline i32 Sample8(const u8* data, size_t index)
{
    return (static_cast<i32>(data[index]) - 128) * 256;
}

inline i32 Sample16(const u8* data, size_t index)
{
    const u8* p = data + 2 * index;
    return static_cast<i16>(static_cast<u16>(p[0] | (p[1] << 8)));
}

// Adds the source frame whose first sample is at `index` to one output frame.
template <int Bits, int Channels>
inline void AddFrame(i32* acc, const u8* data, size_t index, i32 leftGain, i32 rightGain)
{
    i32 left = Bits == 8 ? Sample8(data, index) : Sample16(data, index);
    i32 right =
        Channels == 1 ? left : (Bits == 8 ? Sample8(data, index + 1) : Sample16(data, index + 1));
    acc[0] += (leftGain * left) >> 15;
    acc[1] += (rightGain * right) >> 15;
}

// Adds n output frames read from source frame `frame` on, stepping `step` source frames per
// output frame in 8.8 fixed point (nearest lower frame, no interpolation). The unit step has
// its own loop: contiguous reads the compiler can vectorise.
template <int Bits, int Channels>
void MixFrames(i32* acc, const u8* data, size_t frame, u32 n, u32 step, i32 leftGain, i32 rightGain)
{
    if (step == 256) {
        for (u32 i = 0; i < n; ++i)
            AddFrame<Bits, Channels>(acc + 2 * i, data, (frame + i) * Channels, leftGain,
                                     rightGain);
        return;
    }
    u64 counter = 0;
    for (u32 i = 0; i < n; ++i, counter += step)
        AddFrame<Bits, Channels>(acc + 2 * i, data,
                                 (frame + static_cast<size_t>(counter >> 8)) * Channels, leftGain,
                                 rightGain);
}

inline i32 Clamp(i64 value, i32 low, i32 high)
{
    return value < low ? low : (value > high ? high : static_cast<i32>(value));
}

} // namespace

i32 CVortanSoundEngine::VolumeToGain(i32 volume)
{
    if (volume >= 0)
        return 32767;
    if (volume < -10000)
        volume = -10000;
    return static_cast<i32>(32767.0f / exp2f(static_cast<float>(volume) / -1000.0f));
}

i32 CVortanSoundEngine::PanToGain(i32 pan)
{
    i32 magnitude = pan < 0 ? -pan : pan;
    if (magnitude > 10000)
        magnitude = 10000;
    return static_cast<i32>(32767.0f / exp2f(static_cast<float>(magnitude) / 1000.0f));
}

int CVortanSoundEngine::MixBuffer(CVortanSoundBuffer* buffer)
{
    const CVortanSoundFormat& format = buffer->m_format;
    const u32 outputRate = m_format.m_samplesPerSec;
    i32 gain = VolumeToGain(buffer->GetVolume());
    u32 frequency = buffer->GetFrequency();
    i32 leftGain;
    i32 rightGain;

    if (!(buffer->GetFlags() & VORTAN_SOUNDBUFFER_3D)) {
        i32 left = 32767;
        i32 right = 32767;
        i32 pan = buffer->GetPan();
        if (pan < 0)
            right = PanToGain(pan);
        else if (pan > 0)
            left = PanToGain(pan);
        leftGain = (gain * left) >> 15;
        rightGain = (gain * right) >> 15;
    } else {
        float x = buffer->m_position3D[0].load();
        float y = buffer->m_position3D[1].load();
        float z = buffer->m_position3D[2].load();
        float angle = atanf(x / (z == 0.0f ? 0.00001f : z));
        if (z >= 0.0f)
            angle -= 3.14159265f;
        float s = sinf(angle);
        i32 left = 32767;
        i32 right = 32767;
        if (s > 0.0f)
            right = GainFromFloat((1.0f - s) * 32767.0f);
        else
            left = GainFromFloat((1.0f + s) * 32767.0f);

        float minDistance = buffer->m_minDistance.load();
        float maxDistance = buffer->m_maxDistance.load();
        float length = sqrtf(x * x + y * y + z * z);
        float distance = length;
        if (!(distance >= minDistance))
            distance = minDistance;
        if (distance > maxDistance)
            distance = maxDistance;
        i32 attenuation = 32767;
        if (minDistance > 0.0f)
            attenuation = GainFromFloat(32767.0f / exp2f((distance - minDistance) / minDistance));
        leftGain =
            static_cast<i32>((static_cast<u32>(gain) *
                              (static_cast<u32>(left) * static_cast<u32>(attenuation) / 32767u)) >>
                             15);
        rightGain =
            static_cast<i32>((static_cast<u32>(gain) *
                              (static_cast<u32>(right) * static_cast<u32>(attenuation) / 32767u)) >>
                             15);

        // Doppler shift along the line to the listener; a source at the listener's place or
        // at rest has no direction and no shift.
        float vx = buffer->m_velocity3D[0].load();
        float vy = buffer->m_velocity3D[1].load();
        float vz = buffer->m_velocity3D[2].load();
        float speed = sqrtf(vx * vx + vy * vy + vz * vz);
        if (length > 0.0f && speed > 0.0f) {
            float along = (x / length) * (vx / speed) + (y / length) * (vy / speed) +
                          (z / length) * (vz / speed);
            float shifted = static_cast<float>(frequency) *
                            ((340.0f - along * speed * buffer->m_dopplerFactor.load()) / 340.0f);
            if (shifted == shifted) { // not NaN
                if (shifted < static_cast<float>(kMinFrequency))
                    shifted = static_cast<float>(kMinFrequency);
                if (shifted > static_cast<float>(kMaxFrequency))
                    shifted = static_cast<float>(kMaxFrequency);
                frequency = static_cast<u32>(shifted);
            }
        }
    }
    if (frequency < kMinFrequency)
        frequency = kMinFrequency;
    if (frequency > kMaxFrequency)
        frequency = kMaxFrequency;

    if (!buffer->LockForMix())
        return 0; // locked by its owner: skipped this period

    const u32 blockAlign = format.m_blockAlign;
    const u32 totalFrames = buffer->m_size / blockAlign;
    const u32 step = (frequency << 8) / outputRate;
    const bool loop = buffer->GetPlayFlags() != 0;
    const u8* data = buffer->m_data;
    int k = 0;
    while (k < m_mixSamples && buffer->IsPlaying()) {
        u32 n = static_cast<u32>(m_mixSamples - k) / 2;
        u32 position = buffer->GetPosition();
        u32 frame = position / blockAlign; // a misaligned position counts from its frame
        u32 remaining = frame < totalFrames ? totalFrames - frame : 0;
        u64 consumed = (static_cast<u64>(n) * step) >> 8;
        if (consumed >= remaining) {
            // The end comes inside this period: mix the frames left, then loop or stop. Ending
            // exactly at the period's end counts too, so the position never passes the data; the
            // frames left are counted in the same steps that read them, so none is read twice
            // or beyond the end.
            n = static_cast<u32>((static_cast<u64>(remaining) * 256 + step - 1) / step);
            if (!buffer->AdvancePosition(position, 0))
                break; // moved by the main thread meanwhile
            buffer->MarkEnd();
            if (!loop)
                buffer->Stop();
        } else {
            // The next period starts at the first source frame this one does not use: the
            // n steps taken here, not n + 1, which would drop a frame at every period's end.
            if (!buffer->AdvancePosition(position,
                                         (frame + static_cast<u32>(consumed)) * blockAlign))
                break;
        }
        i32* acc = m_mixBuffer + k;
        if (format.m_bitsPerSample == 8) {
            if (format.m_channels == 1)
                MixFrames<8, 1>(acc, data, frame, n, step, leftGain, rightGain);
            else
                MixFrames<8, 2>(acc, data, frame, n, step, leftGain, rightGain);
        } else {
            if (format.m_channels == 1)
                MixFrames<16, 1>(acc, data, frame, n, step, leftGain, rightGain);
            else
                MixFrames<16, 2>(acc, data, frame, n, step, leftGain, rightGain);
        }
        k += static_cast<int>(2 * n);
    }
    buffer->UnlockForMix();
    return 1;
}

void CVortanSoundEngine::ConvertOutput(u8* out, u32 outBytes)
{
    i32 master = VolumeToGain(m_primary.GetVolume());
    i32 left = (master * 32767) >> 15;
    i32 right = left;
    i32 pan = m_primary.GetPan();
    if (pan < 0)
        right = (master * PanToGain(pan)) >> 15;
    else if (pan > 0)
        left = (master * PanToGain(pan)) >> 15;
    const i64 mono = (static_cast<i64>(left) + right) >> 1;
    const i32* acc = m_mixBuffer;
    const u32 frames = static_cast<u32>(m_mixSamples / 2);

    if (m_format.m_bitsPerSample == 16) {
        if (m_format.m_channels == 2) {
            u32 samples = outBytes / 2 < 2 * frames ? outBytes / 2 : 2 * frames;
            for (u32 i = 0; i + 1 < samples; i += 2) {
                i32 l = Clamp((static_cast<i64>(left) * acc[i]) >> 15, -32768, 32767);
                i32 r = Clamp((static_cast<i64>(right) * acc[i + 1]) >> 15, -32768, 32767);
                out[2 * i] = static_cast<u8>(l & 0xff);
                out[2 * i + 1] = static_cast<u8>((l >> 8) & 0xff);
                out[2 * i + 2] = static_cast<u8>(r & 0xff);
                out[2 * i + 3] = static_cast<u8>((r >> 8) & 0xff);
            }
        } else {
            u32 count = outBytes / 2 < frames ? outBytes / 2 : frames;
            for (u32 j = 0; j < count; ++j) {
                i64 sum = static_cast<i64>(acc[2 * j]) + acc[2 * j + 1];
                i32 v = Clamp((mono * sum) >> 16, -32768, 32767);
                out[2 * j] = static_cast<u8>(v & 0xff);
                out[2 * j + 1] = static_cast<u8>((v >> 8) & 0xff);
            }
        }
    } else {
        if (m_format.m_channels == 2) {
            u32 samples = outBytes < 2 * frames ? outBytes : 2 * frames;
            for (u32 i = 0; i < samples; ++i) {
                i64 gain = (i & 1) ? right : left;
                out[i] = static_cast<u8>(Clamp(((gain * acc[i]) >> 23) + 128, 0, 255));
            }
        } else {
            u32 count = outBytes < frames ? outBytes : frames;
            for (u32 j = 0; j < count; ++j) {
                i64 sum = static_cast<i64>(acc[2 * j]) + acc[2 * j + 1];
                out[j] = static_cast<u8>(Clamp(((mono * sum) >> 24) + 128, 0, 255));
            }
        }
    }
}

int CVortanSoundEngine::Mix()
{
    if (m_format.m_bitsPerSample == 0 || !m_mixBuffer)
        return VORTAN_E_RANGE;
    memset(m_mixBuffer, 0, static_cast<size_t>(m_mixBytes));

    int mixed = 0;
    if (!m_paused.load()) {
        CVortanCriticalSectionLock lock(m_lock);
        for (int i = 0; lock.IsLocked() && i < m_buffers.GetCount(); ++i) {
            CVortanSoundBuffer* buffer = static_cast<CVortanSoundBuffer*>(m_buffers.GetAt(i));
            if (!buffer || !buffer->IsPlaying())
                continue;
            // Only 8- and 16-bit mono or stereo data with at least one frame is mixed.
            if (!buffer->m_data || !buffer->m_format.IsMixable() ||
                buffer->m_size < buffer->m_format.m_blockAlign) {
                buffer->Stop();
                continue;
            }
            if (MixBuffer(buffer))
                mixed = 1;
        }
    }

    void* out = nullptr;
    u32 outBytes = 0;
    int rc = m_primary.Lock(0, m_primary.GetSize(), &out, &outBytes, 0);
    if (rc != VORTAN_OK)
        return rc;
    if (!out) {
        m_primary.Unlock();
        return 0;
    }
    if (!mixed || m_muted.load())
        memset(out, m_format.m_bitsPerSample == 8 ? 128 : 0, outBytes);
    else
        ConvertOutput(static_cast<u8*>(out), outBytes);

    if (m_pcm && m_periodFrames > 0) {
        snd_pcm_sframes_t written =
            snd_pcm_writei(m_pcm, out, static_cast<snd_pcm_uframes_t>(m_periodFrames));
        if (written < 0)
            snd_pcm_prepare(m_pcm); // the period is lost
    }
    m_primary.Unlock();
    return VORTAN_OK;
}
