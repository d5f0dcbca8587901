#include "basesrc/daygate.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "basesrc/foundation/coding.h"
#include "basesrc/foundation/infofile.h"
#include "basesrc/foundation/memory.h"
#include "basesrc/foundation/report.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/daygate";

using namespace dayseries;

bool KnownKind(char kind) {
  return kind == 'D' || kind == 'W' || kind == 'M' || kind == 'B';
}

void PutPair(uint8_t* out, size_t offset, const KeyValue& pair) {
  PutI32(out, offset, pair.key);
  PutI32(out, offset + 4, pair.value);
}

KeyValue GetPair(const uint8_t* in, size_t offset) {
  return KeyValue{GetI32(in, offset), GetI32(in, offset + 4)};
}

void WidenPairs(const DayBar& bar, KeyValue* high, KeyValue* low) {
  if (high->value == 0 || high->value < bar.price.high) *high = KeyValue{bar.Key(), bar.price.high};
  if (low->value == 0 || low->value > bar.price.low) *low = KeyValue{bar.Key(), bar.price.low};
}

int WriteAll(FileHandle file, const std::string& bytes) {
  if (!OSTRADA_VERIFY(bytes.size() <= INT32_MAX)) return 0;
  const auto size = static_cast<int32_t>(bytes.size());
  return OSTRADA_VERIFY(FileWrite(file, bytes.data(), size) == size) ? 1 : 0;
}

}  // namespace

void DaySeries::Reset() {
  std::fill(std::begin(code_), std::end(code_), '\0');
  std::fill(std::begin(name_), std::end(name_), '\0');
  count_ = 0;
  firstPair_ = lastPair_ = highPair_ = lowPair_ = KeyValue{};
  firstBarOffset_ = endOffset_ = -1;
  interval_ = 1;
  kind_ = 'D';
  strengthFlag_ = 0;
  buyContracts_ = sellContracts_ = 0;
  oldest_ = newest_ = nullptr;
}

void DaySeries::FreeBars() {
  blocks_.clear();
  spare_ = free_ = nullptr;
  spareLeft_ = 0;
  oldest_ = newest_ = nullptr;
  count_ = 0;
}

DayBar* DaySeries::NewBar() {
  if (free_ != nullptr) {
    DayBar* bar = free_;
    free_ = bar->newer;
    *bar = DayBar{};
    return bar;
  }
  if (spareLeft_ == 0) {
    constexpr int32_t kSmallestBlock = 64;
    const int32_t bars = std::max(kSmallestBlock, count_);
    spare_ = NewBlock(bars);
    if (spare_ == nullptr) return nullptr;
    spareLeft_ = bars;
  }
  --spareLeft_;
  return spare_++;
}

DayBar* DaySeries::NewBlock(int32_t bars) {
  void* block = AllocZeroed(sizeof(DayBar) * static_cast<size_t>(bars));
  if (block == nullptr) return nullptr;
  blocks_.emplace_back(block);
  return static_cast<DayBar*>(block);
}

void DaySeries::FreeBar(DayBar* bar) {
  bar->newer = free_;
  free_ = bar;
}

void DaySeries::Clear(int keepNames) {
  FreeBars();
  char code[kCodeSize];
  char name[kNameSize];
  std::copy(std::begin(code_), std::end(code_), code);
  std::copy(std::begin(name_), std::end(name_), name);
  Reset();
  if (keepNames == 1) {
    std::copy(std::begin(code), std::end(code), code_);
    std::copy(std::begin(name), std::end(name), name_);
  }
}

int DaySeries::Create(const char* code, const char* name) {
  Clear(0);
  return SetCodeName(code, name);
}

int DaySeries::SetCodeName(const char* code, const char* name) {
  if (!OSTRADA_VERIFY(code != nullptr && *code != '\0' && name != nullptr && *name != '\0')) return 0;
  StrCopyBounded(code_, code, sizeof code_);
  StrCopyBounded(name_, name, sizeof name_);
  return 1;
}

int DaySeries::Compare(const DayBar& a, const DayBar& b) const {
  // A minute bar's key is only its end time: the date comes first, or tomorrow's 09:05 would sort
  // before today's 15:30.
  if (kind_ == 'B' && a.Date() != b.Date()) return a.Date() < b.Date() ? -1 : 1;
  if (a.Key() == b.Key()) return 0;
  return a.Key() < b.Key() ? -1 : 1;
}

int DaySeries::PlaceOf(const DayBar& bar) const {
  if (oldest_ == nullptr) return 1;
  if (Compare(bar, *oldest_) < 0) return -1;
  return Compare(bar, *newest_) > 0 ? 1 : 0;
}

void DaySeries::Widen(const DayBar& bar) {
  WidenPairs(bar, &highPair_, &lowPair_);
}

