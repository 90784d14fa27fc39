// MD5 message digest (RFC 1321) and the short hex name of a text that the
// encoder derives from it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32/WinTypes.h"

struct Md5Context {
    uint32_t state[4];
    uint32_t count[2];  // message length in bits, low half first
    uint8_t buffer[64];
};

void Md5Init(Md5Context* ctx);
void Md5Transform(uint32_t state[4], const uint8_t block[64]);
void Md5Update(Md5Context* ctx, const void* bytes, size_t count);
// Writes the 16-byte digest and wipes the context.
void Md5Final(uint8_t digest[16], Md5Context* ctx);

// Digest of the text's UTF-16LE code units (2 bytes each, surrogate pairs for
// characters beyond the BMP), without the terminating NUL, as 32 lower-case
// hex digits and a NUL. out must hold 33 wide characters.
void Md5HexOfWideText(const wchar_t* text, wchar_t* out);
