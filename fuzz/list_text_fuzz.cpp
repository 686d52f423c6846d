// The media list readers over a fuzzed list text: GetListField against the line walk, and
// the file requests built from it against a small game folder.
#include "fuzz_support.h"
#include "net/list_text.h"
#include "net/media_name.h"
#include "net/transfer.h"
#include "platform/folder_index.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzDir dir;
  static const bool prepared = [] {
    dir.Write("Morrowind/Data Files/Meshes/m.nif", "mesh");
    dir.Write("Morrowind/Data Files/Icons/i.dds", "icon");
    return true;
  }();
  (void)prepared;
  const std::string list(reinterpret_cast<const char*>(data), size);

  // The line walk gives what GetListField gives, line by line (the first lines only:
  // GetListField scans from the start each time).
  ListReader reader(list);
  std::string_view line;
  int index = 0;
  for (; index < 64 && reader.Next(line); ++index) {
    for (int field = 0; field < 3; ++field) {
      const auto viaLine = ListField(line, field);
      const std::string direct = GetListField(list, field, index);
      if (viaLine ? direct != *viaLine : direct != "NULL") __builtin_trap();
    }
  }
  if (index < 64 && GetListField(list, 0, index) != "NULL") __builtin_trap();
  GetListField(list, -1, 0);
  GetListField(list, 0, -1);

  std::vector<RequestedFile> requested;
  FolderIndex dataFiles(dir.Path() / "Morrowind" / "Data Files");
  const ByteString body = BuildFileRequests(list, dataFiles, &requested).value();
  for (const RequestedFile& file : requested) {
    if (file.Line < 0 || file.Size < 0) __builtin_trap();
    // Line 0 is always asked for; it is only ever written as the arena plug-in.
    if (file.Line > 0 && (HasParentStep(file.Name) || !IsSafeMediaName(file.Name)))
      __builtin_trap();
  }
  if (body.size() != 4 * requested.size()) __builtin_trap();
  return 0;
}
