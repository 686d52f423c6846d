#include <bzlib.h>

#include <algorithm>
#include <array>
#include <vector>

#include "net/bzip2_parallel.h"

namespace {

constexpr size_t kBlocksPerWorker = 2;
// Output of one block held in memory; a larger block (long runs) is decoded again in turn.
constexpr size_t kMaxHeld = 4 * 1024 * 1024;
// No real block is this long (900000 symbols of at most 20 bits); a stream without a marker
// for longer is left to the serial decoder.
constexpr uint64_t kMaxBlockBits = uint64_t{4} * 1024 * 1024 * 8;
constexpr size_t kReadChunk = 1024 * 1024;
constexpr size_t kOutChunk = 256 * 1024;

// The byte before the one a marker ends in, for each of the eight bit positions it may end
// at; bytes that are none of these need no closer look.
const std::array<bool, 256> kMarkerBytes = [] {
  std::array<bool, 256> table{};
  for (const uint64_t marker : {kBlockMarker, kEndMarker}) {
    for (int shift = 0; shift < 8; ++shift) table[(marker >> (8 - shift)) & 0xFF] = true;
  }
  return table;
}();

// Decodes a one-block stream, keeping the output while it is small.
bool DecodeOneBlock(const ByteString& wrapped, uint64_t& size, ByteString& out) {
  bz_stream strm{};
  if (BZ2_bzDecompressInit(&strm, 0, 0) != BZ_OK) return false;
  std::vector<char> buffer(kOutChunk);
  strm.next_in = const_cast<char*>(wrapped.data());
  strm.avail_in = static_cast<unsigned>(wrapped.size());
  int r = BZ_OK;
  while (r == BZ_OK) {
    const unsigned before = strm.avail_in;
    strm.next_out = buffer.data();
    strm.avail_out = static_cast<unsigned>(buffer.size());
    r = BZ2_bzDecompress(&strm);
    const size_t produced = buffer.size() - strm.avail_out;
    size += produced;
    if (size <= kMaxHeld) {
      out.append(buffer.data(), produced);
    } else {
      ByteString().swap(out);
    }
    if (produced == 0 && strm.avail_in == before) break;  // no progress: a cut block
  }
  BZ2_bzDecompressEnd(&strm);
  return r == BZ_STREAM_END;
}

}  // namespace

ParallelBzDecompressor::ParallelBzDecompressor(int workers)
    : pool_(std::make_unique<OrderedPool<Block>>(workers, workers * kBlocksPerWorker)) {}

ParallelBzDecompressor::~ParallelBzDecompressor() = default;

int ParallelBzDecompressor::Feed(const char* data, size_t size, const ByteSink& sink) {
  if (result_ != kNeedInput) return result_;
  window_.append(data, size);
  return result_ = Scan(sink);
}

int ParallelBzDecompressor::Scan(const ByteSink& sink) {
  const auto* p = reinterpret_cast<const uint8_t*>(window_.data());
  if (!started_) {
    if (window_.size() < (kHeaderBits + kMarkerBits) / 8) return kNeedInput;
    if (window_.compare(0, 3, "BZh") != 0 || window_[3] < '1' || window_[3] > '9') return kUnsure;
    level_ = window_[3];
    const uint64_t first = BitsAt(window_.data(), kHeaderBits, kMarkerBits);
    if (first == kEndMarker) {
      endMarker_ = kHeaderBits;
      ended_ = true;
    } else if (first != kBlockMarker) {
      return kUnsure;
    }
    blockStart_ = kHeaderBits;
    scanned_ = (kHeaderBits + kMarkerBits) / 8;
    started_ = true;
  }
  for (uint64_t i = scanned_; i < window_.size() && !ended_; ++i) {
    if (!kMarkerBytes[p[i - 1]]) continue;
    uint64_t word = 0;
    for (uint64_t k = i - 7; k <= i; ++k) word = word << 8 | p[k];
    // A marker ending in byte i, `shift` bits before its end, starts at 8i - 40 - shift.
    for (int shift = 7; shift >= 0; --shift) {
      const uint64_t marker = word >> shift & ((uint64_t{1} << kMarkerBits) - 1);
      const uint64_t at = 8 * i - 40 - shift;
      if ((marker != kBlockMarker && marker != kEndMarker) || at < blockStart_ + kMarkerBits + 32) {
        continue;
      }
      if (pool_->Full()) {
        if (const int r = TakeFront(sink); r != kNeedInput) return r;
      }
      Submit(at);
      blockStart_ = at;
      if (marker == kEndMarker) {
        endMarker_ = at;
        ended_ = true;
        break;
      }
    }
    scanned_ = i + 1;
  }
  if (ended_) {
    if (window_.size() * 8 < endMarker_ + kMarkerBits + 32) return kNeedInput;
    if (const int r = Drain(sink, true); r != kNeedInput) return r;
    const auto stored = static_cast<uint32_t>(BitsAt(window_.data(), endMarker_ + kMarkerBits, 32));
    return stored == crc_ ? kEnd : kUnsure;
  }
  if (window_.size() * 8 - blockStart_ > kMaxBlockBits) return kUnsure;
  // Keep the open block and the seven bytes before it, which the search looks back on.
  if (const uint64_t drop = blockStart_ / 8; drop > 8) {
    window_.erase(0, drop - 8);
    blockStart_ -= (drop - 8) * 8;
    scanned_ -= drop - 8;
  }
  return Drain(sink, false);
}

