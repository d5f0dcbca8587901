#pragma once
// The folder in which the system writes its own files, with "/" separators and a trailing "/":
// OSTRADA_DATA_DIR when set; else the program's folder when writable; else $XDG_DATA_HOME/ostrada
// (default ~/.local/share/ostrada), created on demand. Empty after "프로그램 로직 오류" on failure.
#include <string>

namespace ostrada {

// Records the program's path (argv[0] or /proc/self/exe); call once at start.
void SetProgramPath(const std::string& path);
std::string DataFolder();
// The program path with its extension replaced by "ini" (the program name + ".ini" when it has none).
std::string SettingsFileName();

}  // namespace ostrada
