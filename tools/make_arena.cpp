// Writes the template plug-in the program ships (data/arena.dat) to the path given.
#include <cstdio>

#include "fixtures/arena_template.h"
#include "platform/files.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_arena <path of arena.dat>\n");
    return 2;
  }
  if (!WriteFileAtomically(argv[1], ArenaTemplateBytes())) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
