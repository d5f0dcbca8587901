#include "basesrc/codeinfo.h"

#include <cstring>
#include <memory>
#include <new>

#include "basesrc/foundation/coding.h"
#include "basesrc/foundation/report.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/codeinfo";

constexpr int kMaxJoinedCodes = 110;

bool InRange(char value, char low, char high) {
  return value >= low && value <= high;
}

}  // namespace

int IsPreferredShare(const char* code) {
  if (!OSTRADA_VERIFY(code != nullptr && code[0] != '\0')) return 0;
  const char last = code[std::strlen(code) - 1];
  return last == '5' || last == '6' || last == '7' ? 1 : 0;
}

int CodeKeyClear(CodeKey* key) {
  return CodeKeyRelease(key);
}

int CodeKeyRelease(CodeKey* key) {
  if (!OSTRADA_VERIFY(key != nullptr)) return 0;
  std::memset(key->code, 0, sizeof key->code);
  key->name.reset();
  return 1;
}

int CodeKeyCopy(const CodeKey* source, CodeKey* destination) {
  if (!OSTRADA_VERIFY(source != nullptr && destination != nullptr)) return 0;
  CodeKeyRelease(destination);
  std::memcpy(destination->code, source->code, sizeof destination->code);
  if (source->name) {
    destination->name.reset(StrDup(source->name.get()));
    if (!OSTRADA_VERIFY(destination->name != nullptr)) return 0;
  }
  return 1;
}

int CodeKeySet(CodeKey* key, const char* code, const char* name) {
  if (!OSTRADA_VERIFY(key != nullptr && code != nullptr && name != nullptr)) return 0;
  CodeKeyRelease(key);
  StrCopyBounded(key->code, code, sizeof key->code);
  key->name.reset(StrDup(name));
  return key->name ? 1 : 0;
}

int CodeAttrInit(CodeAttr* attributes) {
  if (!OSTRADA_VERIFY(attributes != nullptr)) return 0;
  *attributes = CodeAttr{};
  attributes->market = attributes->class1 = attributes->class2 = '0';
  attributes->class3 = attributes->class4 = attributes->class5 = '0';
  return 1;
}

int CodeAttrAccepted(const CodeAttr& a) {
  if (!OSTRADA_VERIFY(InRange(a.market, '1', '4'))) return 0;
  if (!OSTRADA_VERIFY(InRange(a.class1, '0', '4'))) return 0;
  if (!OSTRADA_VERIFY(InRange(a.class4, '0', '1'))) return 0;
  if (!OSTRADA_VERIFY(InRange(a.class5, '0', '2'))) return 0;
  if (!OSTRADA_VERIFY(InRange(a.class2, '0', '3'))) return 0;
  return 1;
}

void EncodeCodeAttr(const CodeAttr& a, uint8_t* out) {
  std::memset(out, 0, kCodeAttrSize);
  std::memcpy(out + offsetof(CodeAttr, code2), a.code2, kCodeSize);
  PutI32(out, offsetof(CodeAttr, number1), a.number1);
  out[offsetof(CodeAttr, market)] = static_cast<uint8_t>(a.market);
  out[offsetof(CodeAttr, class1)] = static_cast<uint8_t>(a.class1);
  out[offsetof(CodeAttr, class2)] = static_cast<uint8_t>(a.class2);
  out[offsetof(CodeAttr, flagByte)] = a.flagByte;
  PutI32(out, offsetof(CodeAttr, number2), a.number2);
  out[offsetof(CodeAttr, class3)] = static_cast<uint8_t>(a.class3);
  out[offsetof(CodeAttr, class4)] = static_cast<uint8_t>(a.class4);
  out[offsetof(CodeAttr, class5)] = static_cast<uint8_t>(a.class5);
  out[offsetof(CodeAttr, reserved)] = a.reserved;
}

void DecodeCodeAttr(const uint8_t* in, CodeAttr* a) {
  std::memcpy(a->code2, in + offsetof(CodeAttr, code2), kCodeSize);
  a->code2[kCodeSize - 1] = '\0';  // a stored code is terminated whatever the file says
  a->number1 = GetI32(in, offsetof(CodeAttr, number1));
  a->market = static_cast<char>(in[offsetof(CodeAttr, market)]);
  a->class1 = static_cast<char>(in[offsetof(CodeAttr, class1)]);
  a->class2 = static_cast<char>(in[offsetof(CodeAttr, class2)]);
  a->flagByte = in[offsetof(CodeAttr, flagByte)];
  a->number2 = GetI32(in, offsetof(CodeAttr, number2));
  a->class3 = static_cast<char>(in[offsetof(CodeAttr, class3)]);
  a->class4 = static_cast<char>(in[offsetof(CodeAttr, class4)]);
  a->class5 = static_cast<char>(in[offsetof(CodeAttr, class5)]);
  a->reserved = in[offsetof(CodeAttr, reserved)];
}

