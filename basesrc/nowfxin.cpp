#include "basesrc/nowfxin.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "basesrc/foundation/coding.h"
#include "basesrc/foundation/report.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/nowfxin";

// Offsets of the price-bar head, shared with every price record.
constexpr size_t kTimeOffset = offsetof(PriceBar, time);
constexpr size_t kOpenOffset = offsetof(PriceBar, open);
constexpr size_t kHighOffset = offsetof(PriceBar, high);
constexpr size_t kLowOffset = offsetof(PriceBar, low);
constexpr size_t kCloseOffset = offsetof(PriceBar, close);
constexpr size_t kChangeOffset = offsetof(PriceBar, change);
constexpr size_t kVolumeOffset = offsetof(PriceBar, volume);
constexpr size_t kRateOffset = offsetof(PriceBar, rate);

// Distance of the current price from a reference price of the day, over the base.
float DistanceFrom(const NowPrice& block, int32_t reference) {
  const int32_t close = block.bar.close;
  if (reference == 0 || reference == close || close == 0 || block.basePrice == 0) return 0.0f;
  return Percent(block.basePrice, PriceDifference(close, reference));
}

}  // namespace

int NowPriceReset(NowPrice* block) {
  if (!OSTRADA_VERIFY(block != nullptr)) return 0;
  *block = NowPrice{};
  return CodeAttrInit(&block->attr);
}

void EncodeNowPrice(const NowPrice& b, uint8_t* out) {
  using namespace nowprice;
  PutI32(out, kTimeOffset, b.bar.time);
  PutI32(out, kOpenOffset, b.bar.open);
  PutI32(out, kHighOffset, b.bar.high);
  PutI32(out, kLowOffset, b.bar.low);
  PutI32(out, kCloseOffset, b.bar.close);
  PutI32(out, kChangeOffset, b.bar.change);
  PutI32(out, kVolumeOffset, b.bar.volume);
  PutF32(out, kRateOffset, b.bar.rate);
  PutU8(out, kStateOffset, b.state);
  PutU8(out, kStateOffset + 1, 0);
  PutU8(out, kStateOffset + 2, 0);
  PutU8(out, kStateOffset + 3, 0);
  const int32_t values[] = {b.value9,  b.value10,    b.value12, b.value13,   b.value14,  b.value15,
                            b.value16, b.volumeRef2, b.value18, b.basePrice, b.volumeRef};
  for (size_t i = 0; i < std::size(values); ++i) PutI32(out, kValue9Offset + 4 * i, values[i]);
  PutF32(out, kStrengthOffset, b.strength);
  PutI32(out, kStrengthOffset + 4, b.value22);
  PutU8(out, kByte23Offset, b.byte23);
  PutU8(out, kByte23Offset + 1, b.byte24);
  PutU8(out, kByte23Offset + 2, b.byte25);
  PutU8(out, kByte23Offset + 3, 0);
  PutI32(out, kOpeningRefOffset, b.openingRef);
  PutI32(out, kOpeningRefOffset + 4, b.value27);
  PutI32(out, kOpeningRefOffset + 8, b.value28);
  PutI32(out, kMarketNumberOffset, b.marketNumber);
  EncodeCodeAttr(b.attr, out + kAttrOffset);
  PutI32(out, kVolumeRatioOffset, b.volumeRatio);
  PutF32(out, kVolumeRatio2Offset, b.volumeRatio2);
}

void DecodeNowPrice(const uint8_t* in, NowPrice* b) {
  // The block's fields sit at their file offsets (asserted beside the struct) and are stored
  // little-endian, as this host keeps them: a load copies the block whole instead of field by field.
  static_assert(std::endian::native == std::endian::little, "the price block is decoded as it is stored");
  std::memcpy(b, in, sizeof *b);
  b->padding1[0] = b->padding1[1] = b->padding1[2] = b->padding2 = 0;
  b->attr.code2[kCodeSize - 1] = '\0';  // a stored code is terminated whatever the file says
}

float NowDayRate(NowPrice* block) {
  if (!OSTRADA_VERIFY(block != nullptr)) return 0.0f;
  if (block->basePrice == 0) block->basePrice = PriceDifference(block->bar.close, block->bar.change);
  if (block->bar.change == 0) return 0.0f;
  return Percent(block->basePrice, block->bar.change);
}

float NowBodyPercent(const NowPrice* block) {
  if (!OSTRADA_VERIFY(block != nullptr)) return 0.0f;
  const PriceBar& bar = block->bar;
  if (bar.open == 0 || bar.close == bar.open || bar.close == 0 || block->basePrice == 0) return 0.0f;
  return Percent(block->basePrice, PriceDifference(bar.close, bar.open));
}

float NowOpeningRate(const NowPrice* block) {
  if (!OSTRADA_VERIFY(block != nullptr)) return 0.0f;
  return Percent(block->basePrice, PriceDifference(block->bar.open, block->basePrice));
}

float NowHighRate(const NowPrice* block) {
  if (!OSTRADA_VERIFY(block != nullptr)) return 0.0f;
  return Percent(block->basePrice, PriceDifference(block->bar.high, block->basePrice));
}

float NowUpperRange(const NowPrice* block) {
  if (!OSTRADA_VERIFY(block != nullptr)) return 0.0f;
  const PriceBar& bar = block->bar;
  return Percent(block->basePrice, PriceDifference(bar.high, std::min(bar.open, bar.close)));
}

float NowDistanceFromHigh(const NowPrice* block) {
  if (!OSTRADA_VERIFY(block != nullptr)) return 0.0f;
  return DistanceFrom(*block, block->bar.high);
}

float NowDistanceFromLow(const NowPrice* block) {
  if (!OSTRADA_VERIFY(block != nullptr)) return 0.0f;
  return DistanceFrom(*block, block->bar.low);
}

float NowRateDifference(const NowPrice* first, const NowPrice* second) {
  if (!OSTRADA_VERIFY(first != nullptr && second != nullptr)) return 0.0f;
  return first->bar.rate - second->bar.rate;
}

int32_t NowVolumeRatio(const NowPrice* block) {
  if (!OSTRADA_VERIFY(block != nullptr)) return 0;
  if (block->bar.volume == 0 || block->volumeRef == 0) return 0;
  // Busy stocks trade more than 21 million shares a day, so the hundredfold volume needs 64 bits.
  const int64_t ratio = int64_t{block->bar.volume} * 100 / block->volumeRef;
  return static_cast<int32_t>(
      std::clamp<int64_t>(ratio, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

float NowSecondVolumeRatio(const NowPrice* block) {
  if (!OSTRADA_VERIFY(block != nullptr)) return 0.0f;
  if (block->bar.volume == 0 || block->volumeRef2 == 0) return 0.0f;
  return static_cast<float>(block->bar.volume * 100.0 / static_cast<float>(block->volumeRef2));
}

float NowOpeningRefPercent(const NowPrice* block) {
  if (!OSTRADA_VERIFY(block != nullptr)) return 0.0f;
  return Percent(block->basePrice, PriceDifference(block->openingRef, block->basePrice));
}

}  // namespace ostrada
