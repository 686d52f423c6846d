#include <bzlib.h>

#include <algorithm>

#include "net/bzip2_parallel.h"

namespace {

constexpr int kLevel = 7;
// Each piece becomes one block. A block holds 100000 * level - 19 bytes after the run-length
// stage, which turns four equal bytes into five at worst, so any piece of up to four fifths of
// that fits. Pieces are much smaller than that: the decoder's inverse transform jumps through
// four bytes of table per block byte, and a block of 180,000 bytes keeps that table within a
// core's own cache. Blocks this size unpack about a sixth faster and sort a little faster,
// for about 0.3 % more compressed bytes.
constexpr size_t kPieceSize = 180000;
static_assert(kPieceSize <= (100000 * kLevel - 19) * 4 / 5);
constexpr size_t kPiecesPerWorker = 2;
// The end of a stream: end marker and combined CRC.
constexpr uint64_t kTrailerBits = kMarkerBits + 32;

}  // namespace

ParallelBzCompressor::ParallelBzCompressor(int workers) {
  if (workers <= 1) {
    serial_ = std::make_unique<BzCompressor>(kLevel, 30);
    return;
  }
  pool_ = std::make_unique<OrderedPool<Piece>>(workers, workers * kPiecesPerWorker);
  out_.Put(0x425A68, 24);  // "BZh"
  out_.Put('0' + kLevel, 8);
}

ParallelBzCompressor::~ParallelBzCompressor() = default;

int ParallelBzCompressor::Feed(const char* data, size_t size, const ByteSink& sink) {
  if (serial_) return serial_->Feed(data, size, sink);
  while (size > 0) {
    const size_t n = std::min(size, kPieceSize - piece_.size());
    piece_.append(data, n);
    data += n;
    size -= n;
    if (piece_.size() < kPieceSize) break;
    if (pool_->Full()) TakeFront(sink);
    Submit();
  }
  // Hand on what is done already, so output keeps pace with input.
  while (!pool_->Empty() && pool_->FrontReady()) TakeFront(sink);
  return error_;
}

int ParallelBzCompressor::Finish(const ByteSink& sink) {
  if (serial_) return serial_->Finish(sink);
  if (!piece_.empty()) {
    if (pool_->Full()) TakeFront(sink);
    Submit();
  }
  while (!pool_->Empty()) TakeFront(sink);
  out_.Put(kEndMarker, kMarkerBits);
  out_.Put(crc_, 32);
  out_.PadToByte();
  Flush(sink);
  return error_;
}

void ParallelBzCompressor::Submit() {
  pool_->Submit([input = std::move(piece_)] {
    Piece piece;
    auto capacity = static_cast<unsigned>(input.size() + input.size() / 100 + 600);
    piece.Stream.resize(capacity);
    piece.Result =
        BZ2_bzBuffToBuffCompress(piece.Stream.data(), &capacity, const_cast<char*>(input.data()),
                                 static_cast<unsigned>(input.size()), kLevel, 0, 30);
    piece.Stream.resize(capacity);
    return piece;
  });
  piece_.clear();
}

// Appends the oldest piece's block to the output.
int ParallelBzCompressor::TakeFront(const ByteSink& sink) {
  const Piece piece = pool_->TakeFront();
  if (error_ != 0) return error_;
  if (piece.Result != BZ_OK) return error_ = piece.Result;
  // The block runs from behind the header to the end marker, which stands before the CRC
  // (equal to the block's own for a one-block stream) and 0 to 7 padding bits.
  const ByteString& s = piece.Stream;
  const uint64_t bits = s.size() * 8;
  if (bits < kHeaderBits + kMarkerBits + 32 + kTrailerBits ||
      BitsAt(s.data(), kHeaderBits, kMarkerBits) != kBlockMarker) {
    return error_ = BZ_DATA_ERROR;
  }
  const auto blockCrc = static_cast<uint32_t>(BitsAt(s.data(), kHeaderBits + kMarkerBits, 32));
  for (uint64_t pad = 0; pad < 8; ++pad) {
    const uint64_t end = bits - pad - kTrailerBits;
    if (BitsAt(s.data(), end, kMarkerBits) == kEndMarker &&
        BitsAt(s.data(), end + kMarkerBits, 32) == blockCrc &&
        (pad == 0 || BitsAt(s.data(), bits - pad, static_cast<int>(pad)) == 0)) {
      out_.Copy(s.data(), kHeaderBits, end - kHeaderBits);
      crc_ = FoldBlockCrc(crc_, blockCrc);
      return Flush(sink);
    }
  }
  return error_ = BZ_DATA_ERROR;
}

int ParallelBzCompressor::Flush(const ByteSink& sink) {
  ByteString& bytes = out_.Bytes();
  if (!bytes.empty() && error_ == 0 && !sink(bytes.data(), bytes.size())) error_ = BZ_IO_ERROR;
  bytes.clear();
  return error_;
}
