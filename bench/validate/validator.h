// `gaugebench validate`: runs the checks of check.h on gauge modules, each
// check in a child process of its own, and prints a line per check.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace bench::validate {

struct Options {
  std::vector<std::string> modules;      // files, or gauge names in modulesDir
  std::filesystem::path modulesDir;
  std::optional<uint64_t> seed;          // random when not given
  int level = 3;                         // run the checks up to this strictness
  std::vector<std::string> only;         // check names or groups ("stress"); all when empty
  bool onlyFailed = false;               // print failed checks only
  bool trace = false;                    // print the host calls of every check
  int steps = 3000;                      // length of the random runs
  int timeoutSeconds = 300;              // a check running longer has hung
};

// Exit statuses.
inline constexpr int kAllPassed = 0;
inline constexpr int kSomeFailed = 1;
inline constexpr int kUsageError = 2;

// Runs the checks; lines go to `out`, usage errors to `err`.
int Validate(const Options& options, std::ostream& out, std::ostream& err);

// Prints the checks with their levels and descriptions.
void ListChecks(std::ostream& out);

// The child side on platforms without fork: runs one check on one module
// file and writes its records to standard output.
int RunChildCheck(const std::string& check, const std::string& moduleFile, uint64_t seed,
                  int steps, bool trace);

// The module file that a command-line word names: a path, or a gauge name
// looked up in the modules folder.
std::filesystem::path ResolveModule(const std::string& word,
                                    const std::filesystem::path& modulesDir);

}  // namespace bench::validate
