#include "support/demo_world.h"

#include <system_error>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "support/arena_template.h"
#include "support/tes3_writer.h"

namespace demo {

namespace fs = std::filesystem;
using namespace tes3;

namespace {

// Morrowind.esm as the game ships it; the savegame and the plug-in name it as their master.
const MasterFile kGameMaster{"Morrowind.esm", 79837557};

// The registry of a 64-bit Wine prefix after the game's installer ran: 32-bit programs'
// keys live under Wow6432Node, and Wine escapes every backslash.
ByteString SystemReg() {
  return "WINE REGISTRY Version 2\n"
         ";; All keys relative to \\\\Machine\n"
         "\n"
         "#arch=win64\n"
         "\n"
         "[Software\\\\Wow6432Node\\\\Bethesda Softworks\\\\Morrowind] 1700000000\n"
         "#time=1da0b6e1c2d3e4f\n"
         "\"Installed Path\"=\"C:\\\\Games\\\\Morrowind\"\n";
}

// Some bytes standing in for an image of the game's formats; only their identity matters.
ByteString Picture(const std::string& name) {
  ByteString bytes = "DDS |" + name + "|";
  for (int i = 0; i < 512; ++i) bytes += static_cast<char>((i * 7 + name.size()) & 0xFF);
  return bytes;
}

// A mesh naming its textures the way the game's meshes do.
ByteString MeshNaming(const std::vector<std::string>& textures) {
  std::vector<ByteString> blocks;
  for (const std::string& texture : textures) blocks.push_back(TextureBlock(texture));
  return Mesh(blocks);
}

struct DataFile {
  std::string Name;  // below Data Files, with slashes
  ByteString Bytes;
};

// The demo plug-in's records and the player who uses them.
struct Character {
  ByteString Plugin;
  ByteString Savegame;
  std::vector<DataFile> Media;
};

Character DemoCharacter() {
  Character c;
  // Head and hair name .tga textures, as the game's meshes do; only .dds twins exist, so
  // the .dds files travel.
  c.Media = {
      {"Meshes/q/demo_head.nif", MeshNaming({"q\\demo_skin.tga", "q\\demo_eyes.dds"})},
      {"Meshes/q/demo_hair.nif", MeshNaming({"q\\demo_hair.tga"})},
      {"Meshes/q/demo_cuirass.nif", MeshNaming({"q\\demo_steel.dds"})},
      {"Meshes/q/demo_cuirass_gnd.nif", MeshNaming({"q\\demo_steel.dds"})},
      {"Meshes/q/demo_robe.nif", MeshNaming({"q\\demo_cloth.dds"})},
      {"Meshes/q/demo_robe_gnd.nif", MeshNaming({"q\\demo_cloth.dds"})},
      {"Meshes/q/demo_blade.nif", MeshNaming({"q\\demo_blade.dds"})},
      {"Meshes/q/demo_potion.nif", MeshNaming({"q\\demo_glass.dds"})},
      {"Meshes/q/demo_gem.nif", MeshNaming({"q\\demo_gem.dds"})},
      {"Textures/q/demo_skin.dds", Picture("skin")},
      {"Textures/q/demo_eyes.dds", Picture("eyes")},
      {"Textures/q/demo_hair.dds", Picture("hair")},
      {"Textures/q/demo_steel.dds", Picture("steel")},
      {"Textures/q/demo_cloth.dds", Picture("cloth")},
      {"Textures/q/demo_blade.dds", Picture("blade")},
      {"Textures/q/demo_glass.dds", Picture("glass")},
      {"Textures/q/demo_gem.dds", Picture("gem")},
      {"Icons/q/demo_cuirass.dds", Picture("cuirass icon")},
      {"Icons/q/demo_robe.dds", Picture("robe icon")},
      {"Icons/q/demo_blade.dds", Picture("blade icon")},
      {"Icons/q/demo_potion.dds", Picture("potion icon")},
      {"Icons/q/demo_gem.dds", Picture("gem icon")},
  };

  Header header;
  header.Author = "Quib";
  header.Description = "Things for the demo character.";
  header.Masters = {kGameMaster};
  c.Plugin =
      File(header, {BodyPartRecord("quib_demo_head", "q\\demo_head.nif"),
                    BodyPartRecord("quib_demo_hair", "q\\demo_hair.nif"),
                    BodyPartRecord("quib_demo_cuirass_part", "q\\demo_cuirass.nif"),
                    BodyPartRecord("quib_demo_robe_part", "q\\demo_robe.nif"),
                    EnchantmentRecord("quib_demo_frost_edge", 400),
                    SpellRecord("quib_demo_ember", "Ember"), SpellRecord("quib_demo_mend", "Mend"),
                    ItemRecord(Item("ARMO", "quib_demo_cuirass")
                                   .WithName("Demo Cuirass")
                                   .WithModel("q\\demo_cuirass_gnd.nif")
                                   .WithIcon("q\\demo_cuirass.dds")
                                   .WithBodyParts({"quib_demo_cuirass_part"})),
                    ItemRecord(Item("CLOT", "quib_demo_robe")
                                   .WithName("Demo Robe")
                                   .WithModel("q\\demo_robe_gnd.nif")
                                   .WithIcon("q\\demo_robe.dds")
                                   .WithBodyParts({"quib_demo_robe_part"})),
                    ItemRecord(Item("WEAP", "quib_demo_blade")
                                   .WithName("Frost Edge")
                                   .WithModel("q\\demo_blade.nif")
                                   .WithIcon("q\\demo_blade.dds")
                                   .WithEnchantment("quib_demo_frost_edge")),
                    ItemRecord(Item("ALCH", "quib_demo_potion")
                                   .WithName("Demo Draught")
                                   .WithModel("q\\demo_potion.nif")
                                   .WithIcon("q\\demo_potion.dds")),
                    ItemRecord(Item("MISC", "quib_demo_gem")
                                   .WithName("Demo Gem")
                                   .WithModel("q\\demo_gem.nif")
                                   .WithIcon("q\\demo_gem.dds"))});

  Npc player;
  player.Name = "Demo Hero";
  player.Head = "quib_demo_head";
  player.Hair = "quib_demo_hair";
  // Gold and the fire bite spell come from the game's masters: they travel by id only.
  player.Inventory = {{1, "quib_demo_cuirass"}, {1, "quib_demo_robe"}, {1, "quib_demo_blade"},
                      {3, "quib_demo_potion"},  {2, "quib_demo_gem"},  {250, "Gold_001"}};
  player.Spells = {"quib_demo_ember", "quib_demo_mend", "fire bite"};
  c.Savegame = Savegame({kGameMaster, {kPlugin, static_cast<uint64_t>(c.Plugin.size())}},
                        {NpcRecord(player)});
  return c;
}

// Writes one file, making the folders above it.
bool Put(const fs::path& path, const ByteString& bytes, std::string& error) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  if (ec || !WriteFileAtomically(path, bytes)) {
    error = "cannot write " + path.string();
    return false;
  }
  return true;
}

bool MakeFolder(const fs::path& path, std::string& error) {
  std::error_code ec;
  fs::create_directories(path, ec);
  if (ec) error = "cannot create " + path.string() + ": " + ec.message();
  return !ec;
}

}  // namespace

