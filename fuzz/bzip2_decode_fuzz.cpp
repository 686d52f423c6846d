// The parallel bzip2 decoder over a fuzzed stream against the serial one: the same bytes and
// the same result, also when the output is cut at a limit.
#include "net/bzip2_parallel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;  // nothing is fed at all then
  const ByteString stream(reinterpret_cast<const char*>(data), size);
  constexpr size_t kLimit = 8 * 1024 * 1024;
  ByteString serial;
  ByteString parallel;
  const auto collect = [](ByteString& into) {
    return [&into](const char* p, size_t n) {
      into.append(p, std::min(n, kLimit - into.size()));
      return into.size() < kLimit;
    };
  };
  const int expected = BzDecompressor().Feed(stream.data(), stream.size(), collect(serial));
  const StreamReader read = [&](uint64_t at, size_t count) { return stream.substr(at, count); };
  const auto result =
      DecodeStoredStream(read, stream.size(), 2, collect(parallel), [] { return true; });
  if (!result || *result != expected || parallel != serial) __builtin_trap();
  return 0;
}
