#include "basesrc/trdyet.h"

#include <cstring>

namespace ostrada {

namespace {

// An owned copy of a server text, none for an empty one; false when the copy failed.
bool CopyUnlessEmpty(const std::string& text, HeapText* copy) {
  copy->reset();
  if (text.empty()) return true;
  copy->reset(StrDup(text.c_str()));
  return *copy != nullptr;
}

}  // namespace

TrdYetList::TrdYetList(const char* account) {
  InitHeader();
  if (account != nullptr) SetAccount(account);
}

TrdYetList::~TrdYetList() {
  FreeSummaryCopies();
}

void TrdYetList::InitHeader() {
  header_ = TrdYetHeader{};
  PutInfoFileHeader(reinterpret_cast<uint8_t*>(&header_), trdyet::kMagic);
  header_.firstRecordOffset = -1;
  header_.endOffset = -1;
}

void TrdYetList::FreeSummaryCopies() {
  if (header_.summaryCopy1 != nullptr) FreeMem(header_.summaryCopy1);
  if (header_.summaryCopy2 != nullptr) FreeMem(header_.summaryCopy2);
  header_.summaryCopy1 = nullptr;
  header_.summaryCopy2 = nullptr;
}

void TrdYetList::Clear(int keepAccount) {
  FreeRecords();
  FreeSummaryCopies();
  char account[kTrdAccountSize];
  std::memcpy(account, header_.account, sizeof account);
  InitHeader();
  if (keepAccount == 1) std::memcpy(header_.account, account, sizeof account);
}

int TrdYetList::SetSummary(const std::string& text, const std::string& text1, const std::string& text4) {
  HeapText copy1;
  HeapText copy2;
  if (!OSTRADA_VERIFY(CopyUnlessEmpty(text1, &copy1) && CopyUnlessEmpty(text4, &copy2))) return 0;
  FreeSummaryCopies();
  StrCopyBounded(header_.summaryText, text.c_str(), sizeof header_.summaryText);
  header_.summaryCopy1 = copy1.release();
  header_.summaryCopy2 = copy2.release();
  return 1;
}

}  // namespace ostrada
