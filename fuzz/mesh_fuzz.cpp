// The texture scan of a fuzzed mesh and the model and icon lookups of a fuzzed record, alone
// and through the media step with the record as the head, an armour part and an item.
#include "core/name_generator.h"
#include "fuzz_support.h"
#include "media/collect_media.h"
#include "net/media_list.h"
#include "records/record_file.h"
#include "split_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzDir dir;
  static const bool prepared = [] {
    dir.Write("Morrowind/Data Files/Textures/t.dds", "dds");
    dir.Write("Morrowind/Data Files/Textures/u.tga", "tga");
    dir.Write("Morrowind/Data Files/Icons/i.dds", "icon");
    return true;
  }();
  (void)prepared;
  const auto [record, mesh] = SplitInput(AsBytes(data, size));

  for (const std::string& name : ScanTextures(mesh)) {
    if (name.size() > mesh.size()) __builtin_trap();
  }
  const std::string id = RecordId(record, true);
  if (ModelPath(record, id.size()).size() > record.size()) __builtin_trap();
  if (ModelPath(record, size).size() > record.size()) __builtin_trap();
  if (IconName(record).size() > record.size()) __builtin_trap();

  dir.Write("Morrowind/Data Files/Meshes/m.nif", mesh);
  CharacterPackage package;
  package.HeadId = id;
  package.HeadRecord = record;
  package.ArmorPartIds = {RecordId(record, false)};
  package.ArmorPartRecords = {record};
  package.ItemIds = {id};
  package.ItemFound = {true};
  package.ItemRecords = {record};
  MediaList media;
  NameGenerator names;
  FakePeer peer;
  CollectMedia((dir.Path() / "Morrowind").string(), package, media, names, peer);
  if (media.MediaNames.size() != media.MediaSizes.size()) __builtin_trap();
  for (const std::string& name : media.MediaNames) {
    if (HasParentStep(name)) __builtin_trap();
  }
  if (peer.Sent.size() != 1) __builtin_trap();
  return 0;
}
