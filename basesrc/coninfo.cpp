#include "basesrc/coninfo.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>

#include "basesrc/foundation/coding.h"
#include "basesrc/foundation/infofile.h"
#include "basesrc/foundation/memory.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"

namespace ostrada {

static constexpr char kModule[] = "basesrc/coninfo";

namespace {

namespace rec = contract_record;
namespace hdr = contract_tape;

// Records move through the file in blocks of this many, so a long tape costs few system calls.
constexpr int kRecordsPerBlock = 128;
constexpr int kBlockSize = kRecordsPerBlock * rec::kSize;

void PutPair(uint8_t* bytes, int offset, TimePrice pair) {
  PutI32(bytes, offset, pair.timeHHMM);
  PutI32(bytes, offset + 4, pair.price);
}

TimePrice GetPair(const uint8_t* bytes, int offset) {
  return {GetI32(bytes, offset), GetI32(bytes, offset + 4)};
}

// A stored text field holds at most size - 1 bytes and its NUL; anything else is not ours.
bool CopyStoredText(const uint8_t* field, int size, char* text) {
  const auto* end = std::find(field, field + size, uint8_t{0});
  if (end == field + size) return false;
  std::copy(field, end + 1, reinterpret_cast<uint8_t*>(text));
  return true;
}

int WriteAll(FileHandle file, const void* bytes, int32_t size) {
  return OSTRADA_VERIFY(FileWrite(file, bytes, size) == size) ? 1 : 0;
}

}  // namespace

void ContractRecord::Reset() {
  MemFill(this, 0, rec::kResetSize);
}

void EncodeContractRecord(const ContractRecord& record, uint8_t* bytes) {
  PutI32(bytes, rec::kTimeHHMM, record.timeHHMM);
  PutI32(bytes, rec::kTimeHHMMSS, record.timeHHMMSS);
  PutI32(bytes, rec::kAux1, record.aux1);
  PutI32(bytes, rec::kAux2, record.aux2);
  PutI32(bytes, rec::kPrice, record.price);
  PutI32(bytes, rec::kChange, record.change);
  PutI32(bytes, rec::kVolume, record.volume);
  PutI32(bytes, rec::kTickVolume, record.tickVolume);
  PutF32(bytes, rec::kStrength, record.strength);
  bytes[rec::kSide] = static_cast<uint8_t>(record.side);
  bytes[rec::kPhase] = static_cast<uint8_t>(record.phase);
  bytes[rec::kPhase + 1] = record.padding[0];
  bytes[rec::kPhase + 2] = record.padding[1];
}

void DecodeContractRecord(const uint8_t* bytes, ContractRecord* record) {
  record->timeHHMM = GetI32(bytes, rec::kTimeHHMM);
  record->timeHHMMSS = GetI32(bytes, rec::kTimeHHMMSS);
  record->aux1 = GetI32(bytes, rec::kAux1);
  record->aux2 = GetI32(bytes, rec::kAux2);
  record->price = GetI32(bytes, rec::kPrice);
  record->change = GetI32(bytes, rec::kChange);
  record->volume = GetI32(bytes, rec::kVolume);
  record->tickVolume = GetI32(bytes, rec::kTickVolume);
  record->strength = GetF32(bytes, rec::kStrength);
  record->side = static_cast<char>(bytes[rec::kSide]);
  record->phase = static_cast<char>(bytes[rec::kPhase]);
  record->padding[0] = bytes[rec::kPhase + 1];
  record->padding[1] = bytes[rec::kPhase + 2];
}

void ContractTape::Reset() {
  MemFill(code_, 0, sizeof code_);
  MemFill(name_, 0, sizeof name_);
  count_ = 0;
  headPair_ = tailPair_ = highPair_ = lowPair_ = TimePrice{};
  firstRecordOffset_ = -1;
  endOffset_ = -1;
  head_ = nullptr;
  tail_ = nullptr;
}

int ContractTape::Create(const char* code, const char* name) {
  Clear(0);
  if (code == nullptr) return 1;
  if (!OSTRADA_VERIFY(name != nullptr && code[0] != '\0' && name[0] != '\0')) return 0;
  StrCopyBounded(code_, code, sizeof code_);
  StrCopyBounded(name_, name, sizeof name_);
  return 1;
}

int ContractTape::Create(const char* code, const char* name, const ContractRecord& record) {
  if (!Create(code, name)) return 0;
  return Insert(record);
}

void ContractTape::FreeRecords() {
  ContractNode* node = head_;
  while (node != nullptr) {
    ContractNode* next = node->next;
    node->~ContractNode();
    FreeMem(node);
    node = next;
  }
  head_ = tail_ = nullptr;
  count_ = 0;
}

void ContractTape::Clear(int keepNames) {
  FreeRecords();
  char code[hdr::kCodeSize];
  char name[hdr::kNameSize];
  std::copy(std::begin(code_), std::end(code_), code);
  std::copy(std::begin(name_), std::end(name_), name);
  Reset();
  if (keepNames == 1) {
    std::copy(std::begin(code), std::end(code), code_);
    std::copy(std::begin(name), std::end(name), name_);
  }
}

int ContractTape::Insert(const ContractRecord& record) {
  void* block = AllocZeroed(sizeof(ContractNode));
  if (!OSTRADA_VERIFY(block != nullptr)) return 0;
  auto* node = new (block) ContractNode{record, nullptr, nullptr};
  Link(node);
  return 1;
}

void ContractTape::Link(ContractNode* node) {
  node->prev = nullptr;
  node->next = head_;
  if (head_ != nullptr) head_->prev = node;
  head_ = node;
  if (tail_ == nullptr) tail_ = node;
  ++count_;
  const ContractRecord& r = node->record;
  const TimePrice pair{r.timeHHMM, r.price};
  headPair_ = pair;
  if (tail_ == node) tailPair_ = pair;
  // Strict comparisons: of equal extremes the record linked first keeps its place.
  if (highPair_.price == 0 || highPair_.price < r.price) highPair_ = pair;
  if (lowPair_.price == 0 || lowPair_.price > r.price) lowPair_ = pair;
}

void ContractTape::EncodeHeader(uint8_t* header) const {
  std::fill(header, header + hdr::kHeaderSize, uint8_t{0});
  PutInfoFileHeader(header, hdr::kMagic);
  PutText(header, hdr::kCodeOffset, code_, hdr::kCodeSize);
  PutText(header, hdr::kNameOffset, name_, hdr::kNameSize);
  PutI32(header, hdr::kCountOffset, count_);
  PutPair(header, hdr::kHeadPairOffset, headPair_);
  PutPair(header, hdr::kTailPairOffset, tailPair_);
  PutPair(header, hdr::kHighPairOffset, highPair_);
  PutPair(header, hdr::kLowPairOffset, lowPair_);
  PutI32(header, hdr::kFirstRecordOffset, firstRecordOffset_);
  PutI32(header, hdr::kEndOffset, endOffset_);
}

// Takes every header field but the count, which the records rebuild as they are linked.
int ContractTape::DecodeHeader(const uint8_t* header) {
  if (!OSTRADA_VERIFY(CheckInfoFileHeader(header, hdr::kMagic))) return 0;
  if (!OSTRADA_VERIFY(CopyStoredText(header + hdr::kCodeOffset, hdr::kCodeSize, code_))) return 0;
  if (!OSTRADA_VERIFY(CopyStoredText(header + hdr::kNameOffset, hdr::kNameSize, name_))) return 0;
  headPair_ = GetPair(header, hdr::kHeadPairOffset);
  tailPair_ = GetPair(header, hdr::kTailPairOffset);
  highPair_ = GetPair(header, hdr::kHighPairOffset);
  lowPair_ = GetPair(header, hdr::kLowPairOffset);
  firstRecordOffset_ = GetI32(header, hdr::kFirstRecordOffset);
  endOffset_ = GetI32(header, hdr::kEndOffset);
  return 1;
}

int ContractTape::Save(FileHandle file) {
  const int32_t start = FileSeek(file, 0, kSeekCur);
  if (!OSTRADA_VERIFY(start >= 0)) return 0;
  uint8_t header[hdr::kHeaderSize];
  EncodeHeader(header);
  if (!WriteAll(file, header, hdr::kHeaderSize)) return 0;

  uint8_t block[kBlockSize];
  int inBlock = 0;
  int32_t written = 0;
  for (const ContractNode* node = tail_; node != nullptr; node = node->prev) {
    EncodeContractRecord(node->record, block + inBlock * rec::kSize);
    ++written;
    if (++inBlock == kRecordsPerBlock) {
      if (!WriteAll(file, block, kBlockSize)) return 0;
      inBlock = 0;
    }
  }
  if (inBlock > 0 && !WriteAll(file, block, inBlock * rec::kSize)) return 0;
  if (!OSTRADA_VERIFY(written == count_)) return 0;

  const int32_t end = FileSeek(file, 0, kSeekCur);
  if (!OSTRADA_VERIFY(end >= 0)) return 0;
  firstRecordOffset_ = start + hdr::kHeaderSize;
  endOffset_ = end;
  EncodeHeader(header);
  if (!OSTRADA_VERIFY(FileSeek(file, start, kSeekSet) == start)) return 0;
  if (!WriteAll(file, header, hdr::kHeaderSize)) return 0;
  return OSTRADA_VERIFY(FileSeek(file, end, kSeekSet) == end) ? 1 : 0;
}

int ContractTape::Save(const char* path) {
  ReplacingFile file(path);
  if (file.get() == kInvalidHandle) return 0;  // told by the replacing file
  return Save(file.get()) ? file.Commit() : 0;
}

int ContractTape::Load(FileHandle file, int limit) {
  Clear(0);
  int32_t start = 0;
  int32_t size = 0;
  if (!OSTRADA_VERIFY(FileSpan(file, &start, &size))) return 0;

  uint8_t header[hdr::kHeaderSize];
  if (!OSTRADA_VERIFY(FileRead(file, header, hdr::kHeaderSize) == hdr::kHeaderSize)) return 0;
  if (!DecodeHeader(header)) {
    Reset();
    return 0;
  }
  const int32_t stored = GetI32(header, hdr::kCountOffset);
  const int32_t wanted = limit > 0 ? std::min(stored, limit) : stored;
  // The count comes from the file: it must fit in what the file still holds before anything is read.
  const int64_t left = static_cast<int64_t>(size) - start - hdr::kHeaderSize;
  if (!OSTRADA_VERIFY(stored >= 0 && static_cast<int64_t>(wanted) * rec::kSize <= left)) return 0;

  uint8_t block[kBlockSize];
  for (int32_t done = 0; done < wanted;) {
    const int n = static_cast<int>(std::min<int32_t>(wanted - done, kRecordsPerBlock));
    if (!OSTRADA_VERIFY(FileRead(file, block, n * rec::kSize) == n * rec::kSize)) return 0;
    for (int i = 0; i < n; ++i) {
      ContractRecord record;
      DecodeContractRecord(block + i * rec::kSize, &record);
      if (!Insert(record)) return 0;
    }
    done += n;
  }
  return OSTRADA_VERIFY(count_ == wanted) ? 1 : 0;
}

int ContractTape::Load(const char* path, int limit) {
  FileCloser file(FileOpenToRead(path));
  if (file.get() == kInvalidHandle) return 0;  // told by the opening
  return Load(file.get(), limit);
}

int ContractTape::SaveText(FileHandle file) const {
  std::string text;
  for (Txt line : {Txt::kConDumpLegend, Txt::kConDumpPhase0, Txt::kConDumpPhase1, Txt::kConDumpPhase2}) {
    text += Text(line);
    text += "\r\n";
  }
  char buffer[256];
  for (const ContractNode* node = head_; node != nullptr; node = node->next) {
    const ContractRecord& r = node->record;
    const int length =
        std::snprintf(buffer, sizeof buffer, "%.02d:%.02d:%.02d\t%d\t%d\t%d\t%d\t%.02f\t%c\t%c\r\n",
                      r.timeHHMMSS / 10000, r.timeHHMMSS / 100 % 100, r.timeHHMMSS % 100, r.price, r.change, r.volume,
                      r.tickVolume, static_cast<double>(r.strength), r.side, r.phase);
    if (!OSTRADA_VERIFY(length > 0 && length < static_cast<int>(sizeof buffer))) return 0;
    text.append(buffer, static_cast<size_t>(length));
  }
  return WriteAll(file, text.data(), static_cast<int32_t>(text.size()));
}

int ContractTape::SaveText(const char* path) const {
  ReplacingFile file(path);
  if (file.get() == kInvalidHandle) return 0;  // told by the replacing file
  return SaveText(file.get()) ? file.Commit() : 0;
}

// Data fields of a contract-history row.
namespace history_row {
constexpr int kTimeHHMM = 0;
constexpr int kChange = 1;
constexpr int kAux1 = 2;
constexpr int kAux2 = 3;
constexpr int kPrice = 4;
constexpr int kVolume = 5;
constexpr int kTickVolume = 6;
constexpr int kSide = 7;
constexpr int kStrength = 8;
constexpr int kTimeHHMMSS = 9;
constexpr int kPhase = 10;
}  // namespace history_row

char ContractCharOf(const broker::Variant& value) {
  if (value.Type() == broker::VarType::kText) {
    const std::string text = value.ToText();
    return text.empty() ? '\0' : text[0];
  }
  return static_cast<char>(value.ToI4() & 0xFF);
}

void ReadContractRow(broker::IMarketRequest& page, int32_t row, ContractRecord* record) {
  namespace field = history_row;
  *record = ContractRecord{};
  record->timeHHMM = page.DataValue(field::kTimeHHMM, row).ToI4();
  record->timeHHMMSS = page.DataValue(field::kTimeHHMMSS, row).ToI4();
  record->aux1 = page.DataValue(field::kAux1, row).ToI4();
  record->aux2 = page.DataValue(field::kAux2, row).ToI4();
  record->price = page.DataValue(field::kPrice, row).ToI4();
  record->change = page.DataValue(field::kChange, row).ToI4();
  record->volume = page.DataValue(field::kVolume, row).ToI4();
  record->tickVolume = page.DataValue(field::kTickVolume, row).ToI4();
  record->strength = page.DataValue(field::kStrength, row).ToR4();
  record->side = ContractCharOf(page.DataValue(field::kSide, row));
  record->phase = ContractCharOf(page.DataValue(field::kPhase, row));
}

}  // namespace ostrada
