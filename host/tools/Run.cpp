// Run.cpp — one run of the tool and one line of the shell: parse with the
// declared subcommands, make the session when a subcommand drives the module,
// run it, and turn every failure into one line on stderr with its exit code.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <thread>

#include "CommandLine.h"

#if defined(KAVO5000_HAVE_LIBEDIT)
#include <editline/readline.h>
#endif

namespace kavo5000::tool {

namespace {

constexpr const char* kProgram = "kavo5000";
constexpr const char* kPrompt = "kavo5000> ";

// Runs `body`, printing a failure as one line; the exit code.
template <class F>
int Reported(F&& body) {
  try {
    return body();
  } catch (const UsageError& e) {
    std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
    return kExitUsage;
  } catch (const ToolError& e) {
    std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
    return kExitFailure;
  } catch (const kavo5000::Exception& e) {
    std::fprintf(stderr, "%s: the driver says \"%s\"\n", kProgram, e.what());
    return kExitFailure;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
    return kExitFailure;
  }
}

// Parses; a usage error or a request for help ends here with its exit code.
std::optional<int> Parse(CLI::App& app, const std::vector<std::string>& args) {
  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    std::printf("%s", app.help().c_str());
    return kExitOk;
  } catch (const CLI::CallForAllHelp&) {
    std::printf("%s", app.help("", CLI::AppFormatMode::All).c_str());
    return kExitOk;
  } catch (const CLI::CallForVersion& e) {
    std::printf("%s\n", e.what());
    return kExitOk;
  } catch (const CLI::RequiredError& e) {
    // No subcommand matched: name the word that was meant as one.
    if (app.get_subcommands().empty()) {
      // The first word that is neither an option nor an option's value.
      auto word = args.begin();
      for (; word != args.end(); ++word) {
        if (word->empty() || (*word)[0] != '-') break;
        const CLI::Option* option = app.get_option_no_throw(*word);
        if (option != nullptr && option->get_expected_min() > 0 && std::next(word) != args.end()) {
          ++word;  // its value
        }
      }
      if (word == args.end()) {
        std::fprintf(stderr, "%s: no subcommand given (%s --help lists them)\n", kProgram,
                     kProgram);
      } else {
        std::fprintf(stderr, "%s: unknown subcommand \"%s\" (%s --help lists them)\n", kProgram,
                     word->c_str(), kProgram);
      }
      return kExitUsage;
    }
    std::fprintf(stderr, "%s: %s (%s --help)\n", kProgram, e.what(), kProgram);
    return kExitUsage;
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "%s: %s (%s --help)\n", kProgram, e.what(), kProgram);
    return kExitUsage;
  }
  return std::nullopt;
}

std::unique_ptr<CLI::App> MakeApp(Invocation& inv, bool inShell) {
  auto app = std::make_unique<CLI::App>(
      "Drives \"Каво 5000\" controllers through the Kavo5000 driver module, on a serial line, "
      "a TCP serial server or the built-in simulator.",
      kProgram);
  if (!inShell) app->set_version_flag("--version", std::string(kProgram) + " " + KAVO5000_VERSION);
  DeclareCommands(*app, inv, inShell);
  app->require_subcommand(1);
  return app;
}

