// MD5 as RFC 1321 specifies it.
#include "engine/VortanMD5.h"

#include <string.h>

#include "engine/VortanFile.h"
#include "engine/VortanString.h"

namespace {

inline u32 Rotl(u32 x, int s)
{
    return (x << s) | (x >> (32 - s));
}

#define MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define MD5_G(x, y, z) ((y) ^ ((z) & ((x) ^ (y))))
#define MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))
#define MD5_STEP(f, a, b, c, d, x, t, s)                                                           \
    (a) += f((b), (c), (d)) + (x) + (u32)(t);                                                      \
    (a) = Rotl((a), (s)) + (b);

// Transforms the state by `blocks` consecutive 64-byte blocks.
void Transform(u32 state[4], const u8* p, size_t blocks)
{
    u32 a = state[0], b = state[1], c = state[2], d = state[3];
    while (blocks-- > 0) {
        u32 x[16];
        for (int i = 0; i < 16; ++i)
            x[i] = VortanReadLE32(p + 4 * i);
        const u32 sa = a, sb = b, sc = c, sd = d;

        MD5_STEP(MD5_F, a, b, c, d, x[0], 0xd76aa478, 7)
        MD5_STEP(MD5_F, d, a, b, c, x[1], 0xe8c7b756, 12)
        MD5_STEP(MD5_F, c, d, a, b, x[2], 0x242070db, 17)
        MD5_STEP(MD5_F, b, c, d, a, x[3], 0xc1bdceee, 22)
        MD5_STEP(MD5_F, a, b, c, d, x[4], 0xf57c0faf, 7)
        MD5_STEP(MD5_F, d, a, b, c, x[5], 0x4787c62a, 12)
        MD5_STEP(MD5_F, c, d, a, b, x[6], 0xa8304613, 17)
        MD5_STEP(MD5_F, b, c, d, a, x[7], 0xfd469501, 22)
        MD5_STEP(MD5_F, a, b, c, d, x[8], 0x698098d8, 7)
        MD5_STEP(MD5_F, d, a, b, c, x[9], 0x8b44f7af, 12)
        MD5_STEP(MD5_F, c, d, a, b, x[10], 0xffff5bb1, 17)
        MD5_STEP(MD5_F, b, c, d, a, x[11], 0x895cd7be, 22)
        MD5_STEP(MD5_F, a, b, c, d, x[12], 0x6b901122, 7)
        MD5_STEP(MD5_F, d, a, b, c, x[13], 0xfd987193, 12)
        MD5_STEP(MD5_F, c, d, a, b, x[14], 0xa679438e, 17)
        MD5_STEP(MD5_F, b, c, d, a, x[15], 0x49b40821, 22)

        MD5_STEP(MD5_G, a, b, c, d, x[1], 0xf61e2562, 5)
        MD5_STEP(MD5_G, d, a, b, c, x[6], 0xc040b340, 9)
        MD5_STEP(MD5_G, c, d, a, b, x[11], 0x265e5a51, 14)
        MD5_STEP(MD5_G, b, c, d, a, x[0], 0xe9b6c7aa, 20)
        MD5_STEP(MD5_G, a, b, c, d, x[5], 0xd62f105d, 5)
        MD5_STEP(MD5_G, d, a, b, c, x[10], 0x02441453, 9)
        MD5_STEP(MD5_G, c, d, a, b, x[15], 0xd8a1e681, 14)
        MD5_STEP(MD5_G, b, c, d, a, x[4], 0xe7d3fbc8, 20)
        MD5_STEP(MD5_G, a, b, c, d, x[9], 0x21e1cde6, 5)
        MD5_STEP(MD5_G, d, a, b, c, x[14], 0xc33707d6, 9)
        MD5_STEP(MD5_G, c, d, a, b, x[3], 0xf4d50d87, 14)
        MD5_STEP(MD5_G, b, c, d, a, x[8], 0x455a14ed, 20)
        MD5_STEP(MD5_G, a, b, c, d, x[13], 0xa9e3e905, 5)
        MD5_STEP(MD5_G, d, a, b, c, x[2], 0xfcefa3f8, 9)
        MD5_STEP(MD5_G, c, d, a, b, x[7], 0x676f02d9, 14)
        MD5_STEP(MD5_G, b, c, d, a, x[12], 0x8d2a4c8a, 20)

        MD5_STEP(MD5_H, a, b, c, d, x[5], 0xfffa3942, 4)
        MD5_STEP(MD5_H, d, a, b, c, x[8], 0x8771f681, 11)
        MD5_STEP(MD5_H, c, d, a, b, x[11], 0x6d9d6122, 16)
        MD5_STEP(MD5_H, b, c, d, a, x[14], 0xfde5380c, 23)
        MD5_STEP(MD5_H, a, b, c, d, x[1], 0xa4beea44, 4)
        MD5_STEP(MD5_H, d, a, b, c, x[4], 0x4bdecfa9, 11)
        MD5_STEP(MD5_H, c, d, a, b, x[7], 0xf6bb4b60, 16)
        MD5_STEP(MD5_H, b, c, d, a, x[10], 0xbebfbc70, 23)
        MD5_STEP(MD5_H, a, b, c, d, x[13], 0x289b7ec6, 4)
        MD5_STEP(MD5_H, d, a, b, c, x[0], 0xeaa127fa, 11)
        MD5_STEP(MD5_H, c, d, a, b, x[3], 0xd4ef3085, 16)
        MD5_STEP(MD5_H, b, c, d, a, x[6], 0x04881d05, 23)
        MD5_STEP(MD5_H, a, b, c, d, x[9], 0xd9d4d039, 4)
        MD5_STEP(MD5_H, d, a, b, c, x[12], 0xe6db99e5, 11)
        MD5_STEP(MD5_H, c, d, a, b, x[15], 0x1fa27cf8, 16)
        MD5_STEP(MD5_H, b, c, d, a, x[2], 0xc4ac5665, 23)

        MD5_STEP(MD5_I, a, b, c, d, x[0], 0xf4292244, 6)
        MD5_STEP(MD5_I, d, a, b, c, x[7], 0x432aff97, 10)
        MD5_STEP(MD5_I, c, d, a, b, x[14], 0xab9423a7, 15)
        MD5_STEP(MD5_I, b, c, d, a, x[5], 0xfc93a039, 21)
        MD5_STEP(MD5_I, a, b, c, d, x[12], 0x655b59c3, 6)
        MD5_STEP(MD5_I, d, a, b, c, x[3], 0x8f0ccc92, 10)
        MD5_STEP(MD5_I, c, d, a, b, x[10], 0xffeff47d, 15)
        MD5_STEP(MD5_I, b, c, d, a, x[1], 0x85845dd1, 21)
        MD5_STEP(MD5_I, a, b, c, d, x[8], 0x6fa87e4f, 6)
        MD5_STEP(MD5_I, d, a, b, c, x[15], 0xfe2ce6e0, 10)
        MD5_STEP(MD5_I, c, d, a, b, x[6], 0xa3014314, 15)
        MD5_STEP(MD5_I, b, c, d, a, x[13], 0x4e0811a1, 21)
        MD5_STEP(MD5_I, a, b, c, d, x[4], 0xf7537e82, 6)
        MD5_STEP(MD5_I, d, a, b, c, x[11], 0xbd3af235, 10)
        MD5_STEP(MD5_I, c, d, a, b, x[2], 0x2ad7d2bb, 15)
        MD5_STEP(MD5_I, b, c, d, a, x[9], 0xeb86d391, 21)

        a += sa;
        b += sb;
        c += sc;
        d += sd;
        p += 64;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
}

} // namespace

void MD5Init(MD5Context* context)
{
    if (!context)
        return;
    context->state[0] = 0x67452301u;
    context->state[1] = 0xefcdab89u;
    context->state[2] = 0x98badcfeu;
    context->state[3] = 0x10325476u;
    context->bitCount = 0;
    memset(context->buffer, 0, sizeof(context->buffer));
    memset(context->digest, 0, sizeof(context->digest));
}

void MD5Update(MD5Context* context, const void* bytes, unsigned int n)
{
    if (!context || !bytes || n == 0)
        return;
    const u8* p = static_cast<const u8*>(bytes);
    unsigned int used = (unsigned int)((context->bitCount >> 3) & 63);
    context->bitCount += (u64)n << 3;
    if (used > 0) {
        unsigned int room = 64 - used;
        if (n < room) {
            memcpy(context->buffer + used, p, n);
            return;
        }
        memcpy(context->buffer + used, p, room);
        Transform(context->state, context->buffer, 1);
        p += room;
        n -= room;
    }
    if (n >= 64) {
        Transform(context->state, p, n / 64);
        p += (size_t)(n / 64) * 64;
        n &= 63;
    }
    if (n > 0)
        memcpy(context->buffer, p, n);
}

void MD5Final(MD5Context* context)
{
    if (!context)
        return;
    u8 length[8];
    u64 bits = context->bitCount;
    for (int i = 0; i < 8; ++i)
        length[i] = (u8)(bits >> (8 * i));
    static const u8 padding[64] = {0x80};
    unsigned int used = (unsigned int)((bits >> 3) & 63);
    unsigned int padLength = used < 56 ? 56 - used : 120 - used;
    MD5Update(context, padding, padLength);
    MD5Update(context, length, 8);
    for (int i = 0; i < 4; ++i)
        VortanWriteLE32(context->digest + 4 * i, context->state[i]);
    // The message leaves no trace in the context.
    memset(context->buffer, 0, sizeof(context->buffer));
}

void MD5Buffer(MD5Context* context, const void* bytes, unsigned int n)
{
    MD5Init(context);
    MD5Update(context, bytes, n);
    MD5Final(context);
}

int MD5File(MD5Context* context, CVortanFile* file)
{
    if (!context || !file)
        return VORTAN_E_ARGUMENT;
    MD5Init(context);
    file->Seek(0, 0);
    // Large pieces keep the per-read cost of the file layer small.
    u8 piece[16384];
    for (;;) {
        int got = file->Read(piece, (int)sizeof(piece));
        if (got <= 0)
            break;
        MD5Update(context, piece, (unsigned int)got);
    }
    MD5Final(context);
    return VORTAN_OK;
}

void DigestToHex(const u8* digest, CVortanString& out)
{
    static const char hex[] = "0123456789abcdef";
    char text[33];
    for (int i = 0; i < 16; ++i) {
        text[2 * i] = hex[digest[i] >> 4];
        text[2 * i + 1] = hex[digest[i] & 15];
    }
    text[32] = 0;
    out = text;
}

void MD5String(CVortanString& text)
{
    MD5Context context;
    MD5Init(&context);
    // The 8-bit form: the low byte of every unit.
    const unsigned short* units = text.GetBuffer();
    int length = text.GetLength();
    u8 chunk[256];
    int filled = 0;
    for (int i = 0; i < length; ++i) {
        chunk[filled++] = (u8)units[i];
        if (filled == (int)sizeof(chunk)) {
            MD5Update(&context, chunk, (unsigned int)filled);
            filled = 0;
        }
    }
    MD5Update(&context, chunk, (unsigned int)filled);
    MD5Final(&context);
    DigestToHex(context.digest, text);
}

// This file's macros end here (the build may compile it together with others).
#undef MD5_F
#undef MD5_G
#undef MD5_H
#undef MD5_I
#undef MD5_STEP