int DaySeries::Add(const DayBar& source, int* duplicate) {
  const int place = PlaceOf(source);
  if (place == 0 && duplicate != nullptr) {
    *duplicate = 1;
    return 1;
  }
  if (!OSTRADA_VERIFY(place != 0)) return 0;
  return LinkCopy(source, place) != nullptr ? 1 : 0;
}

DayBar* DaySeries::LinkCopy(const DayBar& source, int place) {
  DayBar* bar = NewBar();
  if (bar == nullptr) return nullptr;
  bar->price = source.price;
  std::copy(std::begin(source.reserved), std::end(source.reserved), bar->reserved);
  Link(bar, place);
  return bar;
}

void DaySeries::Link(DayBar* bar, int place) {
  if (oldest_ == nullptr) {
    oldest_ = newest_ = bar;
  } else if (place < 0) {
    bar->newer = oldest_;
    oldest_->older = bar;
    oldest_ = bar;
  } else {
    bar->older = newest_;
    newest_->newer = bar;
    newest_ = bar;
  }
  ++count_;
  if (bar == oldest_) firstPair_ = KeyValue{bar->Key(), bar->price.close};
  if (bar == newest_) lastPair_ = KeyValue{bar->Key(), bar->price.close};
  Widen(*bar);
}

int DaySeries::AddWithStrength(const DayBar& source, float strength) {
  const int place = PlaceOf(source);
  if (!OSTRADA_VERIFY(place != 0)) return 0;
  DayBar* bar = LinkCopy(source, place);
  if (bar == nullptr) return 0;
  bar->strength = strength;
  return 1;
}

int DaySeries::AddContractBar(const ContractRecord& contract, int32_t date, int32_t interval) {
  if (!OSTRADA_VERIFY(kind_ == 'B' && interval_ == interval)) return 0;
  DayBar bar{};
  if (!DayBarFromContract(&bar, contract, interval)) return 0;
  bar.price.change = date;
  return Add(bar);
}

int DaySeries::Remove(DayBar* bar, int recompute) {
  if (!OSTRADA_VERIFY(bar != nullptr && Position(bar) > 0)) return 0;
  if (bar->older != nullptr) bar->older->newer = bar->newer;
  if (bar->newer != nullptr) bar->newer->older = bar->older;
  if (bar == oldest_) oldest_ = bar->newer;
  if (bar == newest_) newest_ = bar->older;
  FreeBar(bar);
  --count_;
  if (oldest_ != nullptr) firstPair_ = KeyValue{oldest_->Key(), oldest_->price.close};
  if (newest_ != nullptr) lastPair_ = KeyValue{newest_->Key(), newest_->price.close};
  if (recompute == 1) {
    for (const DayBar* b = oldest_; b != nullptr; b = b->newer) Widen(*b);
  }
  return 1;
}

void DaySeries::RefreshPoints() {
  highPair_ = lowPair_ = KeyValue{};
  if (oldest_ != nullptr) firstPair_ = KeyValue{oldest_->Key(), oldest_->price.close};
  if (newest_ != nullptr) lastPair_ = KeyValue{newest_->Key(), newest_->price.close};
  for (const DayBar* b = oldest_; b != nullptr; b = b->newer) Widen(*b);
}

DayBar* DaySeries::Find(int32_t key) const {
  if (oldest_ == nullptr) return nullptr;
  // 'B' keys restart every day, so only the other kinds can rule a key out by the ends.
  if (kind_ != 'B' && (key < firstPair_.key || key > lastPair_.key)) return nullptr;
  for (DayBar* bar = oldest_; bar != nullptr; bar = bar->newer) {
    if (bar->Key() == key) return bar;
  }
  return nullptr;
}

DayBar* DaySeries::At(int32_t position) const {
  if (position < 0 || position >= count_) return nullptr;
  DayBar* bar = oldest_;
  for (int32_t i = 0; i < position; ++i) bar = bar->newer;
  return bar;
}

int32_t DaySeries::Position(const DayBar* bar) const {
  int32_t position = 1;
  for (const DayBar* b = oldest_; b != nullptr; b = b->newer, ++position) {
    if (b == bar) return position;
  }
  return -1;
}

int DaySeries::HighLowBetween(int32_t fromKey, int32_t toKey, KeyValue* high, KeyValue* low) const {
  if (!OSTRADA_VERIFY(high != nullptr && low != nullptr)) return 0;
  const DayBar* from = Find(fromKey);
  const DayBar* to = Find(toKey);
  if (!OSTRADA_VERIFY(from != nullptr && to != nullptr)) return 0;
  for (const DayBar* bar = from; bar != nullptr; bar = bar->newer) {
    WidenPairs(*bar, high, low);
    if (bar == to) return 1;
  }
  // The second key lies before the first.
  return OSTRADA_VERIFY(false) ? 1 : 0;
}

