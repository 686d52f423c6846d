// The record walk and the record accessors over a fuzzed record file.
#include "fuzz_support.h"
#include "records/record_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzDir dir;
  const auto path = dir.Write("fuzzed.esp", AsBytes(data, size));
  FakeUi ui;
  size_t seen = 0;
  WalkRecords(path, static_cast<int64_t>(size), 4455, ui,
              [&](std::string_view type, const ByteString& record) {
                seen += type.size();
                const std::string id = RecordId(record, false);
                const ByteString renamed = ReplaceId(record, std::string(id.size(), 'x'));
                if (renamed.size() != record.size()) __builtin_trap();
                for (size_t p = FindSubrecord(record, "NAME"); p != ByteString::npos;
                     p = FindSubrecord(record, "NAME", p + 1)) {
                  seen += SubrecordValue(record, p).size();
                }
              });
  return seen == static_cast<size_t>(-1);
}
