#include "basesrc/trdrun.h"

#include <cmath>
#include <cstring>

#include "basesrc/nowgate.h"

namespace ostrada {

std::optional<int64_t> HoldingProfit(const TrdRunInfo& record, const SellCosts& costs) {
  if (record.current.close <= 0) return std::nullopt;
  const int64_t value = int64_t{record.quantity} * record.current.close;
  const int64_t cost = std::llround(record.quantity * record.costPerShare);
  return value - costs.Of(value) - cost;
}

TrdRunList::TrdRunList(const char* account) {
  InitHeader();
  if (account != nullptr) SetAccount(account);
}

void TrdRunList::InitHeader() {
  header_ = TrdRunHeader{};
  PutInfoFileHeader(reinterpret_cast<uint8_t*>(&header_), trdrun::kMagic);
  header_.firstRecordOffset = -1;
  header_.endOffset = -1;
}

void TrdRunList::Clear(int keepAccount) {
  FreeRecords();
  char account[kTrdAccountSize];
  std::memcpy(account, header_.account, sizeof account);
  InitHeader();
  if (keepAccount == 1) std::memcpy(header_.account, account, sizeof account);
}

TrdRunInfo* TrdRunList::FindByCode(const char* code) const {
  if (!OSTRADA_VERIFY(code != nullptr)) return nullptr;
  for (TrdRunInfo* record = First(); record != nullptr; record = record->next) {
    if (StrCompare(record->code, code) == 0) return record;
  }
  return nullptr;
}

TrdRunInfo* TrdRunList::FindByName(const char* name) const {
  if (!OSTRADA_VERIFY(name != nullptr)) return nullptr;
  for (TrdRunInfo* record = First(); record != nullptr; record = record->next) {
    if (StrCompare(record->name, name) == 0) return record;
  }
  return nullptr;
}

HeapText TrdRunList::JoinCodes(int32_t start, int32_t n, int32_t* count) const {
  if (!OSTRADA_VERIFY(start >= 0 && n >= 1 && n <= NowGate::kMaxJoinedCodes && count != nullptr)) return nullptr;
  const TrdRunInfo* from = First();
  for (int32_t step = 0; step < start && from != nullptr; ++step) from = from->next;
  if (!OSTRADA_VERIFY(from != nullptr)) return nullptr;  // the list ends before the start

  size_t codeBytes = 0;
  int32_t codes = 0;
  for (const TrdRunInfo* record = from; record != nullptr && codes < n; record = record->next, ++codes) {
    const size_t length = StrLen(record->code);
    if (!OSTRADA_VERIFY(length >= 1)) return nullptr;
    codeBytes += length;
  }
  const size_t bytes = codeBytes + static_cast<size_t>(codes) + 1;
  HeapText text(static_cast<char*>(AllocZeroed(bytes)));
  if (!text) return nullptr;
  char* out = text.get();
  const TrdRunInfo* record = from;
  for (int32_t i = 0; i < codes; ++i, record = record->next) {
    const size_t length = StrLen(record->code);
    std::memcpy(out, record->code, length);
    out += length;
    *out++ = ',';
  }
  out[-1] = '\0';
  // One comma fewer than codes, and the terminator: the text must end exactly one byte early.
  if (!OSTRADA_VERIFY(StrLen(text.get()) + 2 == bytes)) return nullptr;
  *count = codes;
  return text;
}

void TrdRunList::SetSummary(const std::string& text, const int32_t (&values)[6]) {
  StrCopyBounded(header_.summaryText, text.c_str(), sizeof header_.summaryText);
  std::memcpy(header_.summary, values, sizeof header_.summary);
}

}  // namespace ostrada
