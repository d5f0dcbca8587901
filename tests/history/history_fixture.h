#pragma once
// Bars and series for the history suites, and byte access to what the program wrote.
#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "basesrc/daygate.h"
#include "basesrc/foundation/coding.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/file_bytes.h"
#include "tests/support/recording_sink.h"

namespace ostrada::testing {

inline DayBar MakeBar(int32_t key, int32_t close, int32_t change = 0, int32_t volume = 1000) {
  DayBar bar{};
  bar.price = PriceBar{key, close, close, close, close, change, volume, 0.0f};
  return bar;
}

// A 'B' bar: end time, date in the change word.
inline DayBar MakeMinuteBar(int32_t endTime, int32_t date, int32_t close, int32_t volume = 100) {
  DayBar bar = MakeBar(endTime, close, date, volume);
  return bar;
}

// A plain date sequence: valid enough for ordering, not a calendar.
inline int32_t NthDate(int i) {
  return 20100101 + (i / 28) * 100 + i % 28 + (i / 336) * 8800;
}

// A random walk of n bars of the kind; 'B' bars run over several days of minutes.
inline std::unique_ptr<DaySeries> RandomSeries(char kind, int n, uint32_t seed) {
  std::mt19937 random(seed);
  auto series = std::make_unique<DaySeries>();
  series->Create("A005930", "Sample");
  series->SetKind(kind);
  series->SetInterval(1);
  int32_t close = 10000;
  for (int i = 0; i < n; ++i) {
    const int32_t previous = close;
    close = std::max<int32_t>(100, close + static_cast<int32_t>(random() % 801) - 400);
    DayBar bar{};
    const int32_t open = std::max<int32_t>(100, previous + static_cast<int32_t>(random() % 201) - 100);
    bar.price = PriceBar{0,
                         open,
                         std::max(open, close) + 50,
                         std::min(open, close) - 50,
                         close,
                         close - previous,
                         static_cast<int32_t>(random() % 100000),
                         0.0f};
    if (kind == 'B') {
      bar.price.time = 901 + (i % 300) / 60 * 100 + (i % 300) % 60;
      bar.price.change = 20100104 + i / 300;
    } else {
      bar.price.time = NthDate(i);
    }
    series->Add(bar);
  }
  return series;
}

inline uint8_t* Bytes(std::string& image) {
  return reinterpret_cast<uint8_t*>(image.data());
}

}  // namespace ostrada::testing
