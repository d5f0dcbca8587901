#include "basesrc/foundation/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/foundation";

// Open modes as the callers pass them: 0 read, 1 write, 2 read and write.
int OpenFlags(int mode) {
  switch (mode) {
    case 1:
      return O_WRONLY;
    case 2:
      return O_RDWR;
    default:
      return O_RDONLY;
  }
}

constexpr int kAttributeReadOnly = 0x1;

}  // namespace

// A missing path or buffer is reported and the call then fails as the system call would (-1);
// handing a null pointer to the kernel is not worth the risk of depending on EFAULT.
FileHandle FileOpen(const char* path, int mode) {
  if (!OSTRADA_VERIFY(path != nullptr)) return kInvalidHandle;
  int handle;
  do {
    handle = ::open(path, OpenFlags(mode) | O_CLOEXEC);
  } while (handle < 0 && errno == EINTR);
  return handle < 0 ? kInvalidHandle : handle;
}

FileHandle FileCreate(const char* path, int attribute) {
  if (!OSTRADA_VERIFY(path != nullptr)) return kInvalidHandle;
  const mode_t permissions = (attribute & kAttributeReadOnly) ? 0444 : 0666;
  int handle;
  do {
    handle = ::open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, permissions);
  } while (handle < 0 && errno == EINTR);
  return handle < 0 ? kInvalidHandle : handle;
}

void FileClose(FileHandle handle) {
  OSTRADA_VERIFY(handle != kInvalidHandle);
  ::close(handle);
}

// Reads until `count` bytes or the end of the file, so a short count always means the end.
int32_t FileRead(FileHandle handle, void* buffer, int32_t count) {
  const bool handleOk = OSTRADA_VERIFY(handle != kInvalidHandle);
  if (!OSTRADA_VERIFY(buffer != nullptr && count >= 0) || !handleOk) return -1;
  char* bytes = static_cast<char*>(buffer);
  int32_t done = 0;
  while (done < count) {
    const ssize_t got = ::read(handle, bytes + done, static_cast<size_t>(count - done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<int32_t>(got);
  }
  return done;
}

int32_t FileWrite(FileHandle handle, const void* buffer, int32_t count) {
  const bool handleOk = OSTRADA_VERIFY(handle != kInvalidHandle);
  if (!OSTRADA_VERIFY(buffer != nullptr && count >= 0) || !handleOk) return -1;
  const char* bytes = static_cast<const char*>(buffer);
  int32_t done = 0;
  while (done < count) {
    const ssize_t put = ::write(handle, bytes + done, static_cast<size_t>(count - done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return -1;
    done += static_cast<int32_t>(put);
  }
  return done;
}

bool FileSpan(FileHandle handle, int32_t* position, int32_t* size) {
  *position = FileSeek(handle, 0, kSeekCur);
  *size = FileSeek(handle, 0, kSeekEnd);
  return *position >= 0 && *size >= *position && FileSeek(handle, *position, kSeekSet) == *position;
}

int32_t FileSeek(FileHandle handle, int32_t offset, int origin) {
  OSTRADA_VERIFY(handle != kInvalidHandle);
  const int whence = origin == kSeekCur ? SEEK_CUR : (origin == kSeekEnd ? SEEK_END : SEEK_SET);
  const off_t position = ::lseek(handle, offset, whence);
  // Positions past what 32 bits hold cannot be told to the caller.
  if (position < 0 || position > INT32_MAX) return -1;
  return static_cast<int32_t>(position);
}

int FileExists(const char* path) {
  if (!OSTRADA_VERIFY(path != nullptr)) return 0;
  const FileHandle handle = FileOpen(path, 0);
  if (handle == kInvalidHandle) return 0;
  struct stat info {};
  const bool regular = ::fstat(handle, &info) == 0 && S_ISREG(info.st_mode);
  FileClose(handle);
  return regular ? 1 : 0;
}

FileHandle FileOpenToRead(const char* path) {
  if (!OSTRADA_VERIFY(path != nullptr)) return kInvalidHandle;
  const FileHandle handle = FileOpen(path, 0);
  if (handle == kInvalidHandle) ShowMessage(TextWithPath(Txt::kFileCannotOpen, Utf8ToCp949(path)));
  return handle;
}

ReplacingFile::ReplacingFile(const char* path) {
  if (!OSTRADA_VERIFY(path != nullptr)) return;
  Open(path);
  // A missing folder or one that may not be written is the user's to mend, not a failed check.
  // The system's names are UTF-8; the message is CP949 like every text.
  if (handle_ == kInvalidHandle) ShowMessage(TextWithPath(Txt::kFileCannotCreate, Utf8ToCp949(path)));
}

void ReplacingFile::Open(const char* path) {
  struct stat target {};
  const bool exists = ::stat(path, &target) == 0;
  if (exists && !S_ISREG(target.st_mode)) {
    handle_ = FileCreate(path, 0);
    return;
  }
  if (exists && ::access(path, W_OK) != 0) return;
  path_ = path;
  char resolved[PATH_MAX];
  if (exists && ::realpath(path, resolved) != nullptr) path_ = resolved;
  std::string pattern = path_ + ".XXXXXX";
  int handle;
  do {
    handle = ::mkostemp(pattern.data(), O_CLOEXEC);
  } while (handle < 0 && errno == EINTR);
  if (handle < 0) {
    // No new file can stand beside it (a folder that takes no new names): written in place, as before.
    path_.clear();
    handle_ = FileCreate(path, 0);
    return;
  }
  // The file keeps its permissions; a new one gets what FileCreate would give it.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(handle, exists ? (target.st_mode & 07777) : (0666 & ~mask));
  temporary_ = pattern;
  handle_ = handle;
}

ReplacingFile::~ReplacingFile() {
  if (handle_ != kInvalidHandle) ::close(handle_);
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

int ReplacingFile::Commit() {
  if (!OSTRADA_VERIFY(handle_ != kInvalidHandle)) return 0;
  const int closed = ::close(handle_);
  handle_ = kInvalidHandle;
  if (!OSTRADA_VERIFY(closed == 0)) return 0;
  if (temporary_.empty()) return 1;
  if (!OSTRADA_VERIFY(::rename(temporary_.c_str(), path_.c_str()) == 0)) return 0;
  temporary_.clear();
  return 1;
}

int ReplaceFileWith(const char* path, const std::string& bytes) {
  ReplacingFile file(path);
  if (file.get() == kInvalidHandle || bytes.size() > static_cast<size_t>(INT32_MAX)) return 0;
  const auto size = static_cast<int32_t>(bytes.size());
  return FileWrite(file.get(), bytes.data(), size) == size ? file.Commit() : 0;
}

}  // namespace ostrada
