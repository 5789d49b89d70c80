#include <cstdio>
#include <cstring>
#include <exception>

#include "command.h"

namespace tablirex::tool {

static std::vector<CommandInfo>& Registry() {
  static std::vector<CommandInfo> commands;
  return commands;
}

bool RegisterCommand(const CommandInfo& info) {
  Registry().push_back(info);
  return true;
}

const std::vector<CommandInfo>& Commands() { return Registry(); }

}  // namespace tablirex::tool

namespace {

void Usage(std::FILE* out) {
  std::fprintf(out, "usage: tablirex COMMAND [ARGS...]\n\ncommands:\n");
  for (const auto& c : tablirex::tool::Commands()) std::fprintf(out, "  %s\n", c.usage);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    Usage(stderr);
    return 2;
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0) {
    Usage(stdout);
    return 0;
  }
  for (const auto& c : tablirex::tool::Commands()) {
    if (std::strcmp(c.name, argv[1]) == 0) {
      std::vector<std::string> args(argv + 2, argv + argc);
      try {
        return c.run(args);
      } catch (const std::exception& e) {
        std::fprintf(stderr, "tablirex %s: %s\n", c.name, e.what());
        return 1;
      }
    }
  }
  std::fprintf(stderr, "tablirex: unknown command '%s'\n", argv[1]);
  Usage(stderr);
  return 2;
}
