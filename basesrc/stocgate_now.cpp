// Current prices from the server: one stock, a list of up to 110 codes, or a whole code book in
// requests of 110 codes, into snapshot groups.
#include <cstdio>

#include "basesrc/codeinfo.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/nowgate.h"
#include "basesrc/statustext.h"
#include "basesrc/stocgate.h"
#include "broker/clsid.h"
#include "broker/server.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/stocgate_now";

constexpr int32_t kFirstPriceField = 2;
constexpr int32_t kLastPriceField = 29;
constexpr int32_t kStateHeaderIndex = 32;

// Creates the object, asks for the codes and waits for the answer; null after showing a refusal.
std::shared_ptr<broker::IMarketRequest> RequestCodes(const broker::Guid& clsid, const char* codes) {
  auto object = broker::CreateAs<broker::IMarketRequest>(clsid);
  object->SetInput(0, broker::Variant::Text(codes));
  {
    WaitCursor wait;
    object->Request();
  }
  if (object->Status() != 0) {
    ShowMessage(RefusalText(*object));
    return nullptr;
  }
  return object;
}

std::string Format(Txt pattern, int a, int b) {
  char text[256];
  std::snprintf(text, sizeof text, TextC(pattern), a, b);
  return text;
}

// Stores one row value, by its field number, where the block keeps it.
void StoreField(NowPrice& b, int32_t field, const broker::Variant& value) {
  switch (field) {
    case 5:
      b.state = value.ToUI1();
      return;
    case 21:
      b.strength = value.ToR4();
      return;
    case 23:
      b.byte23 = value.ToUI1();
      return;
    case 24:
      b.byte24 = value.ToUI1();
      return;
    case 25:
      b.byte25 = value.ToUI1();
      return;
    default:
      break;
  }
  int32_t* const target[] = {
      &b.bar.time, &b.bar.close,  &b.bar.change, nullptr,       &b.bar.open,  &b.bar.high, &b.bar.low,       // 2-8
      &b.value9,   &b.value10,    &b.bar.volume, &b.value12,    &b.value13,   &b.value14,  &b.value15,       // 9-15
      &b.value16,  &b.volumeRef2, &b.value18,    &b.basePrice,  &b.volumeRef, nullptr,     &b.value22,       // 16-22
      nullptr,     nullptr,       nullptr,       &b.openingRef, &b.value27,   &b.value28,  &b.marketNumber,  // 23-29
  };
  *target[field - kFirstPriceField] = value.ToI4();
}

}  // namespace

int StocGate::ReadNowRow(int32_t row, NowPrice* block, std::string* code, std::string* name) {
  if (!OSTRADA_VERIFY(multiPrice_ != nullptr && block != nullptr && code != nullptr && name != nullptr)) return 0;
  if (!NowPriceReset(block)) return 0;
  *code = multiPrice_->DataValue(0, row).ToText();
  *name = multiPrice_->DataValue(1, row).ToText();
  for (int32_t field = kFirstPriceField; field <= kLastPriceField; ++field) {
    StoreField(*block, field, multiPrice_->DataValue(field, row));
  }
  if (block->basePrice > 0) block->bar.rate = Percent(block->basePrice, block->bar.change);
  return 1;
}

int StocGate::FetchNowPrice(NowPrice* block, const char* code) {
  if (!OSTRADA_VERIFY(block != nullptr && code != nullptr && *code != '\0')) return 0;
  int result = 0;
  try {
    multiPrice_ = RequestCodes(broker::clsid::kMultiPrice, code);
    if (multiPrice_ && multiPrice_->HeaderValue(0).ToI4() != 1) {
      char text[256];
      std::snprintf(text, sizeof text, TextC(Txt::kNowNoStockState), code);
      ShowMessage(text);
    } else if (multiPrice_) {
      NowPrice fetched;
      std::string rowCode;
      std::string rowName;
      if (ReadNowRow(0, &fetched, &rowCode, &rowName)) {
        *block = fetched;
        result = 1;
      }
    }
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
  }
  multiPrice_.reset();
  return result;
}

int32_t StocGate::DownloadNowBatch(NowGate* group, const char* codes, int32_t key, const CodeInfo* entry) {
  if (!OSTRADA_VERIFY(group != nullptr && codes != nullptr)) return -1;
  if (key != 0) group->SetKey(key);
  NowGateBatch batch(*group);
  const int32_t result = FetchNowRows(&batch, group, codes, entry);
  // The rows stored before a failure stay in the group.
  return batch.Close() ? result : -1;
}

int32_t StocGate::FetchNowRows(NowGateBatch* batch, NowGate* group, const char* codes, const CodeInfo* entry) {
  const int32_t requested = CountCommaItems(codes);
  if (requested > NowGate::kMaxJoinedCodes) {
    ShowMessage(Text(Txt::kNowTooManyCodes));
    return -1;
  }
  int32_t result = 0;
  try {
    multiPrice_ = RequestCodes(broker::clsid::kMultiPrice, codes);
    if (!multiPrice_) return -1;
    const int32_t rows = multiPrice_->HeaderValue(0).ToI4();
    if (rows != requested) ShowMessage(Format(Txt::kNowShortAnswer, requested, rows));
    if (entry != nullptr) group->SetCodeAttrFlag(1);
    NowPrice block;
    std::string code;
    std::string name;
    for (int32_t row = 0; row < rows; ++row) {
      const CodeAttr* attributes = entry != nullptr ? &entry->attr : nullptr;
      // Both steps report their own failure.
      if (!ReadNowRow(row, &block, &code, &name) || !batch->AddRow(code.c_str(), name.c_str(), &block, attributes)) {
        result = -1;
        break;
      }
      ++result;
      if (entry != nullptr) entry = entry->next;
    }
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
  }
  multiPrice_.reset();
  return result;
}

std::unique_ptr<NowGate> StocGate::DownloadNowCodes(const char* codes, int32_t key) {
  auto group = std::make_unique<NowGate>(key);
  if (DownloadNowBatch(group.get(), codes, 0, nullptr) <= 0) return nullptr;
  return group;
}

std::unique_ptr<NowGate> StocGate::DownloadNowBook(const CodeInfoList& book, int32_t key) {
  auto group = std::make_unique<NowGate>(key);
  // The whole market is sorted and linked once, after its last request.
  NowGateBatch batch(*group);
  const int32_t stocks = book.Count();
  for (int32_t position = 0; position < stocks;) {
    int taken = 0;
    HeapText codes = book.JoinCodes(position, NowGate::kMaxJoinedCodes, &taken);
    if (!codes) return nullptr;
    // Every batch but the last is full, and the last ends at the book's last stock.
    const bool full = taken == NowGate::kMaxJoinedCodes;
    if (!OSTRADA_VERIFY(full || position + taken == stocks)) return nullptr;
    if (FetchNowRows(&batch, group.get(), codes.get(), book.GetAt(position)) <= 0) return nullptr;
    position += taken;
  }
  if (!batch.Close()) return nullptr;
  return group;
}

std::optional<broker::Variant> StocGate::StockState(const char* code) {
  if (!OSTRADA_VERIFY(code != nullptr && *code != '\0')) return std::nullopt;
  try {
    auto object = RequestCodes(broker::clsid::kStockState, code);
    if (!object) return std::nullopt;
    return object->HeaderValue(kStateHeaderIndex);
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
    return std::nullopt;
  }
}

std::unique_ptr<NowGate> StocGate::LoadNowGroup(const char* path, int32_t key) {
  auto group = std::make_unique<NowGate>();
  if (!group->Load(path, key)) return nullptr;
  return group;
}

}  // namespace ostrada
