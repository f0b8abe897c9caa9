// Runs a program to its end for process-level tests: no shell, a chosen
// environment, standard output and error captured.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

struct TChildResult {
  bool exited = false;  // false: killed by a signal, or not started
  int exitCode = -1;
  std::string out;
  std::string err;
};

// The current environment with `changes` applied: a value sets the variable,
// nullopt removes it.
std::vector<std::string> EnvironmentWith(
    const std::map<std::string, std::optional<std::string>>& changes);

// Runs argv[0] (a full path) with `argv` and `environment`, output captured
// through files in `scratch`, and waits for it.
TChildResult RunChild(const std::vector<std::string>& argv,
                      const std::vector<std::string>& environment,
                      const std::filesystem::path& scratch);

}  // namespace testing_support
