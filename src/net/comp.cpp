#include "net/comp.h"

#include <bzlib.h>

#include <cmath>
#include <vector>

#include "core/ui.h"

int CompressBytes(ByteString& data, int32_t level) {
  if (level > 9) level = 9;
  if (level < 0) level = 1;
  const double n = static_cast<double>(data.size());
  auto capacity = static_cast<unsigned int>(std::nearbyint(n * 0.01 + n + 600));
  std::vector<char> scratch(capacity);
  unsigned int destLength = capacity;
  const int result = BZ2_bzBuffToBuffCompress(scratch.data(), &destLength, data.data(),
                                              static_cast<unsigned int>(data.size()), level, 0, 30);
  data.assign(scratch.data(), destLength);
  return result;
}

int DecompressBytes(ByteString& data, int32_t& size) {
  if (size < 0) size = 0;
  std::vector<char> scratch(static_cast<size_t>(size));
  auto destLength = static_cast<unsigned int>(size);
  const int result = BZ2_bzBuffToBuffDecompress(scratch.data(), &destLength, data.data(),
                                                static_cast<unsigned int>(data.size()), 0, 0);
  size = static_cast<int32_t>(destLength);
  data.assign(scratch.data(), destLength);
  return result;
}

void CompressString(ByteString& s, Ui& ui) { ShowCompressionError(CompressBytes(s, 7), ui); }

void ShowCompressionError(int result, Ui& ui) {
  if (result == kBzDataErrorMagic) {
    ui.ShowMessage("Buffer too small", "Compression Error", MessageIcon::Exclamation);
  } else if (result == kBzDataError) {
    ui.ShowMessage("Insufficient memory", "Compression Error", MessageIcon::Exclamation);
  }
}
