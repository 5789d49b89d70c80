// Sub-commands of the tablirex tool register themselves here.
#pragma once

#include <string>
#include <vector>

namespace tablirex::tool {

/// A sub-command: gets its arguments (after the command name), returns the exit code.
/// Failures are reported on standard error with a clear message and a non-zero code.
using CommandFn = int (*)(const std::vector<std::string>& args);

struct CommandInfo {
  const char* name;
  const char* usage;
  CommandFn run;
};

/// Registers a command at start-up; returns true so it can initialise a static.
bool RegisterCommand(const CommandInfo& info);
const std::vector<CommandInfo>& Commands();

}  // namespace tablirex::tool