// Queues the block from blockStart_ to `end` (a bit of window_) for a worker.
void ParallelBzDecompressor::Submit(uint64_t end) {
  const uint64_t first = blockStart_ / 8;
  ByteString raw = window_.substr(first, (end + 7) / 8 - first);
  const uint64_t from = blockStart_ % 8;
  const uint64_t count = end - blockStart_;
  pool_->Submit([raw = std::move(raw), from, count, level = level_] {
    // The block alone as a whole stream: header, the block, end marker, its CRC.
    Block block;
    block.Crc = static_cast<uint32_t>(BitsAt(raw.data(), from + kMarkerBits, 32));
    BitWriter w;
    w.Put(0x425A68, 24);  // "BZh"
    w.Put(static_cast<uint8_t>(level), 8);
    w.Copy(raw.data(), from, count);
    w.Put(kEndMarker, kMarkerBits);
    w.Put(block.Crc, 32);
    w.PadToByte();
    block.Ok = DecodeOneBlock(w.Bytes(), block.Size, block.Out);
    if (block.Ok && block.Size > block.Out.size()) block.Wrapped = std::move(w.Bytes());
    return block;
  });
}

// Hands the oldest block's output on: kNeedInput when it went, or why not.
int ParallelBzDecompressor::TakeFront(const ByteSink& sink) {
  const Block block = pool_->TakeFront();
  if (!block.Ok) return kUnsure;
  crc_ = FoldBlockCrc(crc_, block.Crc);
  if (block.Wrapped.empty()) {
    emitted_ += block.Out.size();
    return block.Out.empty() || sink(block.Out.data(), block.Out.size()) ? kNeedInput : kStopped;
  }
  BzDecompressor again;
  const int r =
      again.Feed(block.Wrapped.data(), block.Wrapped.size(), [&](const char* p, size_t n) {
        emitted_ += n;
        return sink(p, n);
      });
  if (r == kStopped) return kStopped;
  return r == kEnd ? kNeedInput : kUnsure;
}

int ParallelBzDecompressor::Drain(const ByteSink& sink, bool all) {
  while (!pool_->Empty() && (all || pool_->FrontReady())) {
    if (const int r = TakeFront(sink); r != kNeedInput) return r;
  }
  return kNeedInput;
}

namespace {

// Feeds the stored stream to dec piece by piece: its last result, or nothing when keepGoing
// said stop.
template <typename Decoder>
std::optional<int> FeedStored(const StreamReader& read, uint64_t size, Decoder& dec,
                              const ByteSink& sink, const std::function<bool()>& keepGoing) {
  int result = BzDecompressor::kNeedInput;
  for (uint64_t at = 0; at < size;) {
    const auto chunk = read(at, static_cast<size_t>(std::min<uint64_t>(kReadChunk, size - at)));
    if (!chunk || chunk->empty()) break;
    at += chunk->size();
    result = dec.Feed(chunk->data(), chunk->size(), sink);
    if (result != BzDecompressor::kNeedInput) break;
    if (!keepGoing()) return std::nullopt;
  }
  return result;
}

}  // namespace

std::optional<int> DecodeStoredStream(const StreamReader& read, uint64_t size, int workers,
                                      const ByteSink& sink,
                                      const std::function<bool()>& keepGoing) {
  uint64_t skip = 0;
  if (workers > 1) {
    ParallelBzDecompressor dec(workers);
    std::optional<int> r = FeedStored(read, size, dec, sink, keepGoing);
    if (r && *r == ParallelBzDecompressor::kNeedInput) r = dec.Finish();
    if (!r || *r != ParallelBzDecompressor::kUnsure) return r;
    skip = dec.Emitted();
  }
  // The serial decoder, from the start, passing over what the parallel one already gave.
  BzDecompressor dec;
  const ByteSink rest = [&](const char* p, size_t n) {
    const auto passed = static_cast<size_t>(std::min<uint64_t>(skip, n));
    skip -= passed;
    return passed == n || sink(p + passed, n - passed);
  };
  return FeedStored(read, size, dec, rest, keepGoing);
}
