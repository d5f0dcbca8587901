#pragma once
// The folder in which the system writes its own files, with "/" separators and a trailing "/":
// OSTRADA_DATA_DIR when set (created on demand); else the program's folder when writable; else
// $XDG_DATA_HOME/ostrada (default ~/.local/share/ostrada), created on demand. On failure the check
// is reported, "프로그램 로직 오류" is shown and the result is empty.
#include <string>

namespace ostrada {

// Records the program's path (argv[0] or /proc/self/exe; links are resolved); call once at start.
// A path without "/" falls back to /proc/self/exe.
void SetProgramPath(const std::string& path);
std::string DataFolder();
// The data folder plus the program's file name with its extension (if any) replaced by "ini",
// e.g. ".../ostrada.ini".
std::string SettingsFileName();

// The path up to and including its last "/"; empty after the logic-error message when it has none.
std::string FolderOfPath(const std::string& path);
// The path's file name with its extension replaced by "ini"; empty after the logic-error message
// when the path has no "/" or no name.
std::string SettingsNameOfPath(const std::string& path);

}  // namespace ostrada
