#pragma once
// Runs the ostrada-cli of the same build (<build>/tools/ostrada-cli beside <build>/tests/test_*) and
// captures what it prints.
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>

namespace ostrada::testing {

inline std::string CliPath() {
  char self[PATH_MAX] = {};
  const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return {};
  std::string path(self, static_cast<size_t>(length));
  path = path.substr(0, path.rfind('/'));
  return path.substr(0, path.rfind('/')) + "/tools/ostrada-cli";
}

struct CliRun {
  int exitCode = -1;
  std::string output;  // stdout and stderr together
};

// REQUIRES: arguments are already quoted for the shell where needed. With a folder, the program runs
// in it (its relative file names are the folder's). `shell` runs first in the same shell (limits, a
// trap) and `prefix` starts the program (another user).
inline CliRun RunCli(const std::string& arguments, const std::string& folder = {}, const std::string& shell = {},
                     const std::string& prefix = {}) {
  CliRun run;
  const std::string command = (folder.empty() ? std::string() : "cd '" + folder + "' && ") + shell + prefix +
                              CliPath() + " " + arguments + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, got);
  const int status = ::pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace ostrada::testing
