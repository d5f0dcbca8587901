#pragma once
// The rising-rate scan: for every stock of a snapshot group, the series of its price blocks at
// successive checks of the day; the stocks whose rate moved by at least a given amount over the
// last N checks; a snapshot group made of the series; and the text report.
#include <cstdint>
#include <memory>
#include <string>

#include "basesrc/foundation/files.h"
#include "basesrc/foundation/orderedindex.h"
#include "basesrc/nowcode.h"
#include "basesrc/nowgate.h"

namespace ostrada {

class NcdScan {
 public:
  // The report's key texts.
  enum ReportKind : int { kReportByCode = 1, kReportByRate = 11 };

  NcdScan() = default;
  ~NcdScan();
  NcdScan(const NcdScan&) = delete;
  NcdScan& operator=(const NcdScan&) = delete;

  // Whether the selection accepts the interval (checks) and the threshold (percent points).
  static bool IntervalAccepted(int32_t checks);
  static bool ThresholdAccepted(float threshold);

  // Empties the scan and makes one series per record of the group, its block the first snapshot.
  int CreateFrom(const NowGate& group);
  // Appends each record's block to the series of its code; a code without a series gets a new one.
  int AddGroup(const NowGate& group);
  // The stocks whose rate moved by the threshold or more over the last `checks` checks, each with
  // the older and the newest snapshot (the newest carrying the volume and field-12 sums over the
  // interval); null when none moved so far or the arguments are refused (reported).
  std::unique_ptr<NcdScan> Select(int32_t checks, float threshold) const;
  // A group (rate descending) of each series' newest block with its difference to the check before.
  std::unique_ptr<NowGate> ToGroup() const;

  int32_t Count() const { return index_.Count(); }
  NowCode* First() const { return index_.First(); }
  // The series at a 0-based position along the index; beyond the last, null (reported).
  NowCode* GetAt(int32_t position) const;
  NowCode* FindByCode(const char* code) const;
  // Unlinks and destroys the series.
  int Remove(NowCode* series);
  void Clear();

  // Creates (truncates) the file and writes the report keyed "종목코드"; 0 when nothing was written.
  int Report(const char* path) const;
  int Report(FileHandle file, int kind) const;
  // The report's CP949 text; empty when the scan holds no stocks or the kind is unknown (reported).
  std::string ReportText(int kind) const;

 private:
  // Takes the series; on failure it is destroyed.
  int Insert(std::unique_ptr<NowCode> series);
  int AddRecord(const NowInfo& record);

  OrderedIndex<NowCode> index_;
};

}  // namespace ostrada
