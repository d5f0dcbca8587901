#pragma once
// Finding stocks as a user types: the names of a code book decoded from CP949 once, with the initial
// consonant of every Hangul syllable beside them, so that one typed text matches three ways:
//   - as a part of the name (Latin letters in either case and width): "영기" finds 삼영기계, "ｓｋ"
//     finds SK하이닉스;
//   - by initial consonants, each typed jamo standing for any syllable that begins with it, freely
//     mixed with whole syllables: "ㅅㅇㄱㄱ" and "삼ㅇㄱ" find 삼영기계;
//   - a text of digits (of either width) also as a part of the code: "0059" finds 005930.
#include <string>
#include <string_view>
#include <vector>

namespace ostrada {

class CodeInfoList;

// The initial consonant of a precomposed syllable as a compatibility jamo (ㄱ U+3131 ... ㅎ U+314E);
// any other character unchanged.
char32_t InitialConsonant(char32_t c);
// UTF-8 to code points; a malformed byte becomes U+FFFD.
std::u32string DecodeUtf8(std::string_view utf8);

class CodeSearchIndex {
 public:
  // Reads the book's stocks in list order; the book may be null (nothing is ever found).
  explicit CodeSearchIndex(const CodeInfoList* book);

  // The 0-based list positions of the stocks that match the UTF-8 text, in list order; every stock
  // for an empty text.
  std::vector<int> Find(std::string_view utf8Text) const;
  int Count() const { return static_cast<int>(entries_.size()); }

 private:
  struct Entry {
    std::u32string name;      // full-width forms folded to ASCII, ASCII letters to lower case
    std::u32string initials;  // the name with each syllable replaced by its initial consonant
    std::string code;
  };
  static bool Matches(const Entry& entry, const std::u32string& typed);

  std::vector<Entry> entries_;
};

}  // namespace ostrada
