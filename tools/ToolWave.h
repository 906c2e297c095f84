// RIFF WAVE writing shared by the sound tools: PCM, 16 bits, stereo, 44100 Hz, the sound
// engine's own format.
#pragma once
#include <math.h>

#include <string>
#include <vector>

#include "tools/ToolFiles.h"

namespace toolwave {

const int kRate = 44100;

inline void Put16(std::string* out, unsigned v)
{
    out->push_back((char)(v & 0xFF));
    out->push_back((char)((v >> 8) & 0xFF));
}

inline void Put32(std::string* out, unsigned v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

inline bool WriteWave(const std::string& path, const std::vector<float>& left,
                      const std::vector<float>& right)
{
    unsigned frames = (unsigned)left.size();
    unsigned dataBytes = frames * 4;
    std::string out = "RIFF";
    Put32(&out, 36 + dataBytes);
    out += "WAVEfmt ";
    Put32(&out, 16);
    Put16(&out, 1); // PCM
    Put16(&out, 2); // channels
    Put32(&out, kRate);
    Put32(&out, kRate * 4); // bytes per second
    Put16(&out, 4);         // block align
    Put16(&out, 16);        // bits per sample
    out += "data";
    Put32(&out, dataBytes);
    for (unsigned i = 0; i < frames; ++i) {
        for (float v : {left[i], right[i]}) {
            long s = lrintf(v * 32767.0f);
            if (s > 32767)
                s = 32767;
            if (s < -32768)
                s = -32768;
            Put16(&out, (unsigned)(s & 0xFFFF));
        }
    }
    return toolfiles::WriteFileAtomically(path, out.data(), out.size());
}

} // namespace toolwave
