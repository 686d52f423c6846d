#include "support/arena_template.h"

#include "support/tes3_writer.h"

using namespace tes3;

ByteString ArenaTemplateBytes() {
  Header header;
  header.Author = "Quib";
  header.Description = "The arena in which Quib places the opponent's character.";
  // Morrowind.esm as the game ships it, so the editor and the game accept the dependency.
  header.Masters = {{"Morrowind.esm", 79837557}};

  // Fight 100 (attacks on sight), flee 0, alarm 0, no services.
  const ByteString aidt = ByteString(1, '\x1e') + ByteString(1, '\0') + ByteString(1, '\x64') +
                          ByteString(1, '\0') + ByteString(1, '\0') + ByteString(3, '\0') +
                          Int32(0);
  // Wander within 512 units, duration 5 hours, any time, some idles, repeat.
  const ByteString aiWander = Int16(512) + Int16(5) + ByteString(1, '\0') +
                              ByteString("\x28\x0a\x0a\x0a\x0a\x0a\x0a\x0a", 8) +
                              ByteString(1, '\1');
  const ByteString placeholder = Record(
      "NPC_", {Sub("NAME", Z("play00")), Sub("FNAM", Z("Opponent")), Sub("RNAM", Z("Dark Elf")),
               Sub("CNAM", Z("Warrior")), Sub("BNAM", Z("b_n_dark elf_m_head_01")),
               Sub("KNAM", Z("b_n_dark elf_m_hair_01")),
               // Auto-calculated: level 1, disposition 50, no reputation or rank, no gold.
               Sub("NPDT", Int16(1) + ByteString("\x32\0\0\0\0\0", 6) + Int32(0)),
               Sub("FLAG", Int32(0x18)), Sub("AIDT", aidt), Sub("AI_W", aiWander)});

  // An interior cell with ambient light and the opponent standing in it.
  const ByteString cell = Record(
      "CELL",
      {Sub("NAME", Z("Quib Arena")), Sub("DATA", Int32(1) + Int32(0) + Int32(0)),
       Sub("WHGT", Float32(0.0f)),
       Sub("AMBI", ByteString("\x40\x40\x40\0\x80\x80\x80\0\x40\x40\x40\0", 12) + Float32(1.0f)),
       Sub("NAM0", Int32(1)), Sub("FRMR", Int32(1)), Sub("NAME", Z("play00")),
       Sub("DATA", Float32(0.0f) + Float32(0.0f) + Float32(0.0f) + Float32(0.0f) + Float32(0.0f) +
                       Float32(0.0f))});

  return File(header, {placeholder, cell});
}
