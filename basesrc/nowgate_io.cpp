#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "basesrc/foundation/blockreader.h"
#include "basesrc/foundation/coding.h"
#include "basesrc/foundation/infofile.h"
#include "basesrc/foundation/report.h"
#include "basesrc/nowgate.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/nowgate_io";

using namespace nowfile;

constexpr int kTextMode = 1;
constexpr size_t kNameLengthSize = 4;
constexpr size_t kMarkerSize = 4;
// The longest a stored record can be, so a reader never asks for more than its records can use.
constexpr int64_t kLongestRecord = kRecordOverhead + kNameBufferSize - 1;
static_assert(BlockReader::kBlockSize >= kLongestRecord);

void AppendI32(std::vector<uint8_t>* out, int32_t value) {
  uint8_t bytes[4];
  PutI32(bytes, 0, value);
  out->insert(out->end(), bytes, bytes + 4);
}

// The stored records, parsed from the bytes read for them. Every length is checked against what is
// left before it is used.
class RecordReader {
 public:
  RecordReader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

  // One record's fixed part and its stored name (not terminated), left where they stand; 0
  // (reported) for a truncated record, a name that does not fit the name buffer or a wrong marker.
  int Next(const uint8_t** fixed, const char** name, size_t* nameLength) {
    if (!OSTRADA_VERIFY(Left() >= nowrecord::kFixedSize + kNameLengthSize)) return 0;
    *fixed = bytes_ + used_;
    const uint32_t length = GetU32(bytes_ + used_, nowrecord::kFixedSize);
    used_ += nowrecord::kFixedSize + kNameLengthSize;
    if (!OSTRADA_VERIFY(length < kNameBufferSize)) return 0;
    if (!OSTRADA_VERIFY(Left() >= length + kMarkerSize)) return 0;
    *name = reinterpret_cast<const char*>(bytes_ + used_);
    *nameLength = length;
    used_ += length;
    const uint32_t marker = GetU32(bytes_ + used_, 0);
    used_ += kMarkerSize;
    return OSTRADA_VERIFY(marker == 0) ? 1 : 0;
  }

  size_t Used() const { return used_; }

 private:
  size_t Left() const { return size_ - used_; }

  const uint8_t* bytes_;
  size_t size_;
  size_t used_ = 0;
};

// A reader holds a name in its name buffer; a longer one would be saved but never read back.
bool NamesFitTheReader(const NowInfo* first) {
  for (const NowInfo* node = first; node != nullptr; node = node->next) {
    if (StrLen(node->key.name.get()) >= kNameBufferSize) return false;
  }
  return true;
}

// The stored code field may lack its terminator: at most 15 bytes of it are the code, and the bytes
// after the code are zero, as in a key set from a text.
void CopyStoredCode(const uint8_t* field, char (&code)[kCodeSize]) {
  const size_t length = strnlen(reinterpret_cast<const char*>(field), kCodeSize - 1);
  std::memcpy(code, field, length);
  std::memset(code + length, 0, kCodeSize - length);
}

}  // namespace

void EncodeNowGroupHeader(const NowGroupHeader& header, uint8_t* out) {
  PutInfoFileHeader(out, kKind);
  PutText(out, kNameOffset, header.name, kNameSize);
  PutI32(out, kCodeAttrFlagOffset, header.codeAttrFlag);
  PutI32(out, kKeyOffset, header.key);
  PutI32(out, kReservedAOffset, header.reservedA);
  PutI32(out, kReservedBOffset, header.reservedB);
  PutI32(out, kLatestTimeOffset, header.latestTime);
  PutI32(out, kCountOffset, header.count);
  PutI32(out, kThresholdOffset, header.threshold);
  PutI32(out, kRisingDaysOffset, header.risingDays);
  PutI32(out, kRecordsBeginOffset, header.recordsBegin);
  PutI32(out, kRecordsEndOffset, header.recordsEnd);
}

NowGroupHeader DecodeNowGroupHeader(const uint8_t* in) {
  NowGroupHeader header;
  const std::string name = GetText(in, kNameOffset, kNameSize);
  StrCopyBounded(header.name, name.c_str(), sizeof header.name);
  header.codeAttrFlag = GetI32(in, kCodeAttrFlagOffset);
  header.key = GetI32(in, kKeyOffset);
  header.reservedA = GetI32(in, kReservedAOffset);
  header.reservedB = GetI32(in, kReservedBOffset);
  header.latestTime = GetI32(in, kLatestTimeOffset);
  header.count = GetI32(in, kCountOffset);
  header.threshold = GetI32(in, kThresholdOffset);
  header.risingDays = GetI32(in, kRisingDaysOffset);
  header.recordsBegin = GetI32(in, kRecordsBeginOffset);
  header.recordsEnd = GetI32(in, kRecordsEndOffset);
  return header;
}

