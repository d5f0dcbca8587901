// The code book's info file and its text export.
#include <array>
#include <cstring>

#include "basesrc/codeinfo.h"
#include "basesrc/foundation/coding.h"
#include "basesrc/foundation/files.h"
#include "basesrc/foundation/infofile.h"
#include "basesrc/foundation/report.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/codeinfo";

using Header = std::array<uint8_t, codefile::kHeaderSize>;

int WriteAll(FileHandle handle, const void* bytes, size_t length) {
  return FileWrite(handle, bytes, static_cast<int32_t>(length)) == static_cast<int32_t>(length) ? 1 : 0;
}

int ReadAll(FileHandle handle, void* bytes, size_t length) {
  return FileRead(handle, bytes, static_cast<int32_t>(length)) == static_cast<int32_t>(length) ? 1 : 0;
}

}  // namespace

void CodeInfoList::EncodeHeader(uint8_t* out) const {
  using namespace codefile;
  std::memset(out, 0, kHeaderSize);
  PutInfoFileHeader(out, kKind);
  PutText(out, kDescriptionOffset, description_, kDescriptionSize);
  PutI32(out, kSortKindOffset, sortKind_);
  PutI32(out, kMarket3RemovedOffset, market3Removed_);
  PutI32(out, kMarket1Offset, counters_.market1);
  PutI32(out, kMarket2Offset, counters_.market2);
  PutI32(out, kMarket34Offset, counters_.market34);
  PutI32(out, kClass1Offset, counters_.class1);
  PutI32(out, kClass4Offset, counters_.class4);
  PutI32(out, kClass5Offset, counters_.class5);
  PutI32(out, kClass2OneOffset, counters_.class2One);
  PutI32(out, kClass2TwoOffset, counters_.class2Two);
  PutI32(out, kClass2ThreeOffset, counters_.class2Three);
  PutI32(out, kCountOffset, Count());
  PutI32(out, kFirstRecordOffset, firstRecordOffset_);
  PutI32(out, kEndOffset, endOffset_);
}

int CodeInfoList::Save(const char* path) {
  using namespace codefile;
  ReplacingFile file(path);
  if (file.get() == kInvalidHandle) return 0;  // told by the replacing file
  const int32_t headerAt = FileSeek(file.get(), 0, kSeekCur);
  Header header;
  EncodeHeader(header.data());
  if (!OSTRADA_VERIFY(headerAt >= 0 && WriteAll(file.get(), header.data(), header.size()))) return 0;
  const int32_t firstRecord = FileSeek(file.get(), 0, kSeekCur);

  int32_t written = 0;
  for (const CodeInfo* stock = First(); stock != nullptr; stock = stock->next, ++written) {
    std::array<uint8_t, kRecordFixedSize> fixed{};
    std::memcpy(fixed.data() + kRecordCodeOffset, stock->key.code, kCodeSize);
    EncodeCodeAttr(stock->attr, fixed.data() + kRecordAttrOffset);
    const size_t nameLength = StrLen(stock->key.name.get());
    // A name longer than a load's buffer would make the whole file unreadable; the file in place stays.
    if (!OSTRADA_VERIFY(nameLength < kNameBufferSize)) return 0;
    PutU32(fixed.data(), kRecordNameLengthOffset, static_cast<uint32_t>(nameLength));
    if (!OSTRADA_VERIFY(WriteAll(file.get(), fixed.data(), fixed.size()))) return 0;
    if (!OSTRADA_VERIFY(WriteAll(file.get(), stock->key.name.get(), nameLength))) return 0;
  }
  if (!OSTRADA_VERIFY(written == Count())) return 0;

  firstRecordOffset_ = firstRecord;
  endOffset_ = FileSeek(file.get(), 0, kSeekCur);
  EncodeHeader(header.data());
  if (!OSTRADA_VERIFY(FileSeek(file.get(), headerAt, kSeekSet) == headerAt)) return 0;
  if (!OSTRADA_VERIFY(WriteAll(file.get(), header.data(), header.size()))) return 0;
  return file.Commit();
}

int CodeInfoList::Load(const char* path, int sortKind, int dropMarket3) {
  using namespace codefile;
  if (!OSTRADA_VERIFY(path != nullptr)) return 0;
  Clear();
  if (sortKind != 0) SetSortKind(sortKind);
  FileCloser file(FileOpenToRead(path));
  if (file.get() == kInvalidHandle) return 0;  // told by the opening

  Header header;
  if (!OSTRADA_VERIFY(ReadAll(file.get(), header.data(), header.size()))) return 0;
  if (!OSTRADA_VERIFY(CheckInfoFileHeader(header.data(), kKind))) return 0;
  const int32_t records = GetI32(header.data(), kCountOffset);

  // The records are read one by one and each is checked against what the file still holds, so a
  // count above the records present stops at the first missing one, keeping the stocks read.
  if (!OSTRADA_VERIFY(records >= 0)) return 0;
  if (!LoadRecords(file.get(), records)) return 0;
  if (!OSTRADA_VERIFY(Count() == records)) return 0;
  if (!Rebuild()) return 0;
  if (dropMarket3 == 1 && !OSTRADA_VERIFY(RemoveMarket3() >= 0)) return 0;
  return 1;
}

int CodeInfoList::LoadRecords(int handle, int32_t records) {
  using namespace codefile;
  for (int32_t i = 0; i < records; ++i) {
    std::array<uint8_t, kRecordFixedSize> fixed;
    if (!OSTRADA_VERIFY(ReadAll(handle, fixed.data(), fixed.size()))) return 0;
    const uint32_t nameLength = GetU32(fixed.data(), kRecordNameLengthOffset);
    if (!OSTRADA_VERIFY(nameLength >= 1 && nameLength < kNameBufferSize)) return 0;
    std::array<char, kNameBufferSize> name{};
    if (!OSTRADA_VERIFY(ReadAll(handle, name.data(), nameLength))) return 0;

    char code[kCodeSize];
    std::memcpy(code, fixed.data() + kRecordCodeOffset, kCodeSize);
    code[kCodeSize - 1] = '\0';
    CodeAttr attributes;
    DecodeCodeAttr(fixed.data() + kRecordAttrOffset, &attributes);
    if (!Insert(code, name.data(), &attributes)) return 0;
  }
  return 1;
}

int CodeInfoList::ExportText(const char* path, int codesOnly) const {
  ReplacingFile file(path);
  if (file.get() == kInvalidHandle) return 0;  // told by the replacing file
  int lines = 0;
  std::string line;
  for (const CodeInfo* stock = First(); stock != nullptr; stock = stock->next, ++lines) {
    line.assign(stock->key.code);
    if (codesOnly != 1) line.append("(").append(stock->key.name.get()).append(")");
    line.append("\r\n");
    if (!OSTRADA_VERIFY(WriteAll(file.get(), line.data(), line.size()))) return 0;
  }
  return OSTRADA_VERIFY(lines == Count()) ? file.Commit() : 0;
}

}  // namespace ostrada
