// main.cpp — the kavo5000 tool: drives controllers on a serial line, a TCP
// serial server or the built-in simulator through the driver module, decodes
// frames, serves the simulator, and keeps one driver for a whole `shell`.
#include <cstdio>
#include <string>
#include <vector>

#include "CommandLine.h"

int main(int argc, char** argv) {
  // Output reaches a pipe line by line, as it does a terminal, so that a
  // script or a `watch` read through a pipe sees each line when it is made.
  std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
  const std::vector<std::string> args(argv + 1, argv + argc);
  return kavo5000::tool::Main(args);
}
