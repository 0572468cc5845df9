#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace kavo {

// Exit statuses of kavo-cli.
constexpr int kExitComputed = 0; // a focal length was computed (or synth wrote its series)
constexpr int kExitNoResult = 1; // the command stopped, the run was abandoned or an output failed
constexpr int kExitBadArguments = 2;
constexpr int kExitCancelled = 130; // Ctrl+C during a run
// The layout of the objects --json prints: raised when a member changes meaning or goes away (new
// members may be added without it). Both commands' objects end with it and the program's version.
constexpr int kJsonSchemaVersion = 1;

// Why the text of --decimal-separator cannot be one ("" for "." and ",").
std::string separatorProblem(const std::string& text);

// The whole program with its arguments (without the program name); kept apart from main() so that
// tests run it in-process.
int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace kavo
