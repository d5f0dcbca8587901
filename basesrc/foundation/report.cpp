#include "basesrc/foundation/report.h"

#include <array>
#include <cstdio>
#include <memory>
#include <utility>

#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/memory.h"
#include "basesrc/foundation/texts.h"

namespace ostrada {
namespace {

constexpr size_t kReportBufferSize = 10240;
constexpr uint32_t kErrorTableEnd = 0xFFFF0000;

struct ErrorRow {
  uint32_t key;
  Txt text;
};

// Rows in the table's order; lookups take the first row with a key.
constexpr std::array<ErrorRow, 7> kErrorTable = {{
    {1, Txt::kErrorText1},
    {2, Txt::kErrorText2},
    {0, Txt::kErrorText0},
    {3, Txt::kErrorText3},
    {4, Txt::kErrorText4},
    {5, Txt::kErrorText5},
    {kErrorTableEnd, Txt::kErrorText0},
}};

// The innermost file being read, whose checks are its own.
thread_local FileReading* t_reading = nullptr;

}  // namespace

FileReading::FileReading(std::string path) : path_(std::move(path)), outer_(t_reading) {
  t_reading = this;
}

FileReading::~FileReading() {
  t_reading = outer_;
}

bool FileReading::Done(bool read) {
  const bool whole = read && !failed_;
  if (!whole && !told_) ShowMessage(TextWithPath(Txt::kFileDamaged, Utf8ToCp949(path_)));
  told_ = true;
  return whole;
}

const char* ApplicationTitle() {
  return "ostrada";
}

void ReportFailure(const char* module, int line, bool condition) {
  if (condition || module == nullptr || line < 1) return;
  if (t_reading != nullptr) {
    t_reading->failed_ = true;
    return;
  }
  std::unique_ptr<char, FreeMemDeleter> buffer(static_cast<char*>(AllocZeroed(kReportBufferSize)));
  if (!buffer) {
    ShowMessage(ErrorText(4), TextC(Txt::kCaptionError), kMbOk);
    return;
  }
  std::snprintf(buffer.get(), kReportBufferSize, TextC(Txt::kReportFormat), static_cast<unsigned>(line), module);
  ShowMessage(buffer.get(), TextC(Txt::kCaptionConfirm), kMbOk);
}

int ShowMessage(const char* text, const char* caption, unsigned style) {
  if (t_reading != nullptr) t_reading->told_ = true;
  UiSink& sink = CurrentUiSink();
  sink.Beep();
  return sink.ShowMessageBox(text ? text : Text(Txt::kDefaultMessage), caption ? caption : ApplicationTitle(), style);
}

int ShowMessage(const std::string& text, unsigned style) {
  return ShowMessage(text.c_str(), nullptr, style);
}

const char* ErrorText(uint32_t key) {
  for (const ErrorRow& row : kErrorTable) {
    if (row.key == kErrorTableEnd) break;
    if (row.key == key) return TextC(row.text);
  }
  return nullptr;
}

}  // namespace ostrada
