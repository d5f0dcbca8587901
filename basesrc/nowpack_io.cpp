// The pack file and the interest-group text files.
#include <string>

#include "basesrc/foundation/coding.h"
#include "basesrc/foundation/infofile.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/nowpack.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/nowpack";

using namespace packfile;

// The smallest a stored group can be: header, both tables and no records.
constexpr int32_t kSmallestGroup = static_cast<int32_t>(nowfile::kRecordsOffset);

// The groups the pattern-only interest file keeps.
constexpr Txt kFollowedPatterns[] = {
    Txt::kPattern2022, Txt::kPattern2023, Txt::kPattern2063, Txt::kPattern2074, Txt::kPattern2032,
    Txt::kPattern2002, Txt::kPattern2003, Txt::kPattern2004, Txt::kPattern2005, Txt::kPattern2082,
    Txt::kPattern2083, Txt::kPattern2081, Txt::kPattern2084,
};

bool Followed(const char* name) {
  for (Txt text : kFollowedPatterns) {
    if (Text(text) == name) return true;
  }
  return false;
}

int WriteText(FileHandle file, const std::string& text) {
  const auto size = static_cast<int32_t>(text.size());
  return OSTRADA_VERIFY(FileWrite(file, text.data(), size) == size) ? 1 : 0;
}

}  // namespace

int NowPack::Save(const char* path) {
  if (!OSTRADA_VERIFY(path != nullptr)) return 0;
  ReplacingFile file(path);
  if (file.get() == kInvalidHandle) return 0;  // told by the replacing file
  uint8_t head[kGroupsOffset];
  PutU32(head, kMagicOffset, kMagic);
  PutI32(head, kGroupCountOffset, GroupCount());
  // A pack that never got an ordering key holds no groups; it is stored with the arrival order, the
  // key a pack starts with, so that its file loads again.
  NowGroupHeader stored = header_;
  if (!IsPackKey(stored.key)) stored.key = kGroupKeyArrival;
  EncodeNowGroupHeader(stored, head + kHeaderOffset);
  EncodePatternCounts(totals_, head + kTotalsOffset);
  EncodePatternCounts(selection_, head + kSelectionOffset);
  if (!OSTRADA_VERIFY(FileWrite(file.get(), head, sizeof head) == static_cast<int32_t>(sizeof head))) return 0;
  for (NowGate* group = groups_.First(); group != nullptr; group = group->next) {
    if (!group->WriteBinary(file.get())) return 0;
  }
  return file.Commit();
}

int NowPack::Load(const char* path) {
  Clear();
  if (!OSTRADA_VERIFY(path != nullptr)) return 0;
  FileCloser file(FileOpenToRead(path));
  if (file.get() == kInvalidHandle) return 0;  // told by the opening
  const int32_t size = FileSeek(file.get(), 0, kSeekEnd);
  if (!OSTRADA_VERIFY(size >= 0 && FileSeek(file.get(), 0, kSeekSet) == 0)) return 0;
  return LoadFrom(file.get(), size);
}

int NowPack::LoadFrom(FileHandle file, int32_t fileSize) {
  uint8_t head[kGroupsOffset];
  if (!OSTRADA_VERIFY(FileRead(file, head, 4) == 4)) return 0;
  if (!OSTRADA_VERIFY(GetU32(head, kMagicOffset) == kMagic)) return 0;
  const int32_t rest = static_cast<int32_t>(sizeof head) - 4;
  if (!OSTRADA_VERIFY(FileRead(file, head + 4, rest) == rest)) return 0;
  const int32_t groups = GetI32(head, kGroupCountOffset);
  // Each group needs at least its header and tables: a count the file cannot hold is refused
  // before anything is made for it.
  if (!OSTRADA_VERIFY(groups >= 0 && groups <= (fileSize - static_cast<int32_t>(kGroupsOffset)) / kSmallestGroup))
    return 0;
  if (!OSTRADA_VERIFY(CheckInfoFileHeader(head + kHeaderOffset, nowfile::kKind))) return 0;
  header_ = DecodeNowGroupHeader(head + kHeaderOffset);
  DecodePatternCounts(head + kTotalsOffset, &totals_);
  DecodePatternCounts(head + kSelectionOffset, &selection_);
  if (!OSTRADA_VERIFY(IsPackKey(header_.key))) return 0;
  for (int32_t i = 0; i < groups; ++i) {
    auto group = std::make_unique<NowGate>();
    if (!OSTRADA_VERIFY(group->ReadBinary(file, 0)) || !Insert(std::move(group))) return 0;
  }
  return OSTRADA_VERIFY(GroupCount() == groups) ? 1 : 0;
}

int NowPack::WriteInterestFile(const char* path, int patternsOnly) const {
  if (!OSTRADA_VERIFY(path != nullptr)) return 0;
  ReplacingFile file(path);
  if (file.get() == kInvalidHandle) return 0;  // told by the replacing file
  std::string text = name_[0] != '\0' ? std::string("//") + name_ : Text(Txt::kInterestDefaultTitle);
  text += "\r\n";
  for (const NowGate* group = groups_.First(); group != nullptr; group = group->next) {
    if (group->Count() == 0 || (patternsOnly == 1 && !Followed(group->Name()))) continue;
    text.append("[").append(group->Name()).append("]\r\n");
    for (const NowInfo* entry = group->First(); entry != nullptr; entry = entry->next) {
      const char* name = entry->key.name.get();
      text.append(entry->key.code).append("(").append(name != nullptr ? name : "").append(")\r\n");
    }
    text += "\r\n";
  }
  return WriteText(file.get(), text) ? file.Commit() : 0;
}

}  // namespace ostrada