void NowGate::EncodeHeader(uint8_t* out) const {
  NowGroupHeader header;
  std::memcpy(header.name, name_, sizeof header.name);
  header.codeAttrFlag = codeAttrFlag_;
  header.key = key_;
  header.reservedA = reservedA_;
  header.reservedB = reservedB_;
  header.latestTime = latestTime_;
  header.count = Count();
  header.threshold = volumeThreshold_;
  header.risingDays = risingDays_;
  header.recordsBegin = recordsBegin_;
  header.recordsEnd = recordsEnd_;
  EncodeNowGroupHeader(header, out);
}

int NowGate::WriteBinary(FileHandle file) {
  if (!OSTRADA_VERIFY(NamesFitTheReader(First()))) return 0;
  const int32_t start = FileSeek(file, 0, kSeekCur);
  if (!OSTRADA_VERIFY(start >= 0)) return 0;
  // The whole group is laid out in memory and written with one call: header, counters, selection
  // table, then each record with its name and a 0 marker.
  std::vector<uint8_t> image(kRecordsOffset, 0);
  EncodePatternCounts(counts_, image.data() + kCountsOffset);
  EncodePatternCounts(selection_, image.data() + kSelectionOffset);
  image.reserve(kRecordsOffset + static_cast<size_t>(Count()) * (kRecordOverhead + 16));
  int32_t written = 0;
  uint8_t fixed[nowrecord::kFixedSize];
  for (const NowInfo* node = First(); node != nullptr; node = node->next, ++written) {
    EncodeNowInfoFixed(*node, fixed);
    image.insert(image.end(), fixed, fixed + sizeof fixed);
    const char* name = node->key.name.get();
    const auto nameLength = static_cast<int32_t>(StrLen(name));
    AppendI32(&image, nameLength);
    if (nameLength > 0) image.insert(image.end(), name, name + nameLength);
    AppendI32(&image, 0);
  }
  if (!OSTRADA_VERIFY(written == Count())) return 0;
  if (!OSTRADA_VERIFY(int64_t{start} + static_cast<int64_t>(image.size()) <= INT32_MAX)) return 0;
  recordsBegin_ = start + static_cast<int32_t>(kRecordsOffset);
  recordsEnd_ = start + static_cast<int32_t>(image.size());
  EncodeHeader(image.data());
  const auto size = static_cast<int32_t>(image.size());
  return OSTRADA_VERIFY(FileWrite(file, image.data(), size) == size) ? 1 : 0;
}

int NowGate::WriteText(FileHandle file) const {
  std::string text;
  for (const NowInfo* node = First(); node != nullptr; node = node->next) {
    const char* name = node->key.name.get();
    text.append(node->key.code).append("(").append(name ? name : "").append(")\r\n");
  }
  if (!OSTRADA_VERIFY(text.size() <= INT32_MAX)) return 0;
  const auto size = static_cast<int32_t>(text.size());
  return OSTRADA_VERIFY(FileWrite(file, text.data(), size) == size) ? 1 : 0;
}

int NowGate::Save(const char* path, int mode, int flag) {
  if (!OSTRADA_VERIFY(path != nullptr)) return 0;
  // A refused text export must not cost the file it would have replaced.
  if (mode == kTextMode && !OSTRADA_VERIFY(flag != 0)) return 0;
  // Refused before the file is created, so the file already there is kept.
  if (mode != kTextMode && !OSTRADA_VERIFY(NamesFitTheReader(First()))) return 0;
  ReplacingFile file(path);
  if (file.get() == kInvalidHandle) return 0;  // told by the replacing file
  return (mode == kTextMode ? WriteText(file.get()) : WriteBinary(file.get())) ? file.Commit() : 0;
}

int NowGate::Load(const char* path, int32_t key) {
  Reset();
  if (!OSTRADA_VERIFY(path != nullptr)) return 0;
  FileCloser file(FileOpenToRead(path));
  if (file.get() == kInvalidHandle) return 0;  // told by the opening
  return ReadBinary(file.get(), key);
}

