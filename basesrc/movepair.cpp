#include "basesrc/movepair.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "basesrc/foundation/coding.h"
#include "basesrc/foundation/infofile.h"
#include "basesrc/foundation/report.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/movepair";

using namespace movefile;

// The sums form leaves out the bar the live price will complete.
int32_t BarsOfLine(int line, int sums) {
  return kAverageLengths[line] - (sums == 1 ? 1 : 0);
}

// Orders 'B' entries by (date, end time) and the others by key. A pair, not one packed number:
// the words come from files and may hold any value.
std::pair<int32_t, int32_t> OrderOf(const MovingAverageEntry& entry, char kind) {
  return {kind == 'B' ? entry.date : 0, entry.key};
}

}  // namespace

void EncodeAverageEntry(const MovingAverageEntry& entry, uint8_t* out) {
  PutI32(out, 0, entry.key);
  PutI32(out, 4, entry.date);
  for (int i = 0; i < kAverageLines; ++i) PutI32(out, 8 + 4 * static_cast<size_t>(i), entry.lines[i]);
}

void DecodeAverageEntry(const uint8_t* in, MovingAverageEntry* entry) {
  entry->older = entry->newer = nullptr;
  entry->key = GetI32(in, 0);
  entry->date = GetI32(in, 4);
  for (int i = 0; i < kAverageLines; ++i) entry->lines[i] = GetI32(in, 8 + 4 * static_cast<size_t>(i));
}

int CompleteAverageEntry(MovingAverageEntry* entry, int32_t price) {
  if (!OSTRADA_VERIFY(entry != nullptr)) return 0;
  for (int i = 0; i < kAverageLines; ++i) {
    if (entry->lines[i] != 0)
      entry->lines[i] =
          RoundedAverage(static_cast<uint32_t>(entry->lines[i]) + static_cast<uint32_t>(price), kAverageLengths[i]);
  }
  return 1;
}

void MovingAverageList::Reset() {
  std::fill(std::begin(code_), std::end(code_), '\0');
  name_.reset();
  sumsFlag_ = 0;
  count_ = 0;
  firstEntryOffset_ = endOffset_ = -1;
  kind_ = 'D';
  oldest_ = newest_ = nullptr;
}

void MovingAverageList::Release() {
  for (MovingAverageEntry* entry = oldest_; entry != nullptr;) {
    MovingAverageEntry* newer = entry->newer;
    FreeMem(entry);
    entry = newer;
  }
  Reset();
}

int MovingAverageList::SetCodeName(const char* code, const char* name) {
  if (!OSTRADA_VERIFY(code != nullptr && *code != '\0' && name != nullptr && *name != '\0')) return 0;
  HeapText copy(StrDup(name));
  if (!OSTRADA_VERIFY(copy != nullptr)) return 0;
  StrCopyBounded(code_, code, sizeof code_);
  name_ = std::move(copy);
  return 1;
}

int MovingAverageList::Build(const DaySeries& series, int sums, const DayBar* first, const DayBar* last) {
  Release();
  if (first == nullptr) first = series.Oldest();
  if (last == nullptr) last = series.Newest();
  if (!OSTRADA_VERIFY(first != nullptr && last != nullptr)) return 0;
  if (!SetCodeName(series.Code(), series.Name())) return 0;
  kind_ = series.Kind();
  sumsFlag_ = sums;
  // Each line of a bar reaches back over bars older than `first` too, so the window starts up to
  // 479 bars before it. Running sums over the closes, in the unsigned word the indicators add in.
  const int32_t reach = kAverageLengths[kAverageLines - 1] - 1;
  const DayBar* start = first;
  for (int32_t i = 0; i < reach && start->older != nullptr; ++i) start = start->older;
  std::vector<const DayBar*> bars;
  std::vector<uint32_t> prefix(1, 0);
  size_t firstIndex = 0;
  for (const DayBar* bar = start;; bar = bar->newer) {
    if (!OSTRADA_VERIFY(bar != nullptr)) return 0;  // `last` does not follow `first`
    if (bar == first) firstIndex = bars.size();
    bars.push_back(bar);
    prefix.push_back(prefix.back() + BarValueOf(*bar, BarValue::kClose));
    if (bar == last) break;
  }
  if (!OSTRADA_VERIFY(firstIndex < bars.size() && bars[firstIndex] == first)) return 0;
  for (size_t i = bars.size(); i-- > firstIndex;) {
    MovingAverageEntry entry{};
    entry.key = bars[i]->Key();
    if (kind_ == 'B') entry.date = bars[i]->Date();
    for (int line = 0; line < kAverageLines; ++line) {
      const int32_t n = BarsOfLine(line, sums);
      if (i + 1 < static_cast<size_t>(n)) continue;
      const uint32_t sum = prefix[i + 1] - prefix[i + 1 - static_cast<size_t>(n)];
      entry.lines[line] = sums == 1 ? static_cast<int32_t>(sum) : RoundedAverage(sum, n);
    }
    if (!Append(entry)) return 0;
  }
  return 1;
}

