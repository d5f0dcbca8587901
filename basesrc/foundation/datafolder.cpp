#include "basesrc/foundation/datafolder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/foundation";

std::string& RecordedProgramPath() {
  static std::string path;
  return path;
}

// The program's own path, symbolic links (such as /proc/self/exe) resolved.
std::string ProgramPath() {
  std::string path = RecordedProgramPath();
  if (path.find('/') == std::string::npos) path = "/proc/self/exe";
  std::error_code error;
  std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
  return error ? path : resolved.string();
}

std::string WithTrailingSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

bool EnsureFolder(const std::string& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return std::filesystem::is_directory(folder, error);
}

bool Writable(const std::string& folder) {
  return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

// $XDG_DATA_HOME/ostrada/, or ~/.local/share/ostrada/ when unset or not absolute.
std::string UserDataFolder() {
  std::string base = EnvironmentValue("XDG_DATA_HOME");
  if (base.empty() || base.front() != '/') {
    const std::string home = EnvironmentValue("HOME");
    if (home.empty()) return std::string();
    base = WithTrailingSlash(home) + ".local/share";
  }
  return WithTrailingSlash(base) + "ostrada/";
}

void ShowLogicError() {
  ShowMessage(TextC(Txt::kProgramLogicError), nullptr, kMbOk);
}

}  // namespace

void SetProgramPath(const std::string& path) {
  RecordedProgramPath() = path;
}

std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (!OSTRADA_VERIFY(slash != std::string::npos)) {
    ShowLogicError();
    return std::string();
  }
  return path.substr(0, slash + 1);
}

std::string SettingsNameOfPath(const std::string& path) {
  const std::string folder = FolderOfPath(path);
  if (folder.empty()) return folder;
  std::string name = path.substr(folder.size());
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  if (!OSTRADA_VERIFY(!name.empty())) {
    ShowLogicError();
    return std::string();
  }
  return name + ".ini";
}

std::string DataFolder() {
  const std::string chosen = EnvironmentValue("OSTRADA_DATA_DIR");
  if (!chosen.empty()) {
    const std::string folder = WithTrailingSlash(chosen);
    if (!OSTRADA_VERIFY(EnsureFolder(folder))) {
      ShowLogicError();
      return std::string();
    }
    return folder;
  }
  const std::string programFolder = FolderOfPath(ProgramPath());
  if (programFolder.empty()) return programFolder;
  if (Writable(programFolder)) return programFolder;
  const std::string userFolder = UserDataFolder();
  if (!OSTRADA_VERIFY(!userFolder.empty() && EnsureFolder(userFolder))) {
    ShowLogicError();
    return std::string();
  }
  return userFolder;
}

std::string SettingsFileName() {
  const std::string folder = DataFolder();
  if (folder.empty()) return folder;
  const std::string name = SettingsNameOfPath(ProgramPath());
  if (name.empty()) return name;
  return folder + name;
}

}  // namespace ostrada
