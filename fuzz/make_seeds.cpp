// Writes the fixture-made seed inputs of the fuzz targets into <corpus folder>/<target>/.
// Usage: make_fuzz_seeds <repo>/fuzz/corpus <repo>/tests/data/real
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "fixtures/tes3_writer.h"
#include "net/bytes.h"
#include "net/comp.h"
#include "split_input.h"

namespace fs = std::filesystem;
using namespace tes3;

namespace {

fs::path corpus;

void Seed(const std::string& target, const std::string& name, const ByteString& bytes) {
  fs::create_directories(corpus / target);
  std::ofstream(corpus / target / name, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

ByteString ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return ByteString(std::istreambuf_iterator<char>(in), {});
}

// The first record of a record file whose type and id match.
ByteString FindRecord(const ByteString& file, std::string_view type, std::string_view id) {
  for (size_t p = 0; p + 16 <= file.size();) {
    const auto size = static_cast<size_t>(BytesToLongAt(file, p + 4));
    const ByteString record = file.substr(p, 16 + size);
    if (record.compare(0, 4, type) == 0 && record.size() > 24 &&
        record.compare(24, id.size(), id) == 0) {
      return record;
    }
    p += 16 + size;
  }
  return {};
}

ByteString Message(int type, const ByteString& body) {
  return static_cast<char>(type) + LongToBytes(static_cast<int32_t>(body.size())) + body;
}

ByteString Compressed(ByteString bytes) {
  CompressBytes(bytes, 7);
  return bytes;
}

// byte 0: reset yield << 3 | size count; the sizes; the stream.
ByteString Stream(int resetYield, const ByteString& sizes, const ByteString& stream) {
  return static_cast<char>(resetYield << 3 | static_cast<int>(sizes.size())) + sizes + stream;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_fuzz_seeds <corpus folder> <real data folder>\n";
    return 2;
  }
  corpus = argv[1];
  const fs::path real = argv[2];
  const ByteString realPlugin = ReadFile(real / "all_types.esp");
  const ByteString realMesh = ReadFile(real / "all_types.nif");

  // savegame: a fixture savegame and plug-in, and one over the real plug-in.
  {
    Npc player;
    player.Head = "b_head";
    player.Hair = "b_hair";
    player.Inventory = {{1, "ring"}, {2, "mail"}, {1, "robe"}, {3, "missing"}};
    player.Spells = {"zap"};
    const ByteString plugin =
        File({}, {BodyPartRecord("b_head"), BodyPartRecord("b_hair"), BodyPartRecord("part1"),
                  BodyPartRecord("part2.1st"), EnchantmentRecord("glow"), SpellRecord("zap"),
                  ItemRecord(Item("MISC", "ring").WithModel("m.nif").WithEnchantment("glow")),
                  ItemRecord(Item("ARMO", "mail").WithBodyParts({"part1", "part2"})),
                  ItemRecord(Item("CLOT", "robe").WithBodyParts({"part1"}))});
    Seed("savegame", "fixture", JoinInput(Savegame({{"mod.esp"}}, {NpcRecord(player)}), plugin));

    Npc realPlayer;
    realPlayer.Head = "test_bodypart";
    realPlayer.Hair = "";
    realPlayer.Inventory = {{1, "test_misc"},     {1, "test_weapon"},     {1, "test_armor"},
                            {1, "test_clothing"}, {1, "test_ingredient"}, {1, "test_book"}};
    realPlayer.Spells = {"test_spellmaking"};
    Seed(
        "savegame", "real_plugin",
        JoinInput(Savegame({{"Morrowind.esm"}, {"mod.esp"}}, {NpcRecord(realPlayer)}), realPlugin));
  }

  // mesh: a fixture record and mesh, and a real armour record with the real mesh.
  {
    const ByteString mesh = Mesh({TextureBlock("t.dds"), TextureBlock("u.tga"),
                                  TextureBlock("Textures\\t.dds"), TextureBlock(-1, "x")});
    Seed("mesh", "fixture",
         JoinInput(ItemRecord(Item("MISC", "ring").WithModel("m.nif").WithIcon("i.tga")), mesh));
    Seed("mesh", "potion",
         JoinInput(ItemRecord(Item("ALCH", "potion").WithModel("m.nif").WithIcon("i.dds")), mesh));
    Seed("mesh", "real", JoinInput(FindRecord(realPlugin, "ARMO", "test_armor"), realMesh));
  }

  // list_text: lists as the media step writes them, and odd ones.
  Seed("list_text", "list", "arena.esp\t1234\r\nMeshes\\m.nif\t10\r\nIcons\\x.dds\t99\r\n");
  Seed("list_text", "odd",
       "arena.esp\t1\r\n\r\nab\r\nMeshes\\..\\..\\x\t5\r\nTextures\\a.dds\t-3\textra\r\nlast");

  // receiver: a whole exchange as the peer sends it, in various arrival sizes.
  {
    const std::string list = "arena.esp\t4\r\nMeshes\\n.nif\t3\r\nMeshes\\m.nif\t10\r\n";
    const ByteString mediaList =
        Message(252, LongToBytes(static_cast<int32_t>(list.size())) + Compressed(list));
    const ByteString requests = Message(253, LongToBytes(0) + LongToBytes(1));
    const std::string delivered = "arena.esp\t4\r\nMeshes\\n.nif\t3\r\n";
    const ByteString packedList = Compressed(delivered);
    const ByteString characterData =
        Message(254, LongToBytes(static_cast<int32_t>(packedList.size())) +
                         LongToBytes(static_cast<int32_t>(delivered.size())) + packedList +
                         LongToBytes(8) + Compressed(ByteString("TES3nif\0", 8)));
    const ByteString relay = static_cast<char>(251) + ByteString("abcde") + ShortToBytes(4) +
                             "1234" + static_cast<char>(250) + ByteString(1, '\0') + "abcde" +
                             ByteString(1, '\0') + ShortToBytes(3) + "xyz";
    const ByteString exchange = ByteString(1, '\xFF') + mediaList + requests + characterData;
    Seed("receiver", "whole", Stream(0, "", exchange + relay));
    Seed("receiver", "pieces", Stream(0, ByteString("\x01\x07\x40", 3), exchange + relay));
    Seed("receiver", "reset", Stream(3, ByteString("\x05", 1), exchange));
  }

  // registry: hives as Wine writes them.
  {
    const std::string head =
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n";
    Seed("registry", "plain",
         head +
             "[Software\\\\Bethesda Softworks\\\\Morrowind] 1700000000\n#time=1\n"
             "\"Installed Path\"=\"C:\\\\Games\\\\Morrowind\\\\\"\n");
    Seed("registry", "twin_hex",
         head +
             "[Software\\\\Wow6432Node\\\\Bethesda Softworks\\\\Morrowind] 1\n"
             "\"Other\"=dword:00000001\n"
             "\"Installed Path\"=hex(1):43,00,3a,00,\\\n  5c,00,58,00,00,00\n");
    Seed("registry", "escapes",
         head +
             "[Software\\\\Bethesda Softworks\\\\Morrowind] 1\n"
             "\"Installed Path\"=str(2):\"C:\\\\\\x00e9t\\xe9\\\"q\\\"\\\\Games\"\n");
  }

  // number: texts typed or pasted into the address boxes.
  for (const auto& [name, text] :
       {std::pair{"octet", "192"}, std::pair{"fraction", " -2.5e1x"}, std::pair{"huge", "1e999"},
        std::pair{"hex", "0x10"}, std::pair{"dots", "1.5.3"}}) {
    Seed("number", name, text);
  }
  return 0;
}
