#include "bench/validate/validator.h"

#include <algorithm>
#include <iomanip>
#include <random>
#include <sstream>

#include "bench/host/module_library.h"
#include "bench/validate/check.h"
#include "bench/validate/child.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace bench::validate {

namespace {

// A check is picked by its name or by its group, the part before the dot.
bool Picked(const Check& check, const Options& options) {
  if (check.level > options.level) return false;
  if (options.only.empty()) return true;
  const std::string_view name = check.name;
  for (const std::string& wanted : options.only) {
    if (name == wanted || (name.starts_with(wanted) && name.size() > wanted.size() &&
                           name[wanted.size()] == '.')) {
      return true;
    }
  }
  return false;
}

// The line of a sanitizer's report that says what it found.
std::string SanitizerFinding(const std::vector<std::string>& errors) {
  for (const std::string& line : errors) {
    if (line.find("runtime error:") != std::string::npos) return line;
  }
  for (const std::string& line : errors) {
    if (line.rfind("SUMMARY: ", 0) == 0) return line.substr(9);
  }
  for (const std::string& line : errors) {
    if (line.find("ERROR: ") != std::string::npos) return line;
  }
  return {};
}

std::string Pad(const std::string& text, size_t width) {
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

}  // namespace

std::filesystem::path ResolveModule(const std::string& word,
                                    const std::filesystem::path& modulesDir) {
  const std::filesystem::path path(word);
  const bool looksLikePath = word.find('/') != std::string::npos ||
                             word.find('\\') != std::string::npos || path.has_extension();
  if (looksLikePath || std::filesystem::is_regular_file(path)) return path;
  return modulesDir / ModuleLibrary::FileName(word);
}

void ListChecks(std::ostream& out) {
  for (const Check& check : Checks()) {
    out << check.name << " (level " << static_cast<int>(check.level) << "): " << check.description
        << "\n";
  }
}

int RunChildCheck(const std::string& checkName, const std::string& moduleFile, uint64_t seed,
                  int steps, bool trace) {
  const Check* check = FindCheck(checkName);
  if (check == nullptr) return kUsageError;
#if defined(_WIN32)
  _setmode(1, _O_BINARY);
#endif
  ChildJob job{check, moduleFile, std::filesystem::path(moduleFile).stem().string(), seed, steps,
               trace, 0};
  LineReport report(1);
  RunCheckHere(job, report);
  report.Done();
  return 0;
}

int Validate(const Options& options, std::ostream& out, std::ostream& err) {
  std::vector<const Check*> checks;
  for (const Check& check : Checks()) {
    if (Picked(check, options)) checks.push_back(&check);
  }
  for (const std::string& wanted : options.only) {
    Options one;
    one.only = {wanted};
    if (std::none_of(Checks().begin(), Checks().end(),
                     [&](const Check& c) { return Picked(c, one); })) {
      err << "gaugebench validate: there is no check " << wanted
          << " (see gaugebench validate --list)\n";
      return kUsageError;
    }
  }
  if (checks.empty()) {
    err << "gaugebench validate: no check is picked at level " << options.level << "\n";
    return kUsageError;
  }

  // One seed for the whole run; every check takes its randomness from it.
  const uint64_t seed = options.seed ? *options.seed : std::random_device()() * 4294967296ull +
                                                           std::random_device()();
  std::vector<std::pair<std::string, std::filesystem::path>> modules;
  for (const std::string& word : options.modules) {
    const std::filesystem::path file = ResolveModule(word, options.modulesDir);
    if (!std::filesystem::is_regular_file(file)) {
      err << "gaugebench validate: no module file " << file.string();
      if (file.string() != word) err << " (for " << word << ")";
      err << "\n";
      return kUsageError;
    }
    modules.emplace_back(file.stem().string(), file);
  }

  size_t nameWidth = 0, gaugeWidth = 0;
  for (const Check* check : checks) nameWidth = std::max(nameWidth, std::string(check->name).size());
  for (const auto& module : modules) gaugeWidth = std::max(gaugeWidth, module.first.size());

  int status = kAllPassed;
  for (const auto& [gauge, file] : modules) {
    int passed = 0, failed = 0, skipped = 0;
    for (const Check* check : checks) {
      ChildJob job{check, file.string(), gauge, seed, options.steps, options.trace,
                   options.timeoutSeconds};
      if (options.trace) out << "trace of " << check->name << " on " << gauge << ":\n";
      Outcome outcome = RunInChild(job, [&](std::string_view line) { out << line << "\n"; });

      const std::string head = Pad(check->name, nameWidth + 1) + Pad(gauge, gaugeWidth + 1);
      std::vector<std::string> faults = outcome.failures;
      if (!outcome.ending.empty()) {
        std::string what = "the check's process " + outcome.ending;
        if (!outcome.done && !outcome.lastStep.empty()) what += " at " + outcome.lastStep;
        const std::string finding = SanitizerFinding(outcome.errors);
        if (!finding.empty()) what += ": " + finding;
        faults.push_back(what);
      }
      if (!faults.empty()) {
        ++failed;
        status = kSomeFailed;
        out << head << "FAIL (seed " << seed << "): " << faults[0] << "\n";
        for (size_t i = 1; i < faults.size(); ++i) out << "    also: " << faults[i] << "\n";
        // What a crashed or sanitized child printed, for the whole story.
        if (!outcome.ending.empty()) {
          for (const std::string& line : outcome.errors) out << "    | " << line << "\n";
        }
      } else if (!outcome.skip.empty()) {
        ++skipped;
        if (!options.onlyFailed) out << head << "SKIP: " << outcome.skip << "\n";
      } else {
        ++passed;
        if (!options.onlyFailed) out << head << "PASS\n";
      }
      out.flush();
    }
    out << gauge << ": " << passed << " passed, " << failed << " failed, " << skipped
        << " skipped (seed " << seed << ")\n";
  }
  return status;
}

}  // namespace bench::validate
