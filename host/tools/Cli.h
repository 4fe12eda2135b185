// Cli.h — the kinds of error the kavo5000 tool reports (a usage error, exit 2;
// a failure, exit 1, of which a failed line is one) and the exit codes.
#ifndef KAVO5000_TOOL_CLI_H
#define KAVO5000_TOOL_CLI_H

#include <stdexcept>
#include <string>

namespace kavo5000::tool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the command did not succeed
inline constexpr int kExitUsage = 2;    // the command line is wrong

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class ToolError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// A failure of the line itself (the port's transport), not of a controller:
// what comes after it on the same line would fail the same way.
class LineError : public ToolError {
 public:
  using ToolError::ToolError;
};

}  // namespace kavo5000::tool

#endif  // KAVO5000_TOOL_CLI_H
