#pragma once
// A UiSink that records every message, beep and wait cursor and answers from a queue, so tests
// check exactly what the user would have seen and never block on a box.
#include <deque>
#include <string>
#include <vector>

#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/uisink.h"

namespace ostrada::testing {

struct RecordedMessage {
  std::string text;     // CP949
  std::string caption;  // CP949
  unsigned style;
  std::string Utf8() const { return Cp949ToUtf8(text); }
  std::string CaptionUtf8() const { return Cp949ToUtf8(caption); }
};

class RecordingSink : public UiSink {
 public:
  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned style) override {
    messages.push_back({text, caption, style});
    if (!answers.empty()) {
      int answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return (style & kMbYesNo) == kMbYesNo ? kIdYes : kIdOk;
  }
  void Beep() override { ++beeps; }
  void BeginWaitCursor() override {
    ++waitDepth;
    ++waitCursors;
  }
  void EndWaitCursor() override { --waitDepth; }

  // The UTF-8 texts of the messages shown so far.
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& m : messages) texts.push_back(m.Utf8());
    return texts;
  }
  void Clear() {
    messages.clear();
    beeps = 0;
    waitCursors = 0;
  }

  std::vector<RecordedMessage> messages;
  std::deque<int> answers;
  int beeps = 0;
  int waitCursors = 0;
  int waitDepth = 0;
};

// Installs a fresh RecordingSink for the lifetime of a test fixture.
class RecordingScope {
 public:
  RecordingScope() : scope_(sink) {}
  RecordingSink sink;

 private:
  ScopedUiSink scope_;
};

}  // namespace ostrada::testing
