#pragma once
// Stocks and pre-data records made to order for the classifier's tests.
#include <string>

#include "basesrc/nowgate.h"
#include "basesrc/predata.h"
#include "basesrc/priceinfo.h"

namespace ostrada::testing {

// A block of a stock that traded today: open, high, low, current price against a base price.
inline NowPrice Block(int32_t base, int32_t open, int32_t high, int32_t low, int32_t close) {
  NowPrice block;
  NowPriceReset(&block);
  block.bar.time = 1400;
  block.bar.open = open;
  block.bar.high = high;
  block.bar.low = low;
  block.bar.close = close;
  block.bar.change = close - base;
  block.bar.volume = 1000;
  block.basePrice = base;
  block.bar.rate = base > 0 ? Percent(base, close - base) : 0.0f;
  block.state = '2';
  block.openingRef = open;
  block.volumeRatio = 100;
  return block;
}

// A pre-data record whose sums complete to the given 5-, 20- and 60-day averages at the price.
inline PreDataPtr Record(const char* code, int32_t price, int32_t ma5, int32_t ma20, int32_t ma60 = 0) {
  PreDataPtr record = PreDataRecordCreate();
  CodeKeySet(&record->key, code, "x");
  const int32_t averages[] = {ma5, ma20, ma60};
  const int32_t lengths[] = {5, 20, 60};
  for (int k = 0; k < 3; ++k) record->averages.lines[k] = averages[k] == 0 ? 0 : averages[k] * lengths[k] - price;
  record->days[0].averages = record->averages;
  record->bar.close = price;
  record->bar.open = price;
  record->averageVolume20 = 100000;
  return record;
}

}  // namespace ostrada::testing
