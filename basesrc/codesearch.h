#pragma once
// Finding stocks as a user types: the names of a code book decoded from CP949 once, with the initial
// consonant of every Hangul syllable beside them, so that one typed text matches three ways:
//   - as a part of the name (Latin letters in either case and width): "영기" finds 삼영기계, "ｓｋ"
//     finds SK하이닉스;
//   - by initial consonants, each typed jamo standing for any syllable that begins with it, freely
//     mixed with whole syllables: "ㅅㅇㄱㄱ" and "삼ㅇㄱ" find 삼영기계;
//   - a text of digits (of either width) also as a part of the code: "0059" finds 005930.
// Names that begin with the typed text come first, so "ㅅㅅ" puts 삼성전자 before 대한삼성.
// What a whole typed text names (a code, a listed name) is decided here too, once for every stock box.
#include <string>
#include <string_view>
#include <vector>

namespace ostrada {

class CodeInfoList;
struct CodeInfo;

// The initial consonant of a precomposed syllable as a compatibility jamo (ㄱ U+3131 ... ㅎ U+314E);
// any other character unchanged.
char32_t InitialConsonant(char32_t c);
// UTF-8 to code points; a malformed byte becomes U+FFFD.
std::u32string DecodeUtf8(std::string_view utf8);

// The code a user means by a text typed where a stock code is asked for: the six digits alone stand for
// the code the book keeps behind its letter ("725440" is A725440), and a letter is taken in either
// case ("a725440"). Any other text comes back trimmed and otherwise as typed.
std::string StockCodeFromTyped(std::string_view typed);

// The stock a text typed in a stock box names (CP949): its code, as above or exactly as the book keeps
// it, or its whole name, letter case and width ignored. Null for anything else, a part of a name included; a null book names none.
const CodeInfo* FindTypedStock(const CodeInfoList* book, std::string_view typed);

class CodeSearchIndex {
 public:
  // Reads the book's stocks in list order; the book may be null (nothing is ever found).
  explicit CodeSearchIndex(const CodeInfoList* book);

  // The 0-based list positions of the stocks that match the UTF-8 text: first those whose name (or
  // code, for digits) begins with it, then the others, each in list order; every stock for an empty
  // text.
  std::vector<int> Find(std::string_view utf8Text) const;
  int Count() const { return static_cast<int>(entries_.size()); }

 private:
  struct Entry {
    std::u32string name;      // full-width forms folded to ASCII, ASCII letters to lower case
    std::u32string initials;  // the name with each syllable replaced by its initial consonant
    std::string code;
  };
  // 0 when the entry begins with the typed text, 1 when it holds it further on, -1 when it does not.
  static int Match(const Entry& entry, const std::u32string& typed);

  std::vector<Entry> entries_;
};

}  // namespace ostrada