int NowGate::ReadBinary(FileHandle file, int32_t key) {
  Reset();
  if (key != 0) SetKey(key);
  int32_t start = 0;
  int32_t fileEnd = 0;
  if (!OSTRADA_VERIFY(FileSpan(file, &start, &fileEnd))) return 0;

  uint8_t head[kRecordsOffset];
  if (!OSTRADA_VERIFY(FileRead(file, head, sizeof head) == static_cast<int32_t>(sizeof head))) return 0;
  if (!OSTRADA_VERIFY(CheckInfoFileHeader(head, kKind))) return 0;
  const std::string name = GetText(head, kNameOffset, kNameSize);
  StrCopyBounded(name_, name.c_str(), sizeof name_);
  reservedA_ = GetI32(head, kReservedAOffset);
  reservedB_ = GetI32(head, kReservedBOffset);
  latestTime_ = GetI32(head, kLatestTimeOffset);
  DecodePatternCounts(head + kSelectionOffset, &selection_);

  const int32_t records = GetI32(head, kCountOffset);
  const int32_t begin = GetI32(head, kRecordsBeginOffset);
  if (!OSTRADA_VERIFY(records >= 0)) return 0;
  if (!OSTRADA_VERIFY(begin >= start + static_cast<int32_t>(kRecordsOffset) && begin <= fileEnd)) return 0;
  // The records read before a failure stay in the group, in order, with a balanced tree.
  return ReadRecords(file, begin, fileEnd, records);
}

// Reads the records from the stored records-begin offset, never more than the file holds nor more
// than the stored count can use; afterwards the file position is just past the records.
int NowGate::ReadRecords(FileHandle file, int32_t begin, int32_t fileEnd, int32_t records) {
  const auto wanted = static_cast<size_t>(std::min<int64_t>(fileEnd - begin, records * kLongestRecord));
  if (!OSTRADA_VERIFY(FileSeek(file, begin, kSeekSet) == begin)) return 0;
  if (records == 0) return 1;
  BlockReader blocks(file, wanted);
  bool readFailed = false;
  std::vector<NowInfo*> loaded;
  loaded.reserve(static_cast<size_t>(std::min<int64_t>(records, static_cast<int64_t>(wanted / kRecordOverhead) + 1)));
  const uint8_t* fixed = nullptr;
  const char* name = nullptr;
  size_t nameLength = 0;
  for (int32_t i = 0; i < records; ++i) {
    readFailed = !blocks.Want(kLongestRecord);
    if (readFailed) break;
    RecordReader reader(blocks.Data(), blocks.Available());
    NowInfo* record = reader.Next(&fixed, &name, &nameLength) ? NewStoredRecord(fixed, name, nameLength) : nullptr;
    if (record == nullptr) break;
    loaded.push_back(record);
    blocks.Consume(reader.Used());
  }
  FileSeek(file, begin + static_cast<int32_t>(blocks.Taken()), kSeekSet);
  // The records read before a failure still go in.
  const bool complete = !readFailed && loaded.size() == static_cast<size_t>(records);
  return LinkAll(loaded) && complete && OSTRADA_VERIFY(Count() == records) ? 1 : 0;
}

// Built in one pass over the slot, as a load makes thousands of them: the price block is copied
// whole and only what the file does not hold is set, instead of clearing the whole record first.
// The name goes right behind the record, in the same block: one allocation, and the load writes
// one run of memory. A slot freed later serves a new record; its name stays in the arena.
NowInfo* NowGate::NewStoredRecord(const uint8_t* fixed, const char* name, size_t storedLength) {
  const size_t nameLength = strnlen(name, storedLength);
  if (!OSTRADA_VERIFY(nameLength > 0)) return nullptr;
  void* slot = arena_.AllocateUninitialized(sizeof(NowInfo) + nameLength + 1, alignof(NowInfo));
  if (slot == nullptr) return nullptr;
  char* nameCopy = static_cast<char*>(slot) + sizeof(NowInfo);
  std::memcpy(nameCopy, name, nameLength);
  nameCopy[nameLength] = '\0';
  auto* record = new (slot) NowInfo;  // the owning members start empty; every other field is set below
  CopyStoredCode(fixed + nowrecord::kCodeOffset, record->key.code);
  record->key.name.reset(nameCopy);
  DecodeNowPrice(fixed + nowrecord::kPriceOffset, &record->price);
  NowInfoTakeRow(record, record->price, nullptr);
  record->minutesDiff = record->volumeDiff = record->value12Diff = 0;
  record->rateDiff = 0.0f;
  record->parent = record->left = record->right = record->prev = record->next = nullptr;
  return record;
}

}  // namespace ostrada
