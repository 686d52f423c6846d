// The bzip2 decoders over a fuzzed stream: the serial one fed in pieces and the parallel one
// against the serial one fed at once, the same bytes and the same result, also when the output
// is cut at a limit. Each piece is as long as the square of the input byte it starts at (0 to
// 65,025 bytes); a zero byte makes an empty feed and then a piece of that byte alone.
#include <algorithm>

#include "net/bzip2_parallel.h"

namespace {

size_t PieceAt(const ByteString& stream, uint64_t at) {
  const size_t b = static_cast<uint8_t>(stream[at]);
  return std::min<size_t>(b * b, stream.size() - at);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;  // nothing is fed at all then
  const ByteString stream(reinterpret_cast<const char*>(data), size);
  constexpr size_t kLimit = 8 * 1024 * 1024;
  ByteString serial;
  ByteString pieces;
  ByteString parallel;
  const auto collect = [](ByteString& into) {
    return [&into](const char* p, size_t n) {
      into.append(p, std::min(n, kLimit - into.size()));
      return into.size() < kLimit;
    };
  };
  const int expected = BzDecompressor().Feed(stream.data(), stream.size(), collect(serial));

  BzDecompressor dec;
  int result = BzDecompressor::kNeedInput;
  for (size_t at = 0; at < size && result == BzDecompressor::kNeedInput;) {
    size_t n = PieceAt(stream, at);
    if (n == 0) {
      result = dec.Feed(stream.data() + at, 0, collect(pieces));
      if (result != BzDecompressor::kNeedInput) __builtin_trap();  // an empty feed only waits
      n = 1;
    }
    result = dec.Feed(stream.data() + at, n, collect(pieces));
    at += n;
  }
  if (result != expected || pieces != serial) __builtin_trap();

  const StreamReader read = [&](uint64_t at, size_t count) {
    return stream.substr(at, std::clamp<size_t>(PieceAt(stream, at), 1, count));
  };
  const auto decoded =
      DecodeStoredStream(read, stream.size(), 2, collect(parallel), [] { return true; });
  if (!decoded || *decoded != expected || parallel != serial) __builtin_trap();
  return 0;
}
