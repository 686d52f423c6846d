#pragma once

#include "core/byte_string.h"

// The template plug-in data/arena.dat, as the program ships it: a TES3 plug-in (version
// 1.3, master Morrowind.esm) holding the placeholder NPC_ "play00" and the interior cell
// "Quib Arena" with one reference to it. The placeholder ends in AIDT (fight 100) and AI_W
// (wander), the 42 bytes the exported character takes over. tools/make_arena writes it;
// a test checks that the shipped file is exactly this.
ByteString ArenaTemplateBytes();
