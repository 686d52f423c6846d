#pragma once

#include <bzlib.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/byte_string.h"

// Receives a piece of output; returns false to stop the stream.
using ByteSink = std::function<bool(const char* data, size_t size)>;

// bzip2 compression fed piece by piece. With the same block size and work factor it yields
// exactly the bytes BZ2_bzBuffToBuffCompress makes of the whole input, however the input
// is split.
class BzCompressor {
 public:
  explicit BzCompressor(int blockSize = 7, int workFactor = 30);
  ~BzCompressor();
  BzCompressor(const BzCompressor&) = delete;
  BzCompressor& operator=(const BzCompressor&) = delete;

  // Both return 0 or the library's (negative) result; output goes to sink.
  int Feed(const char* data, size_t size, const ByteSink& sink);
  int Finish(const ByteSink& sink);

 private:
  int Run(int action, const ByteSink& sink);

  bz_stream strm_{};
  int init_;
  std::vector<char> out_;
};

// bzip2 decompression fed piece by piece; output is handed on as it is produced.
class BzDecompressor {
 public:
  // Result of Feed besides the library's negative codes.
  static constexpr int kNeedInput = 0;
  static constexpr int kEnd = BZ_STREAM_END;
  static constexpr int kStopped = 100;  // the sink declined more output

  BzDecompressor();
  ~BzDecompressor();
  BzDecompressor(const BzDecompressor&) = delete;
  BzDecompressor& operator=(const BzDecompressor&) = delete;

  // Decodes the input; kNeedInput when all of it is used and the stream goes on, kEnd at
  // the end of the first stream (bytes after it are ignored), kStopped, or a library error.
  int Feed(const char* data, size_t size, const ByteSink& sink);

 private:
  bz_stream strm_{};
  int init_;
  int done_ = 0;  // kEnd or an error once the stream cannot go on
  std::vector<char> out_;
};

// Decompresses a whole buffer into out, producing at most `limit` bytes and allocating only
// what the stream yields. Returns 0 at the stream's end, -8 when the stream holds more than
// limit bytes (out then holds the first limit), kBzDataError when the input ends before the
// stream does, or the library's error.
int DecompressBounded(const ByteString& in, size_t limit, ByteString& out);
