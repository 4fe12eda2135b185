// Cli.h — the kavo5000 tool's command line: options anywhere after the
// program name, positional arguments in order, and the two kinds of error the
// tool reports (a usage error, exit 2; a failure, exit 1).
#ifndef KAVO5000_TOOL_CLI_H
#define KAVO5000_TOOL_CLI_H

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

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

struct OptionSpec {
  const char* name;   // without the leading dashes
  const char* value;  // what the value is called, or nullptr for a flag
  const char* help;
};

struct Args {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;
  std::set<std::string> flags;

  bool Flag(const std::string& name) const { return flags.count(name) != 0; }
  std::optional<std::string> Value(const std::string& name) const;
  bool Given(const std::string& name) const { return Flag(name) || values.count(name) != 0; }
};

// Throws UsageError for an unknown option or a missing value.
Args ParseArgs(const std::vector<std::string>& argv, const std::vector<OptionSpec>& known);

// Numbers from the command line; each throws UsageError naming `what`.
long long ToInteger(const std::string& text, const std::string& what, long long min, long long max);
double ToAmount(const std::string& text, const std::string& what);

}  // namespace kavo5000::tool

#endif  // KAVO5000_TOOL_CLI_H
