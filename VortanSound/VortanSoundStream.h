// CVortanSoundStream: a window [start, start + length) of a CVortanFile that the sound
// loaders read through. Reads and seeks never leave the window, so a sound inside a data
// pack cannot read into its neighbours, and sizes claimed by the file are checked against
// what is really there.
#pragma once
#include "engine/VortanFile.h"
#include "engine/VortanTypes.h"

class CVortanSoundStream {
public:
    // The window starts at the file's current position and holds at most `length` bytes
    // (what is left of the file when the length is negative or too large).
    CVortanSoundStream(CVortanFile* file, i64 length)
        : m_file(file), m_start(0), m_length(0), m_position(0)
    {
        if (!file)
            return;
        m_start = file->GetPosition();
        if (m_start < 0)
            m_start = 0;
        i64 left = static_cast<i64>(file->GetSize()) - m_start;
        if (left < 0)
            left = 0;
        m_length = (length < 0 || length > left) ? left : length;
    }

    // Bytes read (short near the end of the window).
    int Read(void* buffer, i64 n)
    {
        if (!m_file || !buffer || n <= 0 || m_position >= m_length)
            return 0;
        if (n > m_length - m_position)
            n = m_length - m_position;
        m_file->Seek(static_cast<int>(m_start + m_position), VORTAN_SEEK_SET);
        int got = m_file->Read(buffer, static_cast<int>(n));
        if (got > 0)
            m_position += got;
        return got > 0 ? got : 0;
    }
    // Positions relative to the window's start, clamped to 0..length.
    void Seek(i64 position)
    {
        m_position = position < 0 ? 0 : (position > m_length ? m_length : position);
    }
    void Skip(i64 bytes) { Seek(m_position + bytes); }
    i64 Tell() const { return m_position; }
    i64 Length() const { return m_length; }
    i64 Remaining() const { return m_length - m_position; }

    // Little-endian words; false when the window ends first.
    bool ReadU32(u32* value)
    {
        u8 b[4];
        if (Read(b, 4) != 4)
            return false;
        *value = VortanReadLE32(b);
        return true;
    }

private:
    CVortanFile* m_file;
    i64 m_start;
    i64 m_length;
    i64 m_position;
};