int DaySeries::Merge(DaySeries& other) {
  if (!OSTRADA_VERIFY(other.count_ > 0 && &other != this)) return 0;
  bool newer = true;
  if (oldest_ != nullptr) {
    newer = Compare(*other.newest_, *newest_) >= 0;
    const int seam = newer ? Compare(*other.oldest_, *newest_) : Compare(*oldest_, *other.newest_);
    if (!OSTRADA_VERIFY(seam >= 0)) return 0;
    if (seam == 0 && !Remove(newer ? newest_ : oldest_, 0)) return 0;
  }
  // Each bar must land at an end of this series: a newer series moves oldest first, an older one
  // newest first.
  while (other.oldest_ != nullptr) {
    DayBar* moving = newer ? other.oldest_ : other.newest_;
    DayBar bar = *moving;
    if (!other.Remove(moving, 1) || !Add(bar)) return 0;
  }
  return 1;
}

void DaySeries::EncodeHeader(uint8_t* out) const {
  PutInfoFileHeader(out, kMagic);
  PutText(out, kCodeOffset, code_, kCodeSize);
  PutText(out, kNameOffset, name_, kNameSize);
  PutI32(out, kCountOffset, count_);
  PutPair(out, kFirstPairOffset, firstPair_);
  PutPair(out, kLastPairOffset, lastPair_);
  PutPair(out, kHighPairOffset, highPair_);
  PutPair(out, kLowPairOffset, lowPair_);
  PutI32(out, kFirstBarOffset, firstBarOffset_);
  PutI32(out, kEndOffset, endOffset_);
  PutI32(out, kIntervalOffset, interval_);
  PutI32(out, kKindOffset, static_cast<uint8_t>(kind_));
  PutI32(out, kStrengthFlagOffset, strengthFlag_);
  PutI32(out, kBuyContractsOffset, buyContracts_);
  PutI32(out, kSellContractsOffset, sellContracts_);
}

int DaySeries::DecodeHeader(const uint8_t* in) {
  if (!OSTRADA_VERIFY(CheckInfoFileHeader(in, kMagic))) return 0;
  const char kind = static_cast<char>(GetU8(in, kKindOffset));
  if (!OSTRADA_VERIFY(kind == 0 || KnownKind(kind))) return 0;
  StrCopyBounded(code_, GetText(in, kCodeOffset, kCodeSize).c_str(), sizeof code_);
  StrCopyBounded(name_, GetText(in, kNameOffset, kNameSize).c_str(), sizeof name_);
  firstPair_ = GetPair(in, kFirstPairOffset);
  lastPair_ = GetPair(in, kLastPairOffset);
  highPair_ = GetPair(in, kHighPairOffset);
  lowPair_ = GetPair(in, kLowPairOffset);
  firstBarOffset_ = GetI32(in, kFirstBarOffset);
  endOffset_ = GetI32(in, kEndOffset);
  interval_ = GetI32(in, kIntervalOffset);
  kind_ = kind == 0 ? 'D' : kind;
  strengthFlag_ = GetI32(in, kStrengthFlagOffset);
  buyContracts_ = GetI32(in, kBuyContractsOffset);
  sellContracts_ = GetI32(in, kSellContractsOffset);
  return 1;
}

int DaySeries::Save(FileHandle file) {
  const int32_t start = FileSeek(file, 0, kSeekCur);
  if (!OSTRADA_VERIFY(start >= 0)) return 0;
  const size_t barSize = daybar::kSize + (strengthFlag_ == 1 ? kStrengthSize : 0);
  std::string image(kHeaderSize + barSize * static_cast<size_t>(count_), '\0');
  auto* bytes = reinterpret_cast<uint8_t*>(image.data());
  size_t at = kHeaderSize;
  int32_t written = 0;
  for (const DayBar* bar = newest_; bar != nullptr; bar = bar->older, ++written) {
    if (!OSTRADA_VERIFY(written < count_)) return 0;
    EncodeDayBar(*bar, bytes + at);
    if (strengthFlag_ == 1) PutF32(bytes, at + daybar::kSize, bar->strength);
    at += barSize;
  }
  if (!OSTRADA_VERIFY(written == count_ && int64_t{start} + static_cast<int64_t>(image.size()) <= INT32_MAX)) return 0;
  firstBarOffset_ = start + static_cast<int32_t>(kHeaderSize);
  endOffset_ = start + static_cast<int32_t>(image.size());
  EncodeHeader(bytes);
  return WriteAll(file, image);
}

int DaySeries::Save(const char* path) {
  if (!OSTRADA_VERIFY(path != nullptr)) return 0;
  ReplacingFile file(path);
  if (file.get() == kInvalidHandle) return 0;  // told by the replacing file
  return Save(file.get()) ? file.Commit() : 0;
}

