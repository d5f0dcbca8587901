#pragma once
// The check point of every module and the one message-box helper.
//
// Each source file names itself once:   static constexpr char kModule[] = "basesrc/codeinfo";
// and checks with                        if (!OSTRADA_VERIFY(book != nullptr)) return 0;
// A failed check shows "[line] - module 에서" captioned "확인"; the caller returns failure upward
// and does not report the same failure again.
#include <cstdint>
#include <string>

#include "basesrc/foundation/uisink.h"

namespace ostrada {

void ReportFailure(const char* module, int line, bool condition);

// Beeps, then shows the text (CP949; "오류" when null) with the caption (the application title
// "ostrada" when null) and style; returns the box's answer.
int ShowMessage(const char* text, const char* caption, unsigned style = kMbOk);
int ShowMessage(const std::string& text, unsigned style = kMbOk);

// The application title used as the default caption.
const char* ApplicationTitle();

// Error-text table lookup: the CP949 text of the first row with the key, or null.
const char* ErrorText(uint32_t key);

// For its lifetime, the reading of a file the user named (its path as the file system has it): a check that fails meanwhile is
// the file's fault, not the program's, so it shows no internal-check box; Done tells a failed reading
// once, naming the file and what to do, unless a message was shown meanwhile (the file cannot be opened).
class FileReading {
 public:
  explicit FileReading(std::string path);
  ~FileReading();
  FileReading(const FileReading&) = delete;
  FileReading& operator=(const FileReading&) = delete;

  // The reading's result (false also when a check failed), told when it failed.
  bool Done(bool read);

 private:
  friend void ReportFailure(const char* module, int line, bool condition);
  friend int ShowMessage(const char* text, const char* caption, unsigned style);
  std::string path_;
  FileReading* outer_;
  bool failed_ = false;
  bool told_ = false;
};

}  // namespace ostrada

// Evaluates the condition once, reports it when false, and yields it as a bool. A check that holds
// costs no call, so checks can stay in loops over thousands of records.
#define OSTRADA_VERIFY(condition)                                         \
  ([&]() -> bool {                                                        \
    const bool ostrada_ok_ = static_cast<bool>(condition);                \
    if (!ostrada_ok_) ::ostrada::ReportFailure(kModule, __LINE__, false); \
    return ostrada_ok_;                                                   \
  }())
