#include "basesrc/callinfo.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "basesrc/foundation/coding.h"
#include "basesrc/foundation/infofile.h"
#include "basesrc/foundation/memory.h"
#include "basesrc/foundation/report.h"

namespace ostrada {

static constexpr char kModule[] = "basesrc/callinfo";

namespace {

// Header layout of the quote-list info file after the check text and the magic (its kind number).
constexpr size_t kCodeAt = kInfoHeaderPrefixSize;
constexpr size_t kNameAt = 84;
constexpr size_t kCountAt = 148;
constexpr size_t kFirstOffsetAt = 152;
constexpr size_t kEndOffsetAt = 156;
constexpr size_t kReservedAt = 160;
static_assert(kNameAt + kCallListNameSize == kCountAt);
static_assert(kReservedAt + 128 == kCallListHeaderSize);

// A text into a fixed field of the record or the list: NUL-padded, cut to fit; a missing text
// leaves the field empty.
void SetTextField(char* field, size_t size, const char* text) {
  std::memset(field, 0, size);
  if (text != nullptr) StrCopyBounded(field, text, size);
}

// A text field of the file into a buffer of the same size, NUL-padded and always terminated.
void GetTextField(const uint8_t* bytes, size_t offset, char* text, size_t size) {
  SetTextField(text, size, GetText(bytes, offset, size).c_str());
}

// The quantity-change marking of one side: each fresh level looks for its price among the previous
// levels from just after the last match, so a book that shifted by a level keeps its changes.
template <class Price, class Quantity, class Change>
void MarkSide(CallInfo& fresh, const CallInfo& previous, Price price, Quantity quantity, Change change) {
  int cursor = 0;
  for (CallLevel& level : fresh.levels) {
    level.*change = 0;
    for (int j = cursor; j < kCallLevels; ++j) {
      const CallLevel& old = previous.levels[j];
      if (old.*price == level.*price) {
        level.*change = level.*quantity - old.*quantity;
        cursor = j + 1;
        break;
      }
    }
  }
}

}  // namespace

void ClearCallInfo(CallInfo& record) {
  std::memset(&record, 0, sizeof record);
}

void SetCallCode(CallInfo& record, const char* code) {
  SetTextField(record.code, sizeof record.code, code);
}

bool SameStock(const CallInfo& a, const CallInfo& b) {
  return std::strcmp(a.code, b.code) == 0;
}

int CompareAndMark(CallInfo& fresh, const CallInfo& previous) {
  if (!OSTRADA_VERIFY(SameStock(fresh, previous))) return 0;
  fresh.totalSellChange = fresh.totalSell - previous.totalSell;
  fresh.totalBuyChange = fresh.totalBuy - previous.totalBuy;
  fresh.total3Change = fresh.total3 - previous.total3;
  fresh.total4Change = fresh.total4 - previous.total4;
  MarkSide(fresh, previous, &CallLevel::sellPrice, &CallLevel::sellQuantity, &CallLevel::sellChange);
  MarkSide(fresh, previous, &CallLevel::buyPrice, &CallLevel::buyQuantity, &CallLevel::buyChange);
  return 1;
}

void EncodeCallInfo(const CallInfo& record, uint8_t* out) {
  PutText(out, 0, record.code, kCallCodeSize);
  PutI32(out, kCallQuoteTimeAt, record.quoteTime);
  size_t at = kCallTotalsAt;
  for (const int32_t* total : TotalFields(record)) PutI32(out, std::exchange(at, at + 4), *total);
  for (const CallLevel& level : record.levels) {
    for (const int32_t* value : LevelFields(level)) PutI32(out, std::exchange(at, at + 4), *value);
  }
  PutI32(out, kCallFetchTimeAt, record.fetchTime);
  PutI32(out, kCallEventValue2At, record.eventValue2);
}

void DecodeCallInfo(const uint8_t* bytes, CallInfo& record) {
  GetTextField(bytes, 0, record.code, kCallCodeSize);
  record.quoteTime = GetI32(bytes, kCallQuoteTimeAt);
  size_t at = kCallTotalsAt;
  for (int32_t* total : TotalFields(record)) *total = GetI32(bytes, std::exchange(at, at + 4));
  for (CallLevel& level : record.levels) {
    for (int32_t* value : LevelFields(level)) *value = GetI32(bytes, std::exchange(at, at + 4));
  }
  record.fetchTime = GetI32(bytes, kCallFetchTimeAt);
  record.eventValue2 = GetI32(bytes, kCallEventValue2At);
}

// ---- CallInfoList ----

CallInfoList::CallInfoList() {
  Clear();
}

CallInfo* CallInfoList::Append(const CallInfo& record) {
  return &records_.emplace_back(record);
}

int CallInfoList::Remove(const CallInfo* record) {
  const auto it = std::find_if(records_.begin(), records_.end(), [&](const CallInfo& r) { return &r == record; });
  if (!OSTRADA_VERIFY(it != records_.end())) return 0;
  records_.erase(it);
  return 1;
}

CallInfo* CallInfoList::Find(const char* code) {
  if (!OSTRADA_VERIFY(code != nullptr)) return nullptr;
  for (CallInfo& record : records_) {
    if (std::strcmp(record.code, code) == 0) return &record;
  }
  return nullptr;
}

CallInfo* CallInfoList::At(int k) {
  if (k < 0 || k >= Count()) return nullptr;
  auto it = records_.begin();
  std::advance(it, k);
  return &*it;
}

void CallInfoList::Clear() {
  ClearRecords();
  std::memset(code_, 0, sizeof code_);
  std::memset(name_, 0, sizeof name_);
}

void CallInfoList::ClearRecords() {
  records_.clear();
  firstOffset_ = -1;
  endOffset_ = -1;
}

void CallInfoList::SetCode(const char* code) {
  SetTextField(code_, sizeof code_, code);
}

void CallInfoList::SetName(const char* name) {
  SetTextField(name_, sizeof name_, name);
}

void CallInfoList::EncodeHeader(uint8_t* out) const {
  std::memset(out, 0, kCallListHeaderSize);
  PutInfoFileHeader(out, kCallListMagic);
  PutText(out, kCodeAt, code_, kCallCodeSize);
  PutText(out, kNameAt, name_, kCallListNameSize);
  PutI32(out, kCountAt, Count());
  PutI32(out, kFirstOffsetAt, firstOffset_);
  PutI32(out, kEndOffsetAt, endOffset_);
}

int CallInfoList::Save(FileHandle file) {
  const int32_t start = FileSeek(file, 0, kSeekCur);
  if (!OSTRADA_VERIFY(start >= 0)) return 0;
  uint8_t header[kCallListHeaderSize];
  EncodeHeader(header);
  if (!OSTRADA_VERIFY(FileWrite(file, header, sizeof header) == static_cast<int32_t>(sizeof header))) return 0;
  const int32_t first = FileSeek(file, 0, kSeekCur);
  int written = 0;
  uint8_t bytes[kCallInfoSize];
  for (const CallInfo& record : records_) {
    EncodeCallInfo(record, bytes);
    if (!OSTRADA_VERIFY(FileWrite(file, bytes, sizeof bytes) == static_cast<int32_t>(sizeof bytes))) return 0;
    ++written;
  }
  if (!OSTRADA_VERIFY(written == Count())) return 0;
  firstOffset_ = first;
  endOffset_ = FileSeek(file, 0, kSeekCur);
  EncodeHeader(header);
  if (!OSTRADA_VERIFY(FileSeek(file, start, kSeekSet) == start)) return 0;
  if (!OSTRADA_VERIFY(FileWrite(file, header, sizeof header) == static_cast<int32_t>(sizeof header))) return 0;
  // Leave the file after the records, so whatever the caller writes next does not overwrite them.
  return OSTRADA_VERIFY(FileSeek(file, endOffset_, kSeekSet) == endOffset_) ? 1 : 0;
}

int CallInfoList::Load(FileHandle file, int limit) {
  Clear();
  uint8_t header[kCallListHeaderSize];
  if (!OSTRADA_VERIFY(FileRead(file, header, sizeof header) == static_cast<int32_t>(sizeof header))) return 0;
  if (!OSTRADA_VERIFY(CheckInfoFileHeader(header, kCallListMagic))) return 0;
  GetTextField(header, kCodeAt, code_, kCallCodeSize);
  GetTextField(header, kNameAt, name_, kCallListNameSize);
  firstOffset_ = GetI32(header, kFirstOffsetAt);
  endOffset_ = GetI32(header, kEndOffsetAt);
  if (ReadRecords(file, GetI32(header, kCountAt), limit)) return 1;
  Clear();
  return 0;
}

int CallInfoList::ReadRecords(FileHandle file, int32_t stored, int limit) {
  if (!OSTRADA_VERIFY(stored >= 0)) return 0;
  const int32_t wanted = limit > 0 && limit < stored ? limit : stored;
  // The stored count is only believed once the file holds that many records.
  const int32_t here = FileSeek(file, 0, kSeekCur);
  const int32_t end = FileSeek(file, 0, kSeekEnd);
  if (!OSTRADA_VERIFY(here >= 0 && end >= here && FileSeek(file, here, kSeekSet) == here)) return 0;
  if (!OSTRADA_VERIFY((end - here) / static_cast<int32_t>(kCallInfoSize) >= wanted)) return 0;
  uint8_t bytes[kCallInfoSize];
  CallInfo record;
  for (int32_t i = 0; i < wanted; ++i) {
    if (!OSTRADA_VERIFY(FileRead(file, bytes, sizeof bytes) == static_cast<int32_t>(sizeof bytes))) return 0;
    DecodeCallInfo(bytes, record);
    Append(record);
  }
  return 1;
}

int CallInfoList::SaveFile(const char* path) {
  ReplacingFile file(path);
  if (file.get() == kInvalidHandle) return 0;  // told by the replacing file
  return Save(file.get()) ? file.Commit() : 0;
}

int CallInfoList::LoadFile(const char* path, int limit) {
  FileCloser file(FileOpenToRead(path));
  if (file.get() == kInvalidHandle) {  // told by the opening
    Clear();
    return 0;
  }
  return Load(file.get(), limit);
}

}  // namespace ostrada
