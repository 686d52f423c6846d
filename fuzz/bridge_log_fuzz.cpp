// The bridge's log parsing and field encoding over fuzzed log text, appended in two ticks.
#include "bridge/bridge.h"
#include "bridge/field_encoding.h"
#include "bridge/relay_tables.h"
#include "core/app_paths.h"
#include "fuzz_support.h"
#include "platform/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzDir dir;
  const ByteString text = AsBytes(data, size);
  const EncodedField field = EncodeField(text);
  if (field.Kind != kKindText && field.Value.size() != 4) __builtin_trap();

  AppPaths paths;
  paths.GameDir = dir.Path().string();
  RelayTables relay;
  FakePeer peer;
  Bridge bridge(paths, relay, peer);
  const auto log = dir.Path() / "MWScriptExtender.log";
  RemoveFile(log);
  const size_t half = size / 2;
  dir.Write("MWScriptExtender.log", text.substr(0, half));
  bridge.Tick();
  WriteFileAt(log, half, text.substr(half));
  bridge.Tick();
  if (relay.OutVars.size() > 250 || bridge.BufferedBytes() > size) __builtin_trap();
  return 0;
}
