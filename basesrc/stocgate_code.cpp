// The code-list download and the two market times.
#include <cstring>
#include <string>

#include "basesrc/codeinfo.h"
#include "basesrc/foundation/memory.h"
#include "basesrc/foundation/report.h"
#include "basesrc/stocgate.h"
#include "broker/clsid.h"
#include "broker/server.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/stocgate_code";

// Code-manager slots, one per attribute, in the order the download calls them.
enum CodeManagerSlot : int {
  kSlotNumber1 = 17,
  kSlotMarket = 18,
  kSlotClass1 = 19,
  kSlotClass4 = 20,
  kSlotClass2 = 21,
  kSlotFlagByte = 22,
  kSlotNumber2 = 23,
  kSlotClass3 = 24,
  kSlotClass5 = 25,
};

// Stock-code list data types.
enum CodeListItem : int16_t { kItemCode = 0, kItemName = 1, kItemCode2 = 2 };

// The first byte of the value's text; an empty text gives 0, which the book rejects where it validates.
char FirstChar(const broker::Variant& value) {
  char first[2] = {};
  StrCopyBounded(first, value.ToText().c_str(), sizeof first);
  return first[0];
}

// Reads the nine attributes of one stock in the server's calling order.
void ReadAttributes(broker::ICodeManager& manager, const std::string& code, CodeAttr* a) {
  a->number1 = manager.CodeAttribute(kSlotNumber1, code).ToI4();
  a->market = FirstChar(manager.CodeAttribute(kSlotMarket, code));
  a->class1 = FirstChar(manager.CodeAttribute(kSlotClass1, code));
  a->class4 = FirstChar(manager.CodeAttribute(kSlotClass4, code));
  a->class5 = FirstChar(manager.CodeAttribute(kSlotClass5, code));
  a->class2 = FirstChar(manager.CodeAttribute(kSlotClass2, code));
  a->flagByte = manager.CodeAttribute(kSlotFlagByte, code).ToUI1();
  a->number2 = manager.CodeAttribute(kSlotNumber2, code).ToI4();
  a->class3 = FirstChar(manager.CodeAttribute(kSlotClass3, code));
}

}  // namespace

std::unique_ptr<CodeInfoList> StocGate::DownloadCodes(int sortKind, int dropMarket3) {
  auto book = std::make_unique<CodeInfoList>(sortKind);
  // The failure was told where it happened: a server's in its own words, a failed check as such.
  if (FillCodes(book.get(), sortKind, dropMarket3) != 1) return nullptr;
  return book;
}

int StocGate::FillCodes(CodeInfoList* book, int sortKind, int dropMarket3) {
  if (!OSTRADA_VERIFY(book != nullptr)) return 0;
  if (sortKind != 0) book->SetSortKind(sortKind);
  int inserted = 1;
  try {
    codeManager_ = broker::CreateAs<broker::ICodeManager>(broker::clsid::kCodeManager);
    codeList_ = broker::CreateAs<broker::IStockCodeList>(broker::clsid::kStockCodeList);
    const int16_t stocks = codeList_->Count();
    for (int16_t i = 0; i < stocks; ++i) {
      CodeAttr attributes;
      CodeAttrInit(&attributes);
      const std::string code = codeList_->Data(kItemCode, i).ToText();
      const std::string name = codeList_->Data(kItemName, i).ToText();
      const std::string code2 = codeList_->Data(kItemCode2, i).ToText();
      StrCopyBounded(attributes.code2, code2.c_str(), sizeof attributes.code2);
      ReadAttributes(*codeManager_, code, &attributes);
      if (!OSTRADA_VERIFY(book->Insert(code.c_str(), name.c_str(), &attributes) == 1)) {
        inserted = 0;
        break;
      }
    }
  } catch (const broker::ComError& error) {
    codeList_.reset();
    codeManager_.reset();
    // The server failed the download: its own words tell the user, no internal check failed.
    ShowMessage(error.Description());
    return 0;
  }
  codeList_.reset();
  codeManager_.reset();
  if (!inserted) return 0;
  if (!book->Rebuild()) return 0;
  if (dropMarket3 == 1 && !OSTRADA_VERIFY(book->RemoveMarket3() >= 0)) return 0;
  return 1;
}

int StocGate::MarketTime(int which) {
  try {
    codeManager_ = broker::CreateAs<broker::ICodeManager>(broker::clsid::kCodeManager);
    const int hhmm = which == 1 ? codeManager_->MarketTime1() : codeManager_->MarketTime2();
    codeManager_.reset();
    return hhmm;
  } catch (const broker::ComError& error) {
    codeManager_.reset();
    ShowMessage(error.Description());
    return 0;
  }
}

}  // namespace ostrada
