#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/byte_string.h"

// Writers of the game's TES3 files and meshes for fixtures, in the layouts the game and its
// editor write (see tests/data/real/all_types.esp): records are a 16-byte header (type,
// data size, header word, flags) and sub-records (tag, size, value); ids are stored with
// one NUL; inventory entries (NPCO) are a 4-byte count and a 32-byte NUL-padded id; spell
// entries (NPCS) a 32-byte NUL-padded id.
namespace tes3 {

// Value helpers.
ByteString Z(std::string_view text);                     // text + NUL
ByteString Padded(std::string_view text, size_t width);  // NUL-padded (or cut) to width
ByteString Int32(int32_t value);                         // little-endian
ByteString Int16(int16_t value);
ByteString Float32(float value);

// One sub-record: tag, 4-byte size, value.
ByteString Sub(std::string_view tag, const ByteString& value);
// One whole record: type, data size, header word 0, flags, then the sub-records joined.
ByteString Record(std::string_view type, const std::vector<ByteString>& subrecords,
                  uint32_t flags = 0);

struct MasterFile {
  std::string Name;
  uint64_t Size = 0;
};

// The TES3 header record.
struct Header {
  float Version = 1.3f;
  int32_t FileType = 0;  // 0 plug-in, 1 master, 32 savegame
  std::string Author;
  std::string Description;
  std::vector<MasterFile> Masters;
  std::vector<ByteString> Extra;  // sub-records after the MAST/DATA pairs
};
ByteString HeaderRecord(const Header& header, int32_t recordCount);
// A whole plug-in: the header, counting the records, then the records.
ByteString File(const Header& header, const std::vector<ByteString>& records);

// An item record: NAME, MODL, FNAM, the type's data, ITEX (TEXT for ALCH), for ARMO and
// CLOT one INDX + BNAM per body part (the BNAM value ends in a NUL, as the editor writes
// it), and ENAM last.
struct Item {
  Item() = default;
  Item(std::string type, std::string id) : Type(std::move(type)), Id(std::move(id)) {}
  Item& WithModel(std::string model) { return Set(Model, std::move(model)); }
  Item& WithName(std::string name) { return Set(Name, std::move(name)); }
  Item& WithIcon(std::string icon) { return Set(Icon, std::move(icon)); }
  Item& WithEnchantment(std::string id) { return Set(Enchantment, std::move(id)); }
  Item& WithBodyParts(std::vector<std::string> ids) {
    BodyParts = std::move(ids);
    return *this;
  }

  std::string Type = "MISC";
  std::string Id;
  std::string Model = "m\\item.nif";
  std::string Name = "Item";
  std::string Icon = "m\\item.dds";
  std::vector<std::string> BodyParts;
  std::string Enchantment;  // empty: no ENAM

 private:
  Item& Set(std::string& field, std::string value) {
    field = std::move(value);
    return *this;
  }
};
ByteString ItemRecord(const Item& item);
ByteString BodyPartRecord(std::string_view id, std::string_view model = "b\\part.nif");
ByteString EnchantmentRecord(std::string_view id, int32_t charge = 100);
ByteString SpellRecord(std::string_view id, std::string_view name = "Spell");

// An NPC_ record as a savegame holds the player: NAME, FNAM, RNAM, CNAM, BNAM (head), KNAM
// (hair), NPDT, FLAG, one NPCO per inventory entry, one NPCS per spell, AIDT.
struct Npc {
  Npc() = default;
  explicit Npc(std::string id) : Id(std::move(id)) {}

  std::string Id = "player";
  std::string Name = "Hero";
  std::string Race = "Dark Elf";
  std::string Class = "Warrior";
  std::string Head = "b_n_dark elf_m_head_01";             // empty: no BNAM
  std::string Hair = "b_n_dark elf_m_hair_01";             // empty: no KNAM
  std::vector<std::pair<int32_t, std::string>> Inventory;  // count, id
  std::vector<std::string> Spells;
};
ByteString NpcRecord(const Npc& npc);

// A savegame: a header of file type 32 with the masters, the game data (GMDT) and the
// screenshot sub-records, then the records (put the player's NPC_ among them).
ByteString Savegame(const std::vector<MasterFile>& masters, const std::vector<ByteString>& records);

// A NetImmerse 4.0.0.2 mesh: the file header, a root NiNode, then the given blocks.
ByteString Mesh(const std::vector<ByteString>& blocks);
// An NiSourceTexture block naming an external file: the type string, an empty block name,
// no extra data or controller, the external flag, then the file name's length (28 bytes
// after the type's text) and the name (32 bytes after it).
ByteString TextureBlock(std::string_view fileName);
// The same with any declared length and name bytes, for damaged or padded names.
ByteString TextureBlock(int32_t declaredLength, const ByteString& nameBytes);

}  // namespace tes3