int MovingAverageList::PlaceOf(const MovingAverageEntry& entry) const {
  if (oldest_ == nullptr) return 1;
  const std::pair<int32_t, int32_t> order = OrderOf(entry, kind_);
  if (order < OrderOf(*oldest_, kind_)) return -1;
  return order > OrderOf(*newest_, kind_) ? 1 : 0;
}

int MovingAverageList::Append(const MovingAverageEntry& source) {
  const int place = PlaceOf(source);
  if (!OSTRADA_VERIFY(place != 0)) return 0;
  auto* entry = static_cast<MovingAverageEntry*>(AllocZeroed(sizeof(MovingAverageEntry)));
  if (entry == nullptr) return 0;
  *entry = source;
  entry->older = entry->newer = nullptr;
  if (oldest_ == nullptr) {
    oldest_ = newest_ = entry;
  } else if (place < 0) {
    entry->newer = oldest_;
    oldest_->older = entry;
    oldest_ = entry;
  } else {
    entry->older = newest_;
    newest_->newer = entry;
    newest_ = entry;
  }
  ++count_;
  return 1;
}

int MovingAverageList::Remove(MovingAverageEntry* entry) {
  if (!OSTRADA_VERIFY(entry != nullptr && Position(entry) > 0)) return 0;
  if (entry->older != nullptr) entry->older->newer = entry->newer;
  if (entry->newer != nullptr) entry->newer->older = entry->older;
  if (entry == oldest_) oldest_ = entry->newer;
  if (entry == newest_) newest_ = entry->older;
  FreeMem(entry);
  --count_;
  return 1;
}

MovingAverageEntry* MovingAverageList::At(int32_t position) const {
  if (position < 0 || position >= count_) return nullptr;
  MovingAverageEntry* entry = oldest_;
  for (int32_t i = 0; i < position; ++i) entry = entry->newer;
  return entry;
}

int32_t MovingAverageList::Position(const MovingAverageEntry* entry) const {
  int32_t position = 1;
  for (const MovingAverageEntry* e = oldest_; e != nullptr; e = e->newer, ++position) {
    if (e == entry) return position;
  }
  return -1;
}

MovingAverageEntry* MovingAverageList::Find(int32_t key) const {
  if (oldest_ == nullptr) return nullptr;
  // 'B' keys restart every day, so only the other kinds can rule a key out by the ends.
  if (kind_ != 'B' && (key < oldest_->key || key > newest_->key)) return nullptr;
  for (MovingAverageEntry* entry = oldest_; entry != nullptr; entry = entry->newer) {
    if (entry->key == key) return entry;
  }
  return nullptr;
}

const MovingAverageEntry* MovingAverageList::FindCrossing(const MovingAverageEntry* from, const MovingAverageEntry* to,
                                                          int direction) const {
  if (!OSTRADA_VERIFY(from != nullptr)) return nullptr;
  const MovingAverageEntry* anchor = nullptr;
  for (const MovingAverageEntry* e = from; e != nullptr; e = direction == 1 ? e->older : e->newer) {
    if (anchor == nullptr) {
      if (e->Line5() != 0 && e->Line20() != 0) anchor = e;
    } else if (anchor->Line5() < anchor->Line20()) {
      if (e->Line5() >= e->Line20()) return e;
    } else {
      if (anchor->Line20() >= anchor->Line5()) return anchor;
      if (e->Line20() >= e->Line5()) return e;
    }
    if (e == to) break;
  }
  return nullptr;
}

const MovingAverageEntry* MovingAverageList::TurningPoint(const MovingAverageEntry* s, int direction, int kind) {
  if (!OSTRADA_VERIFY(s != nullptr)) return nullptr;
  const MovingAverageEntry* reached = s;
  for (const MovingAverageEntry* e = direction == 1 ? s->older : s->newer; e != nullptr;
       e = direction == 1 ? e->older : e->newer) {
    if (e->Line5() == 0) break;
    if (e->Line5() == reached->Line5()) continue;  // a flat stretch neither ends nor extends the move
    const bool keeps = kind == 1 ? e->Line5() > reached->Line5() : e->Line5() < reached->Line5();
    if (!keeps) break;
    reached = e;
  }
  return reached != s ? reached : nullptr;
}

const MovingAverageEntry* MovingAverageList::PeakThenTrough(const MovingAverageEntry* s, int direction) {
  if (!OSTRADA_VERIFY(s != nullptr)) return nullptr;
  const MovingAverageEntry* peak = TurningPoint(s, direction, 1);
  if (peak == nullptr && direction == 1) peak = s;
  return peak != nullptr ? TurningPoint(peak, direction, 0) : nullptr;
}

void MovingAverageList::EncodeHeader(uint8_t* out) const {
  PutInfoFileHeader(out, kMagic);
  PutText(out, kCodeOffset, code_, kCodeSize);
  PutI32(out, kNamePointerOffset, 0);
  PutI32(out, kSumsFlagOffset, sumsFlag_);
  PutI32(out, kCountOffset, count_);
  PutI32(out, kFirstEntryOffset, firstEntryOffset_);
  PutI32(out, kEndOffset, endOffset_);
  PutI32(out, kKindOffset, static_cast<uint8_t>(kind_));
}

