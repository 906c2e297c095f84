// MD5 digests (RFC 1321) and their lowercase hex text.
#pragma once
#include "engine/VortanTypes.h"

class CVortanFile;
class CVortanString;

struct MD5Context {
    u32 state[4];  // A, B, C, D
    u64 bitCount;  // bits processed so far
    u8 buffer[64]; // the partial block
    u8 digest[16]; // set by MD5Final
};

void MD5Init(MD5Context* context);
void MD5Update(MD5Context* context, const void* bytes, unsigned int n);
// Pads, appends the bit count and leaves the 16-byte digest in context->digest.
void MD5Final(MD5Context* context);
// MD5 of one buffer; the digest is in context->digest.
void MD5Buffer(MD5Context* context, const void* bytes, unsigned int n);
// MD5 of the whole file, whatever its position was; the file is left at its end.
// Returns VORTAN_OK, or VORTAN_E_ARGUMENT without a file.
int MD5File(MD5Context* context, CVortanFile* file);
// The 32 lowercase hex digits of the 16 digest bytes.
void DigestToHex(const u8* digest, CVortanString& out);
// Replaces the text by the hex MD5 of its 8-bit form (the low byte of every unit).
void MD5String(CVortanString& text);
