#include "basesrc/nowpack_print.h"

#include <unordered_map>

#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/nowpack_print";

// Each stock classified once: its pre-data record is looked up and completed once, however many
// patterns ask about it.
class Classified {
 public:
  Classified(const NowPack& pack, const PreDataList* list) : pack_(pack), list_(list) {}

  bool Shows(NowInfo& stock, int32_t code, const PatternCounts& table) {
    const PatternInfo* pattern = FindPattern(code);
    if (pattern == nullptr || table.AtSlot(pattern->slot) <= 0) return false;
    auto [at, fresh] = slots_.try_emplace(&stock);
    if (fresh) {
      const PreDataRecord* record = list_ != nullptr ? list_->FindByCode(stock.key.code) : nullptr;
      at->second = ClassifyStock(stock.price, record, pack_.Params());
    }
    return ShowsPattern(at->second, code);
  }

 private:
  const NowPack& pack_;
  const PreDataList* list_;
  std::unordered_map<const NowInfo*, PatternSlots> slots_;
};

// Copies of the group's stocks that show the pattern, under the source's selection table.
int AddShowing(NowPack& source, NowGate& from, int32_t code, Classified& classified, NowGate& into) {
  from.SetSelection(source.Selection());
  for (NowInfo* stock = from.First(); stock != nullptr; stock = stock->next) {
    if (classified.Shows(*stock, code, from.Selection()) && !OSTRADA_VERIFY(into.InsertCopy(stock))) return 0;
  }
  return 1;
}

std::unique_ptr<NowGate> PatternGroup(NowPack& source, int32_t code, Classified& classified) {
  auto group = std::make_unique<NowGate>();
  int32_t count = 0;
  const char* text = NowPack::PatternText(code, source.Totals(), &count);
  if (count <= 0) return group;
  if (!OSTRADA_VERIFY(text != nullptr)) return group;
  group->SetName(text, 0);
  for (NowGate* from = source.First(); from != nullptr; from = from->next) {
    if (from->Count() > 0 && !AddShowing(source, *from, code, classified, *group)) return nullptr;
  }
  return group;
}

// A copy of the merged group in rate order, named as the highest-rate group.
std::unique_ptr<NowGate> HighestRateGroup(const NowGate& merged) {
  auto group = std::make_unique<NowGate>(merged, kNowKeyRateDown);
  group->SetName(TextC(Txt::kScanKeyRate), 0);
  return group;
}

}  // namespace

std::unique_ptr<NowGate> ReportPatternGroup(NowPack& source, int32_t code, const PreDataList* list) {
  Classified classified(source, list);
  return PatternGroup(source, code, classified);
}

int ReportWholePack(NowPack& source, NowPack& report, const PreDataList* list) {
  report.Clear();
  report.SetKey(kGroupKeyArrival);
  if (!source.Resort(kGroupKeyAverageRise)) return 0;
  Classified classified(source, list);
  for (int32_t code : kReportOrder) {
    if (source.Totals().AtSlot(FindPattern(code)->slot) <= 0) continue;
    std::unique_ptr<NowGate> group = PatternGroup(source, code, classified);
    if (!group) return 0;
    if (group->Count() > 0 && !OSTRADA_VERIFY(report.Insert(std::move(group)))) return 0;
  }
  if (source.Merged() != nullptr && source.Selection().AtSlot(kHighestRateSlot) > 0) {
    if (!OSTRADA_VERIFY(report.Insert(HighestRateGroup(*source.Merged())))) return 0;
  }
  return 1;
}

int ReportAddGroup(NowPack& source, NowPack& report, NowGate& group, const PreDataList* list) {
  if (!source.Resort(kGroupKeyAverageRise)) return 0;
  Classified classified(source, list);
  for (int32_t code : kReportOrder) {
    const PatternInfo* pattern = FindPattern(code);
    if (group.Counts().AtSlot(pattern->slot) <= 0) continue;
    const int n = group.LatestTime();
    NowGate* into = report.FindByName(TextC(pattern->text), n);
    std::unique_ptr<NowGate> created;
    if (into == nullptr) {
      created = std::make_unique<NowGate>();
      created->SetName(TextC(pattern->text), n);
      into = created.get();
    }
    if (!AddShowing(source, group, code, classified, *into)) return 0;
    if (created && created->Count() > 0 && !OSTRADA_VERIFY(report.Insert(std::move(created)))) return 0;
  }
  if (source.Merged() != nullptr && report.FindByName(TextC(Txt::kScanKeyRate), 0) == nullptr) {
    if (!OSTRADA_VERIFY(report.Insert(HighestRateGroup(*source.Merged())))) return 0;
  }
  return 1;
}

}  // namespace ostrada
