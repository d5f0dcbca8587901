#pragma once
// The one road by which the core reaches the person at the screen: message boxes, beeps and the wait
// cursor. The GUI installs message boxes, the CLI a stderr printer, tests a recorder, so no core code
// ever blocks on a modal box it cannot see.
#include <string>

namespace ostrada {

// Message-box styles and answers, with the values the windows' message boxes use.
enum MessageStyle : unsigned {
  kMbOk = 0x0,
  kMbOkCancel = 0x1,
  kMbYesNo = 0x4,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconWarning = 0x30,
  kMbIconInformation = 0x40,
};
enum MessageAnswer : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

class UiSink {
 public:
  virtual ~UiSink() = default;
  // Text and caption are CP949 bytes; the sink converts them for its own medium.
  virtual int ShowMessageBox(const std::string& text, const std::string& caption, unsigned style) = 0;
  virtual void Beep() = 0;
  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;
};

// The sink in force. Before anything is installed it is a stderr printer that answers OK.
UiSink& CurrentUiSink();

// Installs a sink for its own lifetime and puts the previous one back after, so nothing leaks between
// tests or between a dialog and its caller.
class ScopedUiSink {
 public:
  explicit ScopedUiSink(UiSink& sink);
  ~ScopedUiSink();
  ScopedUiSink(const ScopedUiSink&) = delete;
  ScopedUiSink& operator=(const ScopedUiSink&) = delete;

 private:
  UiSink* previous_;
};

// Prints messages to stderr as UTF-8 lines "caption: text"; beeps and the wait cursor do nothing.
class StderrSink : public UiSink {
 public:
  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned style) override;
  void Beep() override {}
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
};

// Shows the wait cursor for the scope of a blocking server request.
class WaitCursor {
 public:
  WaitCursor() { CurrentUiSink().BeginWaitCursor(); }
  ~WaitCursor() { CurrentUiSink().EndWaitCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace ostrada
