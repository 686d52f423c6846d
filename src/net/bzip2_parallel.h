#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "core/byte_string.h"
#include "net/bzip2_bits.h"
#include "net/bzip2_stream.h"
#include "net/ordered_pool.h"

// bzip2 compression at block size 7 on several threads, fed piece by piece like
// BzCompressor. The input is cut into pieces that fit one block whatever the run-length
// stage makes of them; each is compressed on a worker and the blocks are joined into ONE
// ordinary stream (one header, one end marker, the combined CRC), which any decoder reads
// whole. With one worker it is a plain BzCompressor.
class ParallelBzCompressor {
 public:
  explicit ParallelBzCompressor(int workers);
  ~ParallelBzCompressor();
  ParallelBzCompressor(const ParallelBzCompressor&) = delete;
  ParallelBzCompressor& operator=(const ParallelBzCompressor&) = delete;

  // Both return 0 or a (negative) bzip2 result; output goes to sink.
  int Feed(const char* data, size_t size, const ByteSink& sink);
  int Finish(const ByteSink& sink);

 private:
  struct Piece {
    int Result = 0;
    ByteString Stream;  // the piece as a stream of its own
  };
  void Submit();
  int TakeFront(const ByteSink& sink);
  int Flush(const ByteSink& sink);

  std::unique_ptr<BzCompressor> serial_;
  std::unique_ptr<OrderedPool<Piece>> pool_;
  ByteString piece_;  // input gathered for the next block
  BitWriter out_;
  uint32_t crc_ = 0;
  int error_ = 0;
};

// bzip2 decompression on several threads, fed piece by piece like BzDecompressor. Block
// starts are found by their marker; each block is decoded on a worker as a one-block stream
// and checked against its CRC, and the output goes to the sink in order. Whatever it cannot
// vouch for (a marker that was not one, a damaged or cut stream, an odd header) ends in
// kUnsure: the caller then decodes serially, passing over the Emitted() bytes already given.
class ParallelBzDecompressor {
 public:
  static constexpr int kNeedInput = BzDecompressor::kNeedInput;
  static constexpr int kEnd = BzDecompressor::kEnd;
  static constexpr int kStopped = BzDecompressor::kStopped;
  static constexpr int kUnsure = 101;

  explicit ParallelBzDecompressor(int workers);
  ~ParallelBzDecompressor();
  ParallelBzDecompressor(const ParallelBzDecompressor&) = delete;
  ParallelBzDecompressor& operator=(const ParallelBzDecompressor&) = delete;

  // kNeedInput, kEnd (the first stream ended whole; later bytes are ignored), kStopped (the
  // sink declined) or kUnsure.
  int Feed(const char* data, size_t size, const ByteSink& sink);
  // The input is over: kUnsure unless Feed already said otherwise.
  int Finish() { return result_ == kNeedInput ? kUnsure : result_; }
  uint64_t Emitted() const { return emitted_; }

 private:
  struct Block {
    bool Ok = false;
    uint32_t Crc = 0;
    uint64_t Size = 0;
    ByteString Out;      // the output, unless it is too large to hold
    ByteString Wrapped;  // the one-block stream, kept to decode again when Out is not held
  };
  int Scan(const ByteSink& sink);
  void Submit(uint64_t end);
  int TakeFront(const ByteSink& sink);
  int Drain(const ByteSink& sink, bool all);

  std::unique_ptr<OrderedPool<Block>> pool_;
  ByteString window_;        // input from the open block's byte on
  uint64_t scanned_ = 0;     // bytes of window_ already searched for markers
  uint64_t blockStart_ = 0;  // bit of window_ where the open block's marker is
  bool started_ = false;     // the header and the first marker were seen
  char level_ = 0;
  uint64_t endMarker_ = 0;  // bit of window_ of the end marker, once found
  bool ended_ = false;
  uint32_t crc_ = 0;
  uint64_t emitted_ = 0;
  int result_ = kNeedInput;
};

// Reads up to `count` bytes of a stored stream at `offset` (fewer at its end, or when that is
// what it has at once); nothing or an empty string when it cannot.
using StreamReader = std::function<std::optional<ByteString>(uint64_t offset, size_t count)>;

// Decodes the stored bzip2 stream of `size` bytes into sink on `workers` threads (one: the
// serial decoder alone). The sink gets exactly the bytes BzDecompressor would give it and the
// result is BzDecompressor's last Feed result (kNeedInput when the stream is cut short).
// keepGoing is asked between pieces; when it says no, decoding stops and nothing is returned.
std::optional<int> DecodeStoredStream(const StreamReader& read, uint64_t size, int workers,
                                      const ByteSink& sink, const std::function<bool()>& keepGoing);
