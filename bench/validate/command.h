// The `validate` subcommand of gaugebench.
#pragma once

#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <string>

#include "bench/validate/validator.h"

namespace bench::validate {

class Command {
 public:
  Command(CLI::App& app, std::filesystem::path defaultModulesDir)
      : defaultModulesDir_(std::move(defaultModulesDir)) {
    command_ = app.add_subcommand(
        "validate",
        "Check gauge modules against the host contract; each check runs in a child process");
    command_->add_option("MODULE", options_.modules,
                         "A module file, or a gauge name looked up in the modules folder");
    command_->add_option("--modules", modulesDir_,
                         "Folder of the gauge modules (default: beside the bench)");
    seedOption_ = command_->add_option("--seed", seed_, "Replay the random choices of an earlier run");
    command_->add_option("--level", options_.level,
                         "Run the checks up to this strictness: 1 load, 2 contract, 3 stress")
        ->check(CLI::Range(1, 3));
    command_->add_option("--only", options_.only,
                         "Run only this check or group of checks (repeatable)")
        ->allow_extra_args(false);
    command_->add_flag("--only-failed", options_.onlyFailed, "Print only the checks that fail");
    command_->add_flag("--trace", options_.trace, "Show every host call the module makes");
    command_->add_option("--steps", options_.steps, "Steps of each random run")
        ->check(CLI::Range(1, 10000000));
    command_->add_option("--timeout", options_.timeoutSeconds,
                         "Seconds a check may run before it counts as hung")
        ->check(CLI::Range(1, 86400));
    command_->add_flag("--list", list_, "List the checks and exit");
    // The child side of a check where there is no fork: not for users.
    command_->add_option("--child", child_)->group("");
  }

  explicit operator bool() const { return command_->parsed(); }

  int Run() {
    if (!child_.empty()) {
      if (options_.modules.size() != 1) return kUsageError;
      return RunChildCheck(child_, options_.modules[0], seed_, options_.steps,
                           options_.trace);
    }
    if (list_) {
      ListChecks(std::cout);
      return kAllPassed;
    }
    if (options_.modules.empty()) {
      std::cerr << "gaugebench validate: name at least one module\n";
      return kUsageError;
    }
    options_.modulesDir = modulesDir_.empty() ? defaultModulesDir_ : modulesDir_;
    if (seedOption_->count() > 0) options_.seed = seed_;
    return Validate(options_, std::cout, std::cerr);
  }

 private:
  CLI::App* command_;
  std::filesystem::path defaultModulesDir_;
  std::filesystem::path modulesDir_;
  Options options_;
  CLI::Option* seedOption_;
  uint64_t seed_ = 0;
  std::string child_;
  bool list_ = false;
};

}  // namespace bench::validate
