#include "basesrc/codesearch.h"

#include <algorithm>

#include "basesrc/codeinfo.h"
#include "basesrc/foundation/cp949.h"

namespace ostrada {
namespace {

constexpr char32_t kFirstSyllable = 0xAC00;
constexpr char32_t kLastSyllable = 0xD7A3;
// Syllables per initial consonant: 21 vowels × 28 finals.
constexpr char32_t kSyllablesPerInitial = 588;
// The 19 initial consonants in syllable order, as compatibility jamo:
// ㄱ ㄲ ㄴ ㄷ ㄸ ㄹ ㅁ ㅂ ㅃ ㅅ ㅆ ㅇ ㅈ ㅉ ㅊ ㅋ ㅌ ㅍ ㅎ.
constexpr char32_t kInitials[19] = {0x3131, 0x3132, 0x3134, 0x3137, 0x3138, 0x3139, 0x3141, 0x3142, 0x3143, 0x3145,
                                    0x3146, 0x3147, 0x3148, 0x3149, 0x314A, 0x314B, 0x314C, 0x314D, 0x314E};
constexpr char32_t kReplacement = 0xFFFD;

bool IsInitialJamo(char32_t c) {
  return std::find(std::begin(kInitials), std::end(kInitials), c) != std::end(kInitials);
}

// Full-width forms (U+FF01 to U+FF5E) stand for the ASCII characters they widen: a Korean input
// method left in full-width mode types ＳＫ for SK, and some listed names carry such letters.
constexpr char32_t kFirstFullWidth = 0xFF01;
constexpr char32_t kLastFullWidth = 0xFF5E;
constexpr char32_t kFullWidthOffset = 0xFEE0;

char32_t Fold(char32_t c) {
  if (c >= kFirstFullWidth && c <= kLastFullWidth) c -= kFullWidthOffset;
  return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c;
}

bool AllDigits(const std::u32string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char32_t c) { return c >= U'0' && c <= U'9'; });
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
    text.remove_suffix(1);
  return text;
}

// The name as the search compares it: decoded, full-width forms folded, ASCII in lower case.
std::u32string Folded(std::string_view cp949) {
  std::u32string text = DecodeUtf8(Cp949ToUtf8(std::string(cp949)));
  std::transform(text.begin(), text.end(), text.begin(), Fold);
  return text;
}

// The stock's code letter, which the book keeps before the six digits.
constexpr char kStockCodeLetter = 'A';
constexpr size_t kStockCodeDigits = 6;

}  // namespace

char32_t InitialConsonant(char32_t c) {
  if (c < kFirstSyllable || c > kLastSyllable) return c;
  return kInitials[(c - kFirstSyllable) / kSyllablesPerInitial];
}

std::u32string DecodeUtf8(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + static_cast<size_t>(length) > utf8.size()) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    bool valid = true;
    for (int k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + static_cast<size_t>(k)]);
      valid = valid && (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    out.push_back(valid ? c : kReplacement);
    i += valid ? static_cast<size_t>(length) : 1;
  }
  return out;
}

std::string StockCodeFromTyped(std::string_view typed) {
  const std::string_view text = Trimmed(typed);
  const bool sixDigits = text.size() == kStockCodeDigits && std::all_of(text.begin(), text.end(), IsDigit);
  if (sixDigits) return kStockCodeLetter + std::string(text);
  const bool lettered = text.size() == kStockCodeDigits + 1 && (text[0] == kStockCodeLetter || text[0] == 'a') &&
                        std::all_of(text.begin() + 1, text.end(), IsDigit);
  if (lettered) return kStockCodeLetter + std::string(text.substr(1));
  return std::string(text);
}

const CodeInfo* FindTypedStock(const CodeInfoList* book, std::string_view typed) {
  const std::string_view text = Trimmed(typed);
  if (book == nullptr || text.empty()) return nullptr;
  // A book may keep a code without its letter, or one that is no stock's six digits (an index's).
  for (const std::string& code : {StockCodeFromTyped(text), std::string(text)}) {
    if (const CodeInfo* stock = book->FindByCode(code.c_str())) return stock;
  }
  const std::u32string wanted = Folded(text);
  for (const CodeInfo* stock = book->First(); stock != nullptr; stock = stock->next) {
    if (stock->key.name != nullptr && Folded(stock->key.name.get()) == wanted) return stock;
  }
  return nullptr;
}

CodeSearchIndex::CodeSearchIndex(const CodeInfoList* book) {
  if (book == nullptr) return;
  entries_.reserve(static_cast<size_t>(book->Count()));
  for (const CodeInfo* stock = book->First(); stock != nullptr; stock = stock->next) {
    Entry entry;
    entry.name = Folded(stock->key.name != nullptr ? stock->key.name.get() : "");
    entry.initials.resize(entry.name.size());
    std::transform(entry.name.begin(), entry.name.end(), entry.initials.begin(), InitialConsonant);
    entry.code = stock->key.code;
    entries_.push_back(std::move(entry));
  }
}

int CodeSearchIndex::Match(const Entry& entry, const std::u32string& typed) {
  int found = -1;
  if (AllDigits(typed)) {
    const size_t at = entry.code.find(std::string(typed.begin(), typed.end()));
    const size_t digits = entry.code.find_first_of("0123456789");
    if (at != std::string::npos) found = at == digits ? 0 : 1;
  }
  for (size_t start = 0; found != 0 && start + typed.size() <= entry.name.size(); ++start) {
    bool all = true;
    for (size_t k = 0; k < typed.size() && all; ++k) {
      const char32_t c = typed[k];
      all = IsInitialJamo(c) ? entry.initials[start + k] == c : entry.name[start + k] == c;
    }
    if (all) {
      found = start == 0 ? 0 : 1;
      break;
    }
  }
  return found;
}

std::vector<int> CodeSearchIndex::Find(std::string_view utf8Text) const {
  std::u32string typed = DecodeUtf8(utf8Text);
  std::transform(typed.begin(), typed.end(), typed.begin(), Fold);
  std::vector<int> beginning, inside;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const int match = typed.empty() ? 0 : Match(entries_[i], typed);
    if (match == 0) beginning.push_back(static_cast<int>(i));
    if (match == 1) inside.push_back(static_cast<int>(i));
  }
  beginning.insert(beginning.end(), inside.begin(), inside.end());
  return beginning;
}

}  // namespace ostrada
