#pragma once
// Thin helpers over POSIX descriptors; -1 is the invalid handle. A missing path or buffer, or the
// handle -1, is reported and the call is still passed to the system, which fails.
#include <cstdint>

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

}  // namespace ostrada