fs::path WinePrefix(const fs::path& folder, const std::string& player) {
  return folder / player / "prefix";
}

fs::path GameDir(const fs::path& folder, const std::string& player) {
  return WinePrefix(folder, player) / "drive_c" / "Games" / "Morrowind";
}

fs::path ProgramDir(const fs::path& folder, const std::string& player) {
  return folder / player / "program";
}

bool WriteDemo(const fs::path& folder, std::string& error) {
  for (const std::string player : {"a", "b"}) {
    const fs::path game = GameDir(folder, player);
    // The game folder chooser and the launcher look for the executable; an empty one does.
    if (!Put(WinePrefix(folder, player) / "system.reg", SystemReg(), error) ||
        !Put(game / "Morrowind.exe", "", error) || !MakeFolder(game / "Data Files", error) ||
        !MakeFolder(game / "Saves", error) ||
        !Put(ProgramDir(folder, player) / "arena.dat", ArenaTemplateBytes(), error)) {
      return false;
    }
  }

  const Character character = DemoCharacter();
  const fs::path game = GameDir(folder, "a");
  if (!Put(game / "Data Files" / kPlugin, character.Plugin, error) ||
      !Put(game / "Saves" / kSavegame, character.Savegame, error)) {
    return false;
  }
  for (const DataFile& file : character.Media) {
    if (!Put(game / "Data Files" / file.Name, file.Bytes, error)) return false;
  }
  return Put(ProgramDir(folder, "b") / "Opponent.dat", ByteString("\x7F\x00\x00\x01", 4), error);
}

}  // namespace demo
