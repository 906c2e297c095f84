// IVortanSoundCodec: a block decoder from an encoded source format to 16-bit PCM, and
// CVortanSoundCodecImaAdpcm, the IMA ADPCM decoder of RIFF/WAVE files (format tag 17).
#pragma once
#include "VortanSound/VortanSoundFormat.h"
#include "engine/VortanTypes.h"

class IVortanSoundCodec {
public:
    IVortanSoundCodec();
    virtual ~IVortanSoundCodec();

    virtual int GetTypeId() = 0;
    // Encoded bytes for a number of decoded bytes.
    virtual u32 EncodedSize(u32 decodedBytes) = 0;
    // Decodes every whole block of the source into the destination, which holds
    // destinationBytes (at least DecodedSize(sourceBytes) for the whole output).
    // VORTAN_OK; VORTAN_E_ARGUMENT for null pointers; VORTAN_E_RANGE without the formats;
    // VORTAN_E_FAIL for a block layout it cannot decode.
    virtual int Decode(const u8* source, u32 sourceBytes, void* destination,
                       u32 destinationBytes) = 0;
    // Decoded bytes for a number of encoded bytes.
    virtual u32 DecodedSize(u32 encodedBytes) = 0;

    // Replaces both format copies: VORTAN_OK; VORTAN_E_ARGUMENT when either is null;
    // VORTAN_E_NOMEMORY out of memory.
    int SetFormats(const CVortanSoundFormat* destination, const CVortanSoundFormat* source);
    const CVortanSoundFormat* GetSourceFormat() const { return m_source; }
    const CVortanSoundFormat* GetDestinationFormat() const { return m_destination; }

protected:
    CVortanSoundFormat* m_source;      // owned copy
    CVortanSoundFormat* m_destination; // owned copy

private:
    IVortanSoundCodec(const IVortanSoundCodec&) = delete;
    IVortanSoundCodec& operator=(const IVortanSoundCodec&) = delete;
};

// IMA ADPCM, 4 bits per sample, 1 or 2 channels. A block starts with one 32-bit header per
// channel (predictor in the low 16 bits, step index in bits 16..23; the predictor is the
// channel's first sample), then the channels' 32-bit data words in turn, eight nibbles per
// word, low nibble first. Output samples are interleaved by channel.
class CVortanSoundCodecImaAdpcm : public IVortanSoundCodec {
public:
    CVortanSoundCodecImaAdpcm() {}
    virtual ~CVortanSoundCodecImaAdpcm() {}

    int GetTypeId() override { return 6; }
    u32 EncodedSize(u32 decodedBytes) override { return decodedBytes / 4; }
    // (bytes / block align) x (4 x block align - 14), plus 2 for stereo.
    u32 DecodedSize(u32 encodedBytes) override;
    int Decode(const u8* source, u32 sourceBytes, void* destination, u32 destinationBytes) override;

    // Samples per channel in one block of the given size (0 when the block cannot hold the
    // channel headers).
    static u32 SamplesPerBlock(u32 blockAlign, u32 channels);
};
