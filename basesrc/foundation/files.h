#pragma once
// Thin helpers over POSIX descriptors; -1 is the invalid handle. A missing path or buffer, or the
// handle -1, is reported and the call is still passed to the system, which fails.
#include <cstdint>
#include <string>

namespace ostrada {

using FileHandle = int;
constexpr FileHandle kInvalidHandle = -1;

enum FileOrigin : int { kSeekSet = 0, kSeekCur = 1, kSeekEnd = 2 };

FileHandle FileOpen(const char* path, int mode);         // mode 0: read only
FileHandle FileCreate(const char* path, int attribute);  // creates or truncates; attribute 0: normal
void FileClose(FileHandle handle);
int32_t FileRead(FileHandle handle, void* buffer, int32_t count);
int32_t FileWrite(FileHandle handle, const void* buffer, int32_t count);
int32_t FileSeek(FileHandle handle, int32_t offset, int origin);
int FileExists(const char* path);
// The current position and the file's size, with the position left where it was: where a reader
// starts and how much it may read. False when the system cannot tell them or the position lies
// past the end; nothing is reported, the reader reports at its own check.
bool FileSpan(FileHandle handle, int32_t* position, int32_t* size);

// Closes the handle when it goes out of scope.
class FileCloser {
 public:
  explicit FileCloser(FileHandle handle) : handle_(handle) {}
  ~FileCloser() {
    if (handle_ != kInvalidHandle) FileClose(handle_);
  }
  FileCloser(const FileCloser&) = delete;
  FileCloser& operator=(const FileCloser&) = delete;
  FileHandle get() const { return handle_; }

 private:
  FileHandle handle_;
};

// Opens the file to read it. A file that is not there or may not be read is told to the user, naming
// it and what to do (a wrong name typed is no failed check); the caller only passes the failure up.
FileHandle FileOpenToRead(const char* path);

// A file written whole or not at all. The bytes go to a new file beside the path (beside a symbolic
// link's target, so the link stays), and Commit() puts it in the path's place only after every write
// and its close succeeded: a save that fails half-way (a full disk) leaves the file that was there as
// it was. A path that is not a regular file (a device, a pipe), or one beside which no new file can be
// made, is written in place, as FileCreate does; a file that may not be written is refused, as
// FileCreate refuses it. A file that cannot be made at all is told to the user, naming it and what to
// do; the caller only passes the failure up.
class ReplacingFile {
 public:
  explicit ReplacingFile(const char* path);
  ~ReplacingFile();  // without a Commit the new bytes are removed
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  FileHandle get() const { return handle_; }  // kInvalidHandle when nothing could be created
  // 1 when the path now holds what was written; 0 after reporting the close or the replacement
  // that failed (the previous file stays).
  int Commit();

 private:
  void Open(const char* path);

  std::string path_;       // the file Commit replaces
  std::string temporary_;  // the new bytes until Commit; empty when written in place
  FileHandle handle_ = kInvalidHandle;
};

// The bytes as the whole file at the path, or the previous file left as it was; 0 when the file could
// not be created (told), written (nothing reported) or put in place (reported by Commit).
int ReplaceFileWith(const char* path, const std::string& bytes);

}  // namespace ostrada
