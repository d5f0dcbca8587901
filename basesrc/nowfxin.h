#pragma once
// The current-price block of one stock: one row of the server's multi-stock current-price answer,
// plus the stock's attributes and two derived volume ratios. The same 148 bytes, encoded field by
// field, stand in the snapshot group file.
#include <cstddef>
#include <cstdint>

#include "basesrc/codeinfo.h"
#include "basesrc/priceinfo.h"

namespace ostrada {

// "field n" below is the n-th value of a row of the multi-stock current-price request; the meaning
// of the plain "value" fields is the server's.
struct NowPrice {
  PriceBar bar;   // 0: quote time (2), open (6), high (7), low (8), current price (3),
                  //    change against the base price (4), volume (11), rate (derived)
  uint8_t state;  // 32: field 5
  uint8_t padding1[3];
  int32_t value9;      // 36
  int32_t value10;     // 40
  int32_t value12;     // 44: multiplied by 10 when stored with market '1' attributes
  int32_t value13;     // 48
  int32_t value14;     // 52
  int32_t value15;     // 56
  int32_t value16;     // 60
  int32_t volumeRef2;  // 64: field 17, reference of the second volume ratio
  int32_t value18;     // 68
  int32_t basePrice;   // 72: field 19, the previous close
  int32_t volumeRef;   // 76: field 20, reference of the volume ratio
  float strength;      // 80: field 21, contract strength in percent
  int32_t value22;     // 84
  uint8_t byte23;      // 88
  uint8_t byte24;      // 89
  uint8_t byte25;      // 90
  uint8_t padding2;
  int32_t openingRef;    // 92: field 26, opening-reference price
  int32_t value27;       // 96
  int32_t value28;       // 100
  int32_t marketNumber;  // 104: field 29
  CodeAttr attr;         // 108: the stock's attributes from the code book, when supplied
  int32_t volumeRatio;   // 140: VR, integer percent (derived)
  float volumeRatio2;    // 144: second volume ratio, percent (derived)
};

namespace nowprice {
constexpr size_t kSize = 148;
constexpr size_t kStateOffset = 32;
constexpr size_t kValue9Offset = 36;
constexpr size_t kValue12Offset = 44;
constexpr size_t kVolumeRef2Offset = 64;
constexpr size_t kBasePriceOffset = 72;
constexpr size_t kStrengthOffset = 80;
constexpr size_t kByte23Offset = 88;
constexpr size_t kOpeningRefOffset = 92;
constexpr size_t kMarketNumberOffset = 104;
constexpr size_t kAttrOffset = 108;
constexpr size_t kVolumeRatioOffset = 140;
constexpr size_t kVolumeRatio2Offset = 144;
}  // namespace nowprice

static_assert(sizeof(NowPrice) == nowprice::kSize);
static_assert(offsetof(NowPrice, state) == nowprice::kStateOffset);
static_assert(offsetof(NowPrice, value9) == nowprice::kValue9Offset);
static_assert(offsetof(NowPrice, value12) == nowprice::kValue12Offset);
static_assert(offsetof(NowPrice, volumeRef2) == nowprice::kVolumeRef2Offset);
static_assert(offsetof(NowPrice, basePrice) == nowprice::kBasePriceOffset);
static_assert(offsetof(NowPrice, strength) == nowprice::kStrengthOffset);
static_assert(offsetof(NowPrice, byte23) == nowprice::kByte23Offset);
static_assert(offsetof(NowPrice, openingRef) == nowprice::kOpeningRefOffset);
static_assert(offsetof(NowPrice, marketNumber) == nowprice::kMarketNumberOffset);
static_assert(offsetof(NowPrice, attr) == nowprice::kAttrOffset);
static_assert(offsetof(NowPrice, volumeRatio) == nowprice::kVolumeRatioOffset);
static_assert(offsetof(NowPrice, volumeRatio2) == nowprice::kVolumeRatio2Offset);

// Zeroes every value and resets the attribute copy; 0 (reported) for a missing block.
int NowPriceReset(NowPrice* block);

// The 148 bytes of the block, little-endian at the offsets above (padding written as 0).
// REQUIRES: out / in hold nowprice::kSize bytes.
void EncodeNowPrice(const NowPrice& block, uint8_t* out);
void DecodeNowPrice(const uint8_t* in, NowPrice* block);

// ---- Measures (a missing block is reported and gives 0) ----
// pct(base, change); a zero base is first set to price - change in the block; 0 when change is 0.
float NowDayRate(NowPrice* block);
float NowBodyPercent(const NowPrice* block);
float NowOpeningRate(const NowPrice* block);
float NowHighRate(const NowPrice* block);
float NowUpperRange(const NowPrice* block);
float NowDistanceFromHigh(const NowPrice* block);
float NowDistanceFromLow(const NowPrice* block);
float NowRateDifference(const NowPrice* first, const NowPrice* second);
// volume * 100 / reference volume; 0 when either is 0. Saturates rather than wrapping.
int32_t NowVolumeRatio(const NowPrice* block);
// volume * 100.0 / field 17; 0 when either is 0.
float NowSecondVolumeRatio(const NowPrice* block);
// pct(base, opening reference - base): the value sort key 938 orders by.
float NowOpeningRefPercent(const NowPrice* block);

}  // namespace ostrada