int DaySeries::Load(FileHandle file, int32_t limit) {
  Clear(0);
  int32_t start = 0;
  int32_t size = 0;
  if (!OSTRADA_VERIFY(FileSpan(file, &start, &size))) return 0;
  // One read of what the file holds from here; the counts are checked against it before use.
  const int64_t available = int64_t{size} - start;
  if (!OSTRADA_VERIFY(available >= static_cast<int64_t>(kHeaderSize))) return 0;
  std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[static_cast<size_t>(available)]);
  if (!OSTRADA_VERIFY(bytes != nullptr &&
                      FileRead(file, bytes.get(), static_cast<int32_t>(available)) == static_cast<int32_t>(available)))
    return 0;
  const uint8_t* header = bytes.get();
  if (!DecodeHeader(header)) {
    Reset();
    return 0;
  }
  const int32_t stored = GetI32(header, kCountOffset);
  const int32_t wanted = limit > 0 ? std::min(stored, limit) : stored;
  const int64_t barSize = daybar::kSize + (strengthFlag_ == 1 ? kStrengthSize : 0);
  const int64_t left = available - static_cast<int64_t>(kHeaderSize);
  if (!OSTRADA_VERIFY(stored >= 0 && int64_t{wanted} * barSize <= left)) return 0;
  const int64_t used = static_cast<int64_t>(kHeaderSize) + int64_t{wanted} * barSize;
  // Another record may follow in the same file: leave the position just past these bars.
  if (used < available) FileSeek(file, static_cast<int32_t>(start + used), kSeekSet);
  const uint8_t* barBytes = header + kHeaderSize;
  // The bars are decoded straight into their places, all in one block of their own.
  DayBar* bars = wanted > 0 ? NewBlock(wanted) : nullptr;
  if (wanted > 0 && bars == nullptr) return 0;
  for (int32_t i = 0; i < wanted; ++i) {
    const uint8_t* at = barBytes + i * barSize;
    DayBar* bar = bars + i;
    DecodeDayBar(at, bar);
    const int place = PlaceOf(*bar);
    if (place == 0) {
      // The rest of the block waits on the free list.
      for (int32_t j = i; j < wanted; ++j) FreeBar(bars + j);
      return OSTRADA_VERIFY(place != 0) ? 1 : 0;
    }
    Link(bar, place);
    if (strengthFlag_ == 1) bar->strength = GetF32(at, daybar::kSize);
  }
  return OSTRADA_VERIFY(count_ == wanted) ? 1 : 0;
}

int DaySeries::Load(const char* path, int32_t limit) {
  Clear(0);
  if (!OSTRADA_VERIFY(path != nullptr)) return 0;
  FileCloser file(FileOpenToRead(path));
  if (file.get() == kInvalidHandle) return 0;  // told by the opening
  return Load(file.get(), limit);
}

int DaySeries::ExportText(FileHandle file, int hundredths) const {
  std::string text;
  char line[320];
  int32_t lines = 0;
  for (const DayBar* bar = oldest_; bar != nullptr; bar = bar->newer, ++lines) {
    const PriceBar& p = bar->price;
    int n = std::snprintf(line, sizeof line, "%.04d-%.02d-%.02d", p.time / 10000, p.time / 100 % 100, p.time % 100);
    if (hundredths == 1) {
      n += std::snprintf(line + n, sizeof line - n, "\t%.02f\t%.02f\t%.02f\t%.02f\t%d", p.open / 100.0, p.high / 100.0,
                         p.low / 100.0, p.close / 100.0, p.volume);
    } else {
      n += std::snprintf(line + n, sizeof line - n, "\t%d\t%d\t%d\t%d\t%d", p.open, p.high, p.low, p.close, p.volume);
    }
    // A minute bar's change word is its date, which has no hundredths.
    if (hundredths == 1 && kind_ != 'B') {
      n += std::snprintf(line + n, sizeof line - n, "\t%.02f", p.change / 100.0);
    } else {
      n += std::snprintf(line + n, sizeof line - n, "\t%d", p.change);
    }
    n += std::snprintf(line + n, sizeof line - n, "\t%.02f", static_cast<double>(p.rate));
    if (strengthFlag_ == 1 && bar->strength > 0.0f)
      n += std::snprintf(line + n, sizeof line - n, "\t%.02f", static_cast<double>(bar->strength));
    text.append(line, static_cast<size_t>(n)).append("\r\n");
  }
  if (!OSTRADA_VERIFY(lines == count_)) return 0;
  return WriteAll(file, text);
}

int DaySeries::ExportText(const char* path, int hundredths) const {
  if (!OSTRADA_VERIFY(path != nullptr)) return 0;
  ReplacingFile file(path);
  if (file.get() == kInvalidHandle) return 0;  // told by the replacing file
  return ExportText(file.get(), hundredths) ? file.Commit() : 0;
}

}  // namespace ostrada
