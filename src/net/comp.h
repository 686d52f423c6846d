#pragma once

#include <cstdint>

#include "core/byte_string.h"

class Ui;

// bzip2 result codes the program looks at.
inline constexpr int kBzOk = 0;
inline constexpr int kBzMemError = -3;
inline constexpr int kBzDataError = -4;
inline constexpr int kBzDataErrorMagic = -5;
inline constexpr int kBzOutbuffFull = -8;

// Compresses data in place with block size `level` (clamped: above 9 is 9, below 0 is 1).
// On failure data holds the unusable scratch bytes of the full capacity. Returns the
// library's result code.
int CompressBytes(ByteString& data, int32_t level);

// Decompresses data in place into at most `size` bytes; size becomes the length produced.
// When the stream holds more than size bytes the result is -8 and data holds exactly the
// first size bytes.
int DecompressBytes(ByteString& data, int32_t& size);

// Compresses s at level 7 and reports a failure through ShowCompressionError; s is replaced
// by the result either way.
void CompressString(ByteString& s, Ui& ui);

// Shows a message for -4 and -5 only.
void ShowCompressionError(int result, Ui& ui);
