// Cli.cpp — parsing the tool's command line.
#include "Cli.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace kavo5000::tool {

std::optional<std::string> Args::Value(const std::string& name) const {
  const auto it = values.find(name);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

Args ParseArgs(const std::vector<std::string>& argv, const std::vector<OptionSpec>& known) {
  Args args;
  for (std::size_t i = 0; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    if (a.size() < 3 || a.compare(0, 2, "--") != 0) {
      args.positional.push_back(a);
      continue;
    }
    std::string name = a.substr(2);
    std::optional<std::string> inlineValue;
    if (const auto eq = name.find('='); eq != std::string::npos) {
      inlineValue = name.substr(eq + 1);
      name = name.substr(0, eq);
    }
    const OptionSpec* spec = nullptr;
    for (const OptionSpec& o : known) {
      if (name == o.name) spec = &o;
    }
    if (spec == nullptr) throw UsageError("unknown option --" + name);
    if (spec->value == nullptr) {
      if (inlineValue) throw UsageError("--" + name + " takes no value");
      args.flags.insert(name);
      continue;
    }
    if (inlineValue) {
      args.values[name] = *inlineValue;
    } else if (i + 1 < argv.size()) {
      args.values[name] = argv[++i];
    } else {
      throw UsageError("--" + name + " needs a value (" + spec->value + ")");
    }
  }
  return args;
}

long long ToInteger(const std::string& text, const std::string& what, long long min,
                    long long max) {
  long long value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < min || value > max) {
    throw UsageError(what + " must be a whole number from " + std::to_string(min) + " to " +
                     std::to_string(max) + ", not \"" + text + "\"");
  }
  return value;
}

double ToAmount(const std::string& text, const std::string& what) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value)) {
    throw UsageError(what + " must be a number, not \"" + text + "\"");
  }
  return value;
}

}  // namespace kavo5000::tool
