#include "basesrc/nowinfo.h"

#include <new>

#include "basesrc/foundation/coding.h"
#include "basesrc/foundation/report.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/nowinfo";

// 1 when the existing value is greater (the new record goes after it), -1 when smaller, else 0.
template <class T>
int Descending(T existing, T incoming) {
  if (existing > incoming) return 1;
  if (existing < incoming) return -1;
  return 0;
}

int KeyResult(const NowInfo& e, const NowInfo& n, int32_t key) {
  const NowPrice& ep = e.price;
  const NowPrice& np = n.price;
  switch (key) {
    case kNowKeyCode:
      return StrCompare(n.key.code, e.key.code);
    case kNowKeyName:
      return StrCompare(n.key.name.get(), e.key.name.get());
    case kNowKeyRateDown:
      return Descending(ep.bar.rate, np.bar.rate);
    case kNowKeyRateUp:
      return -Descending(ep.bar.rate, np.bar.rate);
    case kNowKeyVolumeDown:
      return Descending(static_cast<uint32_t>(ep.bar.volume), static_cast<uint32_t>(np.bar.volume));
    case kNowKeyVolumeRatioDown:
      return Descending(ep.volumeRatio, np.volumeRatio);
    case kNowKeyVolumeRatio2Down:
      return Descending(ep.volumeRatio2, np.volumeRatio2);
    case kNowKeyValue12Down:
      return Descending(ep.value12, np.value12);
    case kNowKeyPriceDown:
      return Descending(ep.bar.close, np.bar.close);
    case kNowKeyPriceUp:
      return -Descending(ep.bar.close, np.bar.close);
    case kNowKeyStrengthDown:
      return Descending(ep.strength, np.strength);
    case kNowKeyStrengthUp:
      return -Descending(ep.strength, np.strength);
    case kNowKeyOpeningRefDown:
      return Descending(NowOpeningRefPercent(&ep), NowOpeningRefPercent(&np));
    case kNowKeyArrival:
      return 1;
    default:
      return 0;
  }
}

// A zero record whose price block the caller fills whole.
NowInfoPtr NewRecord() {
  NowInfoPtr record(new (std::nothrow) NowInfo());
  if (!OSTRADA_VERIFY(record != nullptr)) return nullptr;
  return record;
}

}  // namespace

NowInfoPtr NowInfoCreate() {
  NowInfoPtr record = NewRecord();
  if (!record || !NowPriceReset(&record->price)) return nullptr;
  return record;
}

NowInfoPtr NowInfoStoreRow(const char* code, const char* name, const NowPrice* block, const CodeAttr* attributes) {
  if (!OSTRADA_VERIFY(code != nullptr && name != nullptr && block != nullptr)) return nullptr;
  NowInfoPtr record = NewRecord();
  if (!record) return nullptr;
  if (!OSTRADA_VERIFY(CodeKeySet(&record->key, code, name))) return nullptr;
  NowInfoTakeRow(record.get(), *block, attributes);
  return record;
}

void NowInfoTakeRow(NowInfo* record, const NowPrice& block, const CodeAttr* attributes) {
  NowPrice& price = record->price;
  if (&price != &block) price = block;  // a block decoded in place is already there
  price.bar.rate = NowDayRate(&price);
  price.volumeRatio = NowVolumeRatio(&price);
  price.volumeRatio2 = NowSecondVolumeRatio(&price);
  if (attributes != nullptr) {
    price.attr = *attributes;
    if (attributes->market == '1') price.value12 *= 10;
  }
}

NowInfoPtr NowInfoFromCodeInfo(const CodeInfo* entry) {
  if (!OSTRADA_VERIFY(entry != nullptr)) return nullptr;
  NowInfoPtr record = NowInfoCreate();
  if (!record) return nullptr;
  if (!OSTRADA_VERIFY(CodeKeyCopy(&entry->key, &record->key) && record->key.name)) return nullptr;
  record->price.attr = entry->attr;
  return record;
}

NowInfoPtr NowInfoCopy(const NowInfo* source) {
  if (!OSTRADA_VERIFY(source != nullptr && source->ownAverage == nullptr)) return nullptr;
  NowInfoPtr record = NowInfoCreate();
  if (!record) return nullptr;
  if (!OSTRADA_VERIFY(CodeKeyCopy(&source->key, &record->key))) return nullptr;
  NowInfoCopyValues(*source, record.get());
  return record;
}

void NowInfoCopyValues(const NowInfo& source, NowInfo* destination) {
  destination->price = source.price;
  destination->minutesDiff = source.minutesDiff;
  destination->volumeDiff = source.volumeDiff;
  destination->rateDiff = source.rateDiff;
  destination->value12Diff = source.value12Diff;
}

void NowInfoClearLinks(NowInfo* record) {
  if (!OSTRADA_VERIFY(record != nullptr)) return;
  record->parent = record->left = record->right = nullptr;
  record->prev = record->next = nullptr;
}

void EncodeNowInfoFixed(const NowInfo& record, uint8_t* out) {
  PutText(out, nowrecord::kCodeOffset, record.key.code, kCodeSize);
  // The pointer value has no meaning outside the running program; the file keeps 4 zero bytes.
  PutU32(out, nowrecord::kNamePointerOffset, 0);
  EncodeNowPrice(record.price, out + nowrecord::kPriceOffset);
}

void DecodeNowInfoFixed(const uint8_t* in, char* code, NowPrice* block) {
  // The stored field may lack its terminator; at most 15 bytes of it are the code.
  StrCopyBounded(code, reinterpret_cast<const char*>(in + nowrecord::kCodeOffset), kCodeSize);
  DecodeNowPrice(in + nowrecord::kPriceOffset, block);
}

int NowCompareKeyKnown(int32_t key) {
  switch (key) {
    case kNowKeyCode:
    case kNowKeyName:
    case kNowKeyRateDown:
    case kNowKeyRateUp:
    case kNowKeyVolumeDown:
    case kNowKeyVolumeRatioDown:
    case kNowKeyVolumeRatio2Down:
    case kNowKeyValue12Down:
    case kNowKeyPriceDown:
    case kNowKeyPriceUp:
    case kNowKeyStrengthDown:
    case kNowKeyStrengthUp:
    case kNowKeyOpeningRefDown:
    case kNowKeyArrival:
      return 1;
    default:
      return OSTRADA_VERIFY(false) ? 1 : 0;
  }
}

int NowInfoCompare(const NowInfo& existing, const NowInfo& incoming, int32_t key) {
  const int result = KeyResult(existing, incoming, key);
  return result != 0 ? result : StrCompare(incoming.key.code, existing.key.code);
}

}  // namespace ostrada
