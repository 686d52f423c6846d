#include "support/tes3_writer.h"

#include <map>

#include "net/bytes.h"

namespace tes3 {

namespace {

// The data sub-record of each item type, with its size in the game's format.
const std::map<std::string, std::pair<std::string, size_t>>& ItemData() {
  static const std::map<std::string, std::pair<std::string, size_t>> data = {
      {"CLOT", {"CTDT", 12}}, {"ALCH", {"ALDT", 12}}, {"ARMO", {"AODT", 24}},
      {"MISC", {"MCDT", 12}}, {"INGR", {"IRDT", 56}}, {"WEAP", {"WPDT", 32}},
      {"APPA", {"AADT", 16}}, {"BOOK", {"BKDT", 20}}, {"LIGH", {"LHDT", 24}},
      {"PROB", {"PBDT", 16}}, {"REPA", {"RIDT", 16}}};
  return data;
}

ByteString Filler(size_t size, char byte = '\1') { return ByteString(size, byte); }

ByteString String(std::string_view text) {
  return Int32(static_cast<int32_t>(text.size())) + ByteString(text);
}

}  // namespace

ByteString Z(std::string_view text) { return ByteString(text) + '\0'; }

ByteString Padded(std::string_view text, size_t width) {
  ByteString value(text.substr(0, width));
  value.resize(width, '\0');
  return value;
}

ByteString Int32(int32_t value) { return LongToBytes(value); }

ByteString Int16(int16_t value) { return ShortToBytes(static_cast<uint16_t>(value)); }

ByteString Float32(float value) { return SingleToBytes(value); }

ByteString Sub(std::string_view tag, const ByteString& value) {
  return ByteString(tag) + Int32(static_cast<int32_t>(value.size())) + value;
}

ByteString Record(std::string_view type, const std::vector<ByteString>& subrecords,
                  uint32_t flags) {
  ByteString data;
  for (const ByteString& sub : subrecords) data += sub;
  return ByteString(type) + Int32(static_cast<int32_t>(data.size())) + Int32(0) +
         Int32(static_cast<int32_t>(flags)) + data;
}

ByteString HeaderRecord(const Header& header, int32_t recordCount) {
  std::vector<ByteString> subs = {
      Sub("HEDR", Float32(header.Version) + Int32(header.FileType) + Padded(header.Author, 32) +
                      Padded(header.Description, 256) + Int32(recordCount))};
  for (const MasterFile& master : header.Masters) {
    subs.push_back(Sub("MAST", Z(master.Name)));
    subs.push_back(Sub("DATA", Int32(static_cast<int32_t>(master.Size & 0xFFFFFFFF)) +
                                   Int32(static_cast<int32_t>(master.Size >> 32))));
  }
  subs.insert(subs.end(), header.Extra.begin(), header.Extra.end());
  return Record("TES3", subs);
}

ByteString File(const Header& header, const std::vector<ByteString>& records) {
  ByteString file = HeaderRecord(header, static_cast<int32_t>(records.size()));
  for (const ByteString& record : records) file += record;
  return file;
}

ByteString ItemRecord(const Item& item) {
  const auto data = ItemData().find(item.Type);
  const ByteString dataSub = data == ItemData().end()
                                 ? ByteString()
                                 : Sub(data->second.first, Filler(data->second.second));
  std::vector<ByteString> subs = {Sub("NAME", Z(item.Id)), Sub("MODL", Z(item.Model))};
  if (item.Type == "ALCH") {
    // Potions carry their icon as TEXT, before the name.
    if (!item.Icon.empty()) subs.push_back(Sub("TEXT", Z(item.Icon)));
    subs.push_back(Sub("FNAM", Z(item.Name)));
    subs.push_back(dataSub);
  } else {
    subs.push_back(Sub("FNAM", Z(item.Name)));
    subs.push_back(dataSub);
    if (!item.Icon.empty()) subs.push_back(Sub("ITEX", Z(item.Icon)));
    for (size_t i = 0; i < item.BodyParts.size(); ++i) {
      subs.push_back(Sub("INDX", ByteString(1, static_cast<char>(i))));
      subs.push_back(Sub("BNAM", Z(item.BodyParts[i])));
    }
  }
  if (!item.Enchantment.empty()) subs.push_back(Sub("ENAM", Z(item.Enchantment)));
  return Record(item.Type, subs);
}

ByteString BodyPartRecord(std::string_view id, std::string_view model) {
  return Record("BODY", {Sub("NAME", Z(id)), Sub("MODL", Z(model)), Sub("FNAM", Z("Dark Elf")),
                         Sub("BYDT", ByteString("\0\0\0\0", 4))});
}

ByteString EnchantmentRecord(std::string_view id, int32_t charge) {
  return Record("ENCH",
                {Sub("NAME", Z(id)), Sub("ENDT", Int32(2) + Int32(10) + Int32(charge) + Int32(1)),
                 Sub("ENAM", Filler(24, '\2'))});
}

ByteString SpellRecord(std::string_view id, std::string_view name) {
  return Record("SPEL", {Sub("NAME", Z(id)), Sub("FNAM", Z(name)), Sub("SPDT", Filler(12, '\0')),
                         Sub("ENAM", Filler(24, '\3'))});
}

ByteString NpcRecord(const Npc& npc) {
  std::vector<ByteString> subs = {Sub("NAME", Z(npc.Id)), Sub("FNAM", Z(npc.Name)),
                                  Sub("RNAM", Z(npc.Race)), Sub("CNAM", Z(npc.Class))};
  if (!npc.Head.empty()) subs.push_back(Sub("BNAM", Z(npc.Head)));
  if (!npc.Hair.empty()) subs.push_back(Sub("KNAM", Z(npc.Hair)));
  subs.push_back(Sub("NPDT", Filler(52, '\5')));
  subs.push_back(Sub("FLAG", Int32(0x18)));
  for (const auto& [count, id] : npc.Inventory) {
    subs.push_back(Sub("NPCO", Int32(count) + Padded(id, 32)));
  }
  for (const std::string& spell : npc.Spells) subs.push_back(Sub("NPCS", Padded(spell, 32)));
  subs.push_back(Sub("AIDT", Filler(12, '\0')));
  return Record("NPC_", subs);
}

ByteString Savegame(const std::vector<MasterFile>& masters,
                    const std::vector<ByteString>& records) {
  Header header;
  header.FileType = 32;
  header.Masters = masters;
  header.Extra = {
      Sub("GMDT", Filler(24, '\0') + Padded("Balmora", 64) + Float32(3.0f) + Padded("Hero", 32)),
      Sub("SCRD", Filler(20, '\0')), Sub("SCRS", Filler(65536, '\x7f'))};
  return File(header, records);
}

ByteString Mesh(const std::vector<ByteString>& blocks) {
  ByteString mesh = "NetImmerse File Format, Version 4.0.0.2\n";
  mesh += Int32(0x04000002) + Int32(static_cast<int32_t>(blocks.size() + 1));
  mesh += String("NiNode") + String("Scene Root") + Int32(-1) + Int32(-1) + Int16(12);
  mesh += Filler(4 * 16, '\0') + Int32(0) + Int32(0) + Int32(0) + Int32(0);
  for (const ByteString& block : blocks) mesh += block;
  return mesh;
}

ByteString TextureBlock(std::string_view fileName) {
  return TextureBlock(static_cast<int32_t>(fileName.size()), ByteString(fileName));
}

ByteString TextureBlock(int32_t declaredLength, const ByteString& nameBytes) {
  return String("NiSourceTexture") + Int32(0) + Int32(-1) + Int32(-1) + ByteString(1, '\1') +
         Int32(declaredLength) + nameBytes + Int32(6) + Int32(1) + Int32(3) + ByteString(1, '\1');
}

}  // namespace tes3