CodeInfoList::CodeInfoList(int sortKind) {
  ResetHeader();
  if (sortKind != 0) SetSortKind(sortKind);
}

CodeInfoList::CodeInfoList(const CodeInfoList& source, int sortKind) {
  ResetHeader();
  SetSortKind(sortKind != 0 ? sortKind : source.SortKind());
  for (const CodeInfo* stock = source.First(); stock != nullptr; stock = stock->next) {
    if (!Insert(stock->key.code, stock->key.name.get(), &stock->attr)) break;
  }
  Rebuild();
  std::memcpy(description_, source.description_, sizeof description_);
}

CodeInfoList::~CodeInfoList() {
  FreeAll();
}

void CodeInfoList::Clear() {
  FreeAll();
  ResetHeader();
}

void CodeInfoList::FreeAll() {
  CodeInfo* stock = index_.First();
  while (stock != nullptr) {
    std::unique_ptr<CodeInfo> owned(stock);
    stock = stock->next;
  }
  index_.Reset();
}

void CodeInfoList::ResetHeader() {
  sortKind_ = kSortByCode;
  market3Removed_ = 0;
  counters_ = CodeCounters{};
  firstRecordOffset_ = -1;
  endOffset_ = -1;
}

void CodeInfoList::SetSortKind(int k) {
  if (!OSTRADA_VERIFY(k == kSortByCode || k == kSortByName)) return;
  sortKind_ = k;
}

int CodeInfoList::SortKeyValid() const {
  return OSTRADA_VERIFY(sortKind_ == kSortByCode || sortKind_ == kSortByName);
}

int CodeInfoList::Compare(const CodeInfo& existing, const CodeInfo& incoming) const {
  return sortKind_ == kSortByCode ? StrCompare(existing.key.code, incoming.key.code)
                                  : StrCompare(existing.key.name.get(), incoming.key.name.get());
}

int CodeInfoList::SetDescription(const char* text) {
  if (!OSTRADA_VERIFY(text != nullptr)) return 0;
  StrCopyBounded(description_, text, sizeof description_);
  return 1;
}

void CodeInfoList::CountStock(const CodeAttr& a, int delta) {
  if (a.market == '1') counters_.market1 += delta;
  if (a.market == '2') counters_.market2 += delta;
  if (a.market == '3' || a.market == '4') counters_.market34 += delta;
  if (InRange(a.class1, '1', '4')) counters_.class1 += delta;
  if (a.class4 == '1') counters_.class4 += delta;
  if (a.class5 == '1') counters_.class5 += delta;
  if (a.class2 == '1') counters_.class2One += delta;
  if (a.class2 == '2') counters_.class2Two += delta;
  if (a.class2 == '3') counters_.class2Three += delta;
}

int CodeInfoList::Insert(const char* code, const char* name, const CodeAttr* attributes) {
  if (!OSTRADA_VERIFY(code != nullptr && name != nullptr && attributes != nullptr)) return 0;
  if (!SortKeyValid()) return 0;
  std::unique_ptr<CodeInfo> stock(new (std::nothrow) CodeInfo());
  if (!OSTRADA_VERIFY(stock != nullptr)) return 0;
  if (!CodeKeySet(&stock->key, code, name)) return 0;
  stock->attr = *attributes;
  if (!CodeAttrAccepted(stock->attr)) return 0;
  const auto order = [this](const CodeInfo& existing, const CodeInfo& incoming) { return Compare(existing, incoming); };
  if (!index_.Insert(stock.get(), order)) return 0;
  CountStock(stock.release()->attr, +1);
  return 1;
}

int CodeInfoList::RemoveAndFree(CodeInfo* stock) {
  if (!OSTRADA_VERIFY(stock != nullptr)) return 0;
  if (!SortKeyValid()) return 0;
  const auto order = [this](const CodeInfo& existing, const CodeInfo& incoming) { return Compare(existing, incoming); };
  if (!index_.Remove(stock, order)) return 0;
  CountStock(stock->attr, -1);
  delete stock;
  return 1;
}

