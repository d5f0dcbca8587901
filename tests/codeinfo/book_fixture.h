#pragma once
// Shared pieces of the code-book tests: attribute blocks, small books, temporary files and the
// check of a reported failure.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "basesrc/codeinfo.h"
#include "basesrc/foundation/cp949.h"
#include "tests/support/file_bytes.h"
#include "tests/support/recording_sink.h"
#include "tests/support/scratch_folder.h"

namespace ostrada::testing {

inline CodeAttr Attr(char market, char class1 = '0', char class2 = '0', char class4 = '0', char class5 = '0') {
  CodeAttr a;
  CodeAttrInit(&a);
  a.market = market;
  a.class1 = class1;
  a.class2 = class2;
  a.class4 = class4;
  a.class5 = class5;
  return a;
}

inline std::string Cp(const char* utf8) {
  return Utf8ToCp949(utf8);
}

// The codes of a book in list order.
inline std::vector<std::string> Codes(const CodeInfoList& book) {
  std::vector<std::string> codes;
  for (const CodeInfo* s = book.First(); s != nullptr; s = s->next) codes.emplace_back(s->key.code);
  return codes;
}

class BookTest : public ::testing::Test {
 protected:
  // A file name in the test's own folder.
  std::string TempPath(const std::string& leaf) const { return folder_.File(leaf); }
  ostrada::testing::ScratchFolder folder_;

  // Every message so far is a failure report "[line] - <module...> 에서" captioned "확인"; at least one.
  void ExpectOnlyReports(const char* module) {
    ASSERT_FALSE(ui.sink.messages.empty());
    for (const RecordedMessage& m : ui.sink.messages) {
      EXPECT_EQ(m.CaptionUtf8(), "확인");
      const std::string text = m.Utf8();
      EXPECT_EQ(text.front(), '[') << text;
      const std::string tail = " 에서";
      EXPECT_NE(text.find(std::string("] - ") + module), std::string::npos) << text;
      EXPECT_TRUE(text.size() > tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0) << text;
    }
  }

  RecordingScope ui;
};

}  // namespace ostrada::testing
