// ToolRun.h — running the kavo5000 tool as a technician would, one command
// per invocation, with its output (stdout and stderr together) and exit code.
#ifndef KAVO5000_TESTS_TOOLRUN_H
#define KAVO5000_TESTS_TOOLRUN_H

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace kavo5000::testing {

struct ToolRun {
  int exitCode = -1;
  std::string out;  // stdout and stderr together
};

inline ToolRun Tool(const std::string& args) {
  ToolRun r;
  const std::string command = std::string(KAVO5000_TOOL_PATH) + " " + args + " 2>&1";
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return r;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) r.out.append(buffer, n);
  const int status = pclose(p);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

}  // namespace kavo5000::testing

#endif  // KAVO5000_TESTS_TOOLRUN_H