int CodeInfoList::Rebuild() {
  return index_.Rebuild();
}

CodeInfo* CodeInfoList::FindByCode(const char* code) const {
  if (!OSTRADA_VERIFY(code != nullptr && code[0] != '\0')) return nullptr;
  if (sortKind_ == kSortByCode) {
    return index_.Find([code](const CodeInfo& existing) { return StrCompare(existing.key.code, code); });
  }
  return index_.FindLinear([code](const CodeInfo& stock) { return StrCompare(stock.key.code, code) == 0; });
}

CodeInfo* CodeInfoList::FindByName(const char* name) const {
  if (!OSTRADA_VERIFY(name != nullptr && name[0] != '\0')) return nullptr;
  return index_.FindLinear([name](const CodeInfo& stock) { return StrCompare(stock.key.name.get(), name) == 0; });
}

CodeInfo* CodeInfoList::GetAt(int position) const {
  if (!OSTRADA_VERIFY(position >= 0 && position <= Count())) return nullptr;
  CodeInfo* stock = First();
  for (int step = 0; step < position && stock != nullptr; ++step) stock = stock->next;
  return stock;
}

int CodeInfoList::Position(const CodeInfo* stock) const {
  int position = 1;
  for (const CodeInfo* walk = First(); walk != nullptr; walk = walk->next, ++position) {
    if (walk == stock) return position;
  }
  OSTRADA_VERIFY(false);  // not a stock of this book
  return -1;
}

HeapText CodeInfoList::JoinCodes(int start, int n, int* taken) const {
  if (!OSTRADA_VERIFY(start >= 0 && n >= 1 && n <= kMaxJoinedCodes && taken != nullptr)) return nullptr;
  const CodeInfo* from = First();
  for (int step = 0; step < start && from != nullptr; ++step) from = from->next;
  if (!OSTRADA_VERIFY(from != nullptr)) return nullptr;  // nothing left at the start

  size_t bytes = 1;
  int codes = 0;
  for (const CodeInfo* stock = from; stock != nullptr && codes < n; stock = stock->next, ++codes) {
    const size_t length = StrLen(stock->key.code);
    if (!OSTRADA_VERIFY(length >= 1)) return nullptr;
    bytes += length + 1;
  }
  HeapText text(static_cast<char*>(AllocZeroed(bytes)));
  if (!text) return nullptr;
  char* out = text.get();
  const CodeInfo* stock = from;
  for (int i = 0; i < codes; ++i, stock = stock->next) {
    const size_t length = StrLen(stock->key.code);
    std::memcpy(out, stock->key.code, length);
    out += length;
    *out++ = ',';
  }
  out[-1] = '\0';
  *taken = codes;
  return text;
}

template <class Pick>
int CodeInfoList::RemoveWhere(Pick pick) {
  int removed = 0;
  CodeInfo* stock = First();
  while (stock != nullptr) {
    CodeInfo* following = stock->next;
    if (pick(*stock)) {
      if (!RemoveAndFree(stock)) return -1;
      ++removed;
    }
    stock = following;
  }
  if (!Rebuild()) return -1;
  return removed;
}

int CodeInfoList::RemoveDuplicates() {
  if (!SortKeyValid()) return 0;
  // The next stock is still linked when its predecessor is judged, so each run keeps its last.
  const auto equalsNext = [this](const CodeInfo& stock) {
    return stock.next != nullptr && Compare(stock, *stock.next) == 0;
  };
  return RemoveWhere(equalsNext) >= 0 ? 1 : 0;
}

int CodeInfoList::RemovePreferred() {
  if (!SortKeyValid()) return 0;
  return RemoveWhere([](const CodeInfo& stock) { return IsPreferredShare(stock.key.code) == 1; }) >= 0 ? 1 : 0;
}

int CodeInfoList::RemoveMarket3() {
  const int removed = RemoveWhere([](const CodeInfo& stock) { return stock.attr.market == '3'; });
  if (removed > 0) market3Removed_ = 1;
  return removed;
}

int CodeInfoList::CountPreferred() const {
  int walked = 0;
  int preferred = 0;
  for (const CodeInfo* stock = First(); stock != nullptr; stock = stock->next, ++walked) {
    preferred += IsPreferredShare(stock->key.code);
  }
  OSTRADA_VERIFY(walked == Count());
  return preferred;
}

}  // namespace ostrada
