// Writes the two demo machines of scripts/run (see fixtures/demo_world.h) into a folder.
#include <cstdio>
#include <string>

#include "fixtures/demo_world.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: quib_demo <folder>\n");
    return 2;
  }
  std::string error;
  if (!demo::WriteDemo(argv[1], error)) {
    std::fprintf(stderr, "quib_demo: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