// Splits a shell line into words; quotes keep blanks inside a word.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  char quote = 0;
  for (char c : line) {
    if (quote != 0) {
      if (c == quote) {
        quote = 0;
      } else {
        word += c;
      }
    } else if (c == '"' || c == '\'') {
      quote = c;
      inWord = true;
    } else if (c == ' ' || c == '\t') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

#if defined(KAVO5000_HAVE_LIBEDIT)
// The words the shell completes: its subcommands and its own two.
const std::vector<std::string>& CompletionWords() {
  static const std::vector<std::string> words = [] {
    std::vector<std::string> all = {"wait", "quit"};
    Invocation inv;
    const auto app = MakeApp(inv, true);
    for (const CLI::App* sub : app->get_subcommands({})) all.push_back(sub->get_name());
    return all;
  }();
  return words;
}

// Offers the subcommands that begin with what has been typed, one per call.
char* CompleteWord(const char* text, int state) {
  static std::size_t next = 0;
  if (state == 0) next = 0;
  const std::vector<std::string>& words = CompletionWords();
  const std::string typed(text);
  while (next < words.size()) {
    const std::string& word = words[next++];
    if (word.compare(0, typed.size(), typed) == 0) return strdup(word.c_str());
  }
  return nullptr;
}
#endif

// One line from the terminal (with editing and history) or a script.
bool ReadLine(bool terminal, std::string& line) {
#if defined(KAVO5000_HAVE_LIBEDIT)
  if (terminal) {
    rl_completion_entry_function = CompleteWord;
    char* text = readline(kPrompt);
    if (text == nullptr) return false;
    line = text;
    if (!line.empty()) add_history(text);
    std::free(text);
    return true;
  }
#else
  if (terminal) std::printf("%s", kPrompt);
#endif
  return static_cast<bool>(std::getline(std::cin, line));
}

constexpr const char* kWaitHelp =
    "wait SECONDS: pause the script (a delivery runs on meanwhile); SECONDS may have decimals\n";
constexpr const char* kQuitHelp = "quit (or exit): end the shell; so does the end of the input\n";

int ShellLine(Session& session, const std::vector<std::string>& words) {
  // The shell's own two words explain themselves like the subcommands.
  if (words[0] == "help" && words.size() == 2 && (words[1] == "wait" || words[1] == "quit")) {
    std::printf("%s", words[1] == "wait" ? kWaitHelp : kQuitHelp);
    return kExitOk;
  }
  if (words[0] == "wait") {
    if (words.size() != 2) throw UsageError("wait SECONDS");
    double seconds = 0;
    try {
      seconds = std::stod(words[1]);
    } catch (const std::exception&) {
      throw UsageError("wait SECONDS: a number of seconds");
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    return kExitOk;
  }
  Invocation inv;
  const auto app = MakeApp(inv, true);
  if (const auto parsed = Parse(*app, words)) return *parsed;
  if (inv.alone) return inv.alone();
  session.port().SetTraceContext(inv.global.command);
  return inv.withDriver(session);
}

}  // namespace

int Main(const std::vector<std::string>& given) {
  Invocation inv;
  const auto app = MakeApp(inv, false);
  // "--" ends the options before the subcommand ("kavo5000 --port X -- state
  // 1"); the parser would take the subcommand for a stray argument.
  std::vector<std::string> args = given;
  const auto dashes = std::find(args.begin(), args.end(), "--");
  if (dashes != args.end() && std::next(dashes) != args.end()) {
    const auto subcommands = app->get_subcommands({});
    const std::string& next = *std::next(dashes);
    if (std::any_of(subcommands.begin(), subcommands.end(),
                    [&next](const CLI::App* sub) { return sub->check_name(next); })) {
      args.erase(dashes);
    }
  }
  if (const auto parsed = Parse(*app, args)) return *parsed;
  return Reported([&] {
    if (inv.alone) return inv.alone();
    Session session(inv.global);
    return inv.withDriver(session);
  });
}

int RunShell(const GlobalOptions& options) {
  GlobalOptions shellOptions = options;
  shellOptions.command = "shell";
  Session session(shellOptions);
  const bool terminal = isatty(STDIN_FILENO) != 0;
  int failures = 0;
  std::string line;
  while (ReadLine(terminal, line)) {
    const std::vector<std::string> words = Words(line);
    if (words.empty() || words[0][0] == '#') continue;
    if (words[0] == "quit" || words[0] == "exit") break;
    if (!terminal) std::printf("> %s\n", line.c_str());
    const int code = Reported([&] { return ShellLine(session, words); });
    if (code != kExitOk) ++failures;
    std::fflush(stdout);
  }
  // A script learns from the exit code whether every line succeeded.
  return failures == 0 ? kExitOk : kExitFailure;
}

}  // namespace kavo5000::tool