int MovingAverageList::Save(FileHandle file) {
  const int32_t start = FileSeek(file, 0, kSeekCur);
  if (!OSTRADA_VERIFY(start >= 0)) return 0;
  const size_t nameLength = StrLen(name_.get());
  const size_t entriesAt = kHeaderSize + kNameLengthSize + nameLength;
  std::string image(entriesAt + kEntrySize * static_cast<size_t>(count_), '\0');
  auto* bytes = reinterpret_cast<uint8_t*>(image.data());
  PutU32(bytes, kHeaderSize, static_cast<uint32_t>(nameLength));
  std::copy(name_.get(), name_.get() + nameLength, image.begin() + kHeaderSize + kNameLengthSize);
  size_t at = entriesAt;
  int32_t written = 0;
  for (const MovingAverageEntry* e = oldest_; e != nullptr && written < count_; e = e->newer, ++written) {
    EncodeAverageEntry(*e, bytes + at);
    at += kEntrySize;
  }
  if (!OSTRADA_VERIFY(written == count_ && int64_t{start} + static_cast<int64_t>(image.size()) <= INT32_MAX)) return 0;
  firstEntryOffset_ = start + static_cast<int32_t>(entriesAt);
  endOffset_ = start + static_cast<int32_t>(image.size());
  EncodeHeader(bytes);
  const auto size = static_cast<int32_t>(image.size());
  return OSTRADA_VERIFY(FileWrite(file, image.data(), size) == size) ? 1 : 0;
}

int MovingAverageList::Save(const char* path) {
  if (!OSTRADA_VERIFY(path != nullptr)) return 0;
  ReplacingFile file(path);
  if (file.get() == kInvalidHandle) return 0;  // told by the replacing file
  return Save(file.get()) ? file.Commit() : 0;
}

int MovingAverageList::Load(FileHandle file) {
  Release();
  const int32_t start = FileSeek(file, 0, kSeekCur);
  const int32_t size = FileSeek(file, 0, kSeekEnd);
  if (!OSTRADA_VERIFY(start >= 0 && size >= start && FileSeek(file, start, kSeekSet) == start)) return 0;
  uint8_t header[kHeaderSize + kNameLengthSize];
  if (!OSTRADA_VERIFY(FileRead(file, header, sizeof header) == static_cast<int32_t>(sizeof header))) return 0;
  if (!OSTRADA_VERIFY(CheckInfoFileHeader(header, kMagic))) return 0;
  const char kind = static_cast<char>(GetU8(header, kKindOffset));
  const uint32_t nameLength = GetU32(header, kHeaderSize);
  const int32_t stored = GetI32(header, kCountOffset);
  // Name and entries must both be in the file before anything is allocated for them.
  const int64_t left = int64_t{size} - start - static_cast<int64_t>(sizeof header);
  if (!OSTRADA_VERIFY(nameLength <= left && stored >= 0 &&
                      int64_t{stored} * static_cast<int64_t>(kEntrySize) <= left - nameLength))
    return 0;
  std::string name(nameLength, '\0');
  if (!OSTRADA_VERIFY(FileRead(file, name.data(), static_cast<int32_t>(nameLength)) ==
                      static_cast<int32_t>(nameLength)))
    return 0;
  if (!OSTRADA_VERIFY(name.find('\0') == std::string::npos)) return 0;
  StrCopyBounded(code_, GetText(header, kCodeOffset, kCodeSize).c_str(), sizeof code_);
  if (!name.empty()) name_.reset(StrDup(name.c_str()));
  sumsFlag_ = GetI32(header, kSumsFlagOffset);
  firstEntryOffset_ = GetI32(header, kFirstEntryOffset);
  endOffset_ = GetI32(header, kEndOffset);
  kind_ = kind == 0 ? 'D' : kind;
  const auto length = static_cast<int32_t>(int64_t{stored} * static_cast<int64_t>(kEntrySize));
  std::vector<uint8_t> bytes(static_cast<size_t>(length) + 1);
  if (!OSTRADA_VERIFY(FileRead(file, bytes.data(), length) == length)) return 0;
  MovingAverageEntry entry;
  for (int32_t i = 0; i < stored; ++i) {
    DecodeAverageEntry(bytes.data() + static_cast<size_t>(i) * kEntrySize, &entry);
    if (!Append(entry)) return 0;
  }
  return OSTRADA_VERIFY(count_ == stored) ? 1 : 0;
}

int MovingAverageList::Load(const char* path) {
  Release();
  if (!OSTRADA_VERIFY(path != nullptr)) return 0;
  FileCloser file(FileOpenToRead(path));
  if (file.get() == kInvalidHandle) return 0;  // told by the opening
  return Load(file.get());
}

}  // namespace ostrada
