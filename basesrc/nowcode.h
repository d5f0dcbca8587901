#pragma once
// One stock's series for the rising-rate scan: its price blocks taken at successive checks of the
// day, oldest to newest, and the links by which the scan keeps the series in code order.
#include <cstdint>
#include <memory>

#include "basesrc/codeinfo.h"
#include "basesrc/nowfxin.h"

namespace ostrada {

// One check of one stock: the price block and its check time (the block's quote time, HHMM).
struct TimedSnapshot {
  NowPrice price;
  int32_t checkTime;
  TimedSnapshot* older;
  TimedSnapshot* newer;
};

class NowCode {
 public:
  NowCode() = default;
  ~NowCode();
  NowCode(const NowCode&) = delete;
  NowCode& operator=(const NowCode&) = delete;

  // A series with the code and a copy of the name and no snapshots; null (reported) on failure.
  static std::unique_ptr<NowCode> Create(const char* code, const char* name);

  const char* Code() const { return key_.code; }
  const char* Name() const { return key_.name.get(); }
  int32_t Count() const { return count_; }
  const TimedSnapshot* Oldest() const { return oldest_; }
  const TimedSnapshot* Newest() const { return newest_; }
  // The snapshot `checks` checks before the newest (0: the newest); null when the series is shorter.
  const TimedSnapshot* Back(int32_t checks) const;

  // A copy of the block, placed after every snapshot with an equal or earlier check time. 1/0.
  int Append(const NowPrice& block);
  void Clear();

  // Links of the scan's index (ordered by code).
  NowCode* parent = nullptr;
  NowCode* left = nullptr;
  NowCode* right = nullptr;
  NowCode* prev = nullptr;
  NowCode* next = nullptr;

 private:
  CodeKey key_ = {};
  int32_t count_ = 0;
  TimedSnapshot* oldest_ = nullptr;
  TimedSnapshot* newest_ = nullptr;
};

}  // namespace ostrada
