#include "net/bzip2_stream.h"

#include <algorithm>

#include "net/comp.h"

namespace {
constexpr size_t kOutChunk = 256 * 1024;
}  // namespace

BzCompressor::BzCompressor(int blockSize, int workFactor) : out_(kOutChunk) {
  init_ = BZ2_bzCompressInit(&strm_, blockSize, 0, workFactor);
}

BzCompressor::~BzCompressor() {
  if (init_ == BZ_OK) BZ2_bzCompressEnd(&strm_);
}

int BzCompressor::Run(int action, const ByteSink& sink) {
  if (init_ != BZ_OK) return init_;
  while (true) {
    strm_.next_out = out_.data();
    strm_.avail_out = static_cast<unsigned int>(out_.size());
    const int r = BZ2_bzCompress(&strm_, action);
    const size_t produced = out_.size() - strm_.avail_out;
    if (produced > 0 && !sink(out_.data(), produced)) return BZ_IO_ERROR;
    if (r < 0) return r;
    if (action == BZ_RUN && strm_.avail_in == 0) return BZ_OK;
    if (action == BZ_FINISH && r == BZ_STREAM_END) return BZ_OK;
  }
}

int BzCompressor::Feed(const char* data, size_t size, const ByteSink& sink) {
  // avail_in is 32-bit: feed huge inputs in slices.
  while (size > 0) {
    const size_t slice = std::min<size_t>(size, 1u << 30);
    strm_.next_in = const_cast<char*>(data);
    strm_.avail_in = static_cast<unsigned int>(slice);
    if (const int r = Run(BZ_RUN, sink); r != BZ_OK) return r;
    data += slice;
    size -= slice;
  }
  return BZ_OK;
}

int BzCompressor::Finish(const ByteSink& sink) {
  strm_.next_in = nullptr;
  strm_.avail_in = 0;
  return Run(BZ_FINISH, sink);
}

BzDecompressor::BzDecompressor() : out_(kOutChunk) { init_ = BZ2_bzDecompressInit(&strm_, 0, 0); }

BzDecompressor::~BzDecompressor() {
  if (init_ == BZ_OK) BZ2_bzDecompressEnd(&strm_);
}

int BzDecompressor::Feed(const char* data, size_t size, const ByteSink& sink) {
  if (init_ != BZ_OK) return init_;
  if (done_ != 0) return done_;
  while (true) {
    const size_t slice = std::min<size_t>(size, 1u << 30);
    strm_.next_in = const_cast<char*>(data);
    strm_.avail_in = static_cast<unsigned int>(slice);
    strm_.next_out = out_.data();
    strm_.avail_out = static_cast<unsigned int>(out_.size());
    const int r = BZ2_bzDecompress(&strm_);
    const size_t used = slice - strm_.avail_in;
    data += used;
    size -= used;
    const size_t produced = out_.size() - strm_.avail_out;
    if (produced > 0 && !sink(out_.data(), produced)) return kStopped;
    if (r == BZ_STREAM_END || r < 0) return done_ = r;
    // All input used: done unless a full output buffer may hide more output. A call that
    // then makes nothing (the feed ended just as the buffer filled, or was empty) is done
    // too; the stream may well go on.
    if (size == 0 && (strm_.avail_out > 0 || produced == 0)) return kNeedInput;
    if (used == 0 && produced == 0) return done_ = BZ_DATA_ERROR;  // no progress: never spin
  }
}

int DecompressBounded(const ByteString& in, size_t limit, ByteString& out) {
  out.clear();
  bool over = false;
  BzDecompressor dec;
  const int r = dec.Feed(in.data(), in.size(), [&](const char* p, size_t n) {
    const size_t room = limit - out.size();
    out.append(p, std::min(n, room));
    over = n > room;
    return !over;
  });
  if (r == BzDecompressor::kStopped) return kBzOutbuffFull;
  if (r == BzDecompressor::kEnd) return kBzOk;
  if (r == BzDecompressor::kNeedInput) return kBzDataError;
  return r;
}
