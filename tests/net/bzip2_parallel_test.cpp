#include "net/bzip2_parallel.h"

#include <bzlib.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <random>
#include <tuple>

#include "protocol_fixture.h"

namespace {

ByteString ParallelCompressed(const ByteString& data) {
  ByteString out;
  const ByteSink sink = [&](const char* p, size_t n) {
    out.append(p, n);
    return true;
  };
  ParallelBzCompressor comp(3);
  for (size_t at = 0; at < data.size(); at += 300007) {
    EXPECT_EQ(comp.Feed(data.data() + at, std::min<size_t>(300007, data.size() - at), sink), 0);
  }
  EXPECT_EQ(comp.Finish(sink), 0);
  return out;
}

// bzip2, lbzip2 and pbzip2 are Linux programs; the Windows build checks its own decoders alone.
#ifdef _WIN32
constexpr bool kBzipPrograms = false;
#else
constexpr bool kBzipPrograms = true;
#endif

// The output of a shell command reading `input` on its standard input.
ByteString Filtered(const ByteString& input, const std::string& command) {
  TempDir dir;
  dir.Write("in", input);
  const std::string in = (dir.Path() / "in").string();
  const std::string out = (dir.Path() / "out").string();
  EXPECT_EQ(std::system((command + " < '" + in + "' > '" + out + "'").c_str()), 0) << command;
  return dir.Read("out");
}

struct Decoded {
  ByteString Bytes;
  std::optional<int> Result;
  bool operator==(const Decoded&) const = default;
};

// Decodes at most `limit` bytes, the serial decoder alone (workers 0) or through
// DecodeStoredStream.
Decoded Decode(const ByteString& stream, int workers, size_t limit = SIZE_MAX) {
  Decoded d;
  const ByteSink sink = [&](const char* p, size_t n) {
    d.Bytes.append(p, std::min(n, limit - d.Bytes.size()));
    return d.Bytes.size() < limit;
  };
  if (workers == 0) {
    d.Result = BzDecompressor().Feed(stream.data(), stream.size(), sink);
  } else {
    const StreamReader read = [&](uint64_t at, size_t count) { return stream.substr(at, count); };
    d.Result = DecodeStoredStream(read, stream.size(), workers, sink, [] { return true; });
  }
  return d;
}

// Runs of exactly four equal bytes, which the first stage of bzip2 makes a quarter longer.
ByteString RunsOfFour(size_t size) {
  ByteString s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>('a' + i / 4 % 2);
  return s;
}

// 1,400 runs of 4 to 255 equal bytes, 93,451 bytes in all, then random bytes: the first block
// of a level-7 stream (699,981 symbols: five per run, one per random byte) unpacks to 768 KiB
// exactly, so a decoder fed 1 MiB pieces has used up its first piece just as its output fills.
ByteString RunsThenNoise() {
  ByteString data;
  for (int i = 0; i < 1400; ++i) {
    data.append(i < 1399 ? 4 + i * 121 % 126 : 93'451 - data.size(), "ab"[i % 2]);
  }
  std::mt19937 random(19);
  while (data.size() < 1'694'851) data += static_cast<char>(random());
  return data;
}

TEST(ParallelBzCompressor, MakesOneStreamThatEveryDecoderReadsWhole) {
  constexpr size_t kBlock = 700000 - 19;  // bytes one block holds at level 7
  for (const ByteString& data :
       {ByteString(), ByteString(1, 'x'), Pattern(kBlock, 1), Pattern(kBlock + 1, 2),
        RunsOfFour(kBlock * 4 / 5), RunsOfFour(kBlock * 4 / 5 + 1), RunsOfFour(1'200'000),
        ByteString(1'000'000, 'z') + Pattern(800'000, 3) + ByteString(4, 'q')}) {
    SCOPED_TRACE(data.size());
    const ByteString packed = ParallelCompressed(data);
    EXPECT_EQ(Decode(packed, 0), (Decoded{data, BZ_STREAM_END}));
    EXPECT_EQ(Decode(packed, 2), (Decoded{data, BZ_STREAM_END}));
    if (kBzipPrograms) {
      EXPECT_EQ(Filtered(packed, "bzip2 -d"), data);
    }
  }
}

TEST(DecodeStoredStream, GivesTheSerialDecodersBytesAndResultForAnyStream) {
  // Ordinary data, and a run whose blocks unpack to more than a worker holds.
  const ByteString data = Pattern(500'000, 4) + ByteString(5'000'000, '\0') + Pattern(900, 5);
  const ByteString noise = RunsThenNoise();
  std::vector<std::tuple<std::string, ByteString, ByteString>> streams{
      {"joined", data, ParallelCompressed(data)},
      {"a block ending with a 1 MiB piece", noise, Compressed(noise)}};
  if (kBzipPrograms) {
    streams.insert(streams.end(),
                   {{"bzip2 -9", data, Filtered(data, "bzip2 -9")},
                    {"lbzip2", data, Filtered(data, "lbzip2 -n 2")},
                    {"pbzip2, one stream per block", data, Filtered(data, "pbzip2 -p2 -c")}});
  }
  for (const auto& [name, plain, packed] : streams) {
    SCOPED_TRACE(name);
    ByteString damaged = packed;
    damaged[packed.size() / 3] ^= 0x08;
    ByteString badCrc = packed;
    badCrc[packed.size() - 2] ^= 0x01;  // in the combined CRC
    ByteString falseMarker = packed;
    falseMarker.replace(packed.size() / 5, 6, "\x31\x41\x59\x26\x53\x59");
    // The serial decoder reaches the second block's CRC; the parallel one stops before it.
    ByteString badBlockCrc = packed;
    for (uint64_t at = kHeaderBits + kMarkerBits; at + 96 < packed.size() * 8; ++at) {
      if (BitsAt(packed.data(), at, kMarkerBits) != kBlockMarker) continue;
      badBlockCrc[(at + kMarkerBits) / 8 + 1] ^= 0x10;
      break;
    }
    for (const ByteString& stream : {packed, damaged, badCrc, falseMarker, badBlockCrc,
                                     packed.substr(0, packed.size() * 2 / 3), packed + packed}) {
      EXPECT_EQ(Decode(stream, 2), Decode(stream, 0));
    }
    EXPECT_EQ(Decode(packed, 1), Decode(packed, 0)) << "one worker";
    EXPECT_EQ(BzDecompressor().Feed(packed.data(), 0, [](auto...) { return true; }), 0)
        << "an empty feed asks for more";
    EXPECT_EQ(Decode(packed, 2, plain.size() / 2), Decode(packed, 0, plain.size() / 2));
    if (name != "pbzip2, one stream per block") {
      EXPECT_EQ(Decode(packed, 2).Bytes, plain);
    }
  }
}

TEST(WorkerCount, IsOnePerCoreOrFewerAsAskedAtMostSixteenAndNeverNone) {
  // {asked, cores, workers}
  for (const auto& [asked, cores, workers] : std::vector<std::array<int, 3>>{
           {0, 4, 4}, {3, 4, 3}, {256, 4, 4}, {0, 64, 16}, {40, 64, 16}, {0, 0, 1}, {5, 0, 1}}) {
    EXPECT_EQ(WorkerCount(asked, cores), workers) << asked << " asked, " << cores << " cores";
  }
  const ByteString packed = Compressed(Pattern(300'000, 6));
  EXPECT_EQ(
      ParallelBzDecompressor(0).Feed(packed.data(), packed.size(), [](auto...) { return true; }),
      ParallelBzDecompressor::kEnd);
}

}  // namespace
