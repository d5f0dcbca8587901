// The gateway's history files: series and pre-data file names under the data folder (a subfolder
// per group of codes), the "_lastinfo" pre-data file of the last trading day and its opening, the
// stock list for a list box, and the log target.
#include <cctype>
#include <cstdio>
#include <string>

#include "basesrc/codeinfo.h"
#include "basesrc/foundation/datafolder.h"
#include "basesrc/foundation/files.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/gatetargets.h"
#include "basesrc/predata.h"
#include "basesrc/stocgate.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/stocgate_gen";

constexpr size_t kShortestStockCode = 7;
constexpr char kPreDataExtension[] = "spd";

bool IsIndexCode(const std::string& code) {
  return code == "U001" || code == "U201";
}

// "<folder>/<the three characters after the first>/<code>."; empty (reported) when refused.
std::string GroupedStem(const std::string& folder, const std::string& code) {
  if (!OSTRADA_VERIFY(folder.size() > 1 && code.size() >= 4)) return {};
  std::string path = folder;
  if (path.back() != '/') path += '/';
  return path + code.substr(1, 3) + '/' + code + '.';
}

bool HasExtension(const std::string& path, const char* extension) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return false;
  const std::string given = path.substr(dot + 1);
  const std::string wanted = extension;
  if (given.size() != wanted.size()) return false;
  for (size_t i = 0; i < given.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(given[i])) != wanted[i]) return false;
  }
  return true;
}

}  // namespace

std::string StocGate::SeriesFileName(const std::string& folder, const char* code, char kind) {
  if (!OSTRADA_VERIFY(code != nullptr)) return {};
  const std::string text = code;
  if (!OSTRADA_VERIFY(text.size() >= kShortestStockCode || IsIndexCode(text))) return {};
  const char* extension = kind == 'D'   ? "std"
                          : kind == 'W' ? "stw"
                          : kind == 'M' ? "stm"
                          : kind == 'B' ? "stb"
                                        : nullptr;
  if (extension == nullptr) {
    ShowMessage(Text(Txt::kDayUnknownDataType));
    return {};
  }
  const std::string stem = GroupedStem(folder, text);
  return stem.empty() ? stem : stem + extension;
}

std::string StocGate::PreDataFileName(const std::string& folder, const char* code) {
  if (!OSTRADA_VERIFY(code != nullptr && StrLen(code) >= kShortestStockCode)) return {};
  const std::string stem = GroupedStem(folder, code);
  return stem.empty() ? stem : stem + "stp";
}

std::string StocGate::LastInfoFileName() {
  return LastInfoFileName(LastTradingDay(1));
}

std::string StocGate::LastInfoFileName(int32_t date) {
  const std::string folder = DataFolder();
  if (date == 0 || folder.empty()) return {};
  char name[64];
  std::snprintf(name, sizeof name, "%s.%08d.%s", TextC(Txt::kDayLastInfoName), date, kPreDataExtension);
  return folder + name;
}

int32_t StocGate::FillStockList(TextListBox* box, const CodeInfoList& book) {
  if (!OSTRADA_VERIFY(box != nullptr)) return 0;
  int32_t lines = 0;
  for (const CodeInfo* entry = book.First(); entry != nullptr; entry = entry->next) {
    if (entry->attr.market != '1' && entry->attr.market != '2') continue;
    const char* name = entry->key.name.get();
    box->AddLine(std::string(entry->key.code) + "    " + (name != nullptr ? name : ""));
    ++lines;
  }
  return lines;
}

void StocGate::Log(const std::string& text) {
  if (logFlag_ == 1) LogLine(logBox_, text);
}

int StocGate::OpenPreDataFile(PreDataList* list, const std::string& fileName, OpenFileDialog* dialog) {
  if (!OSTRADA_VERIFY(list != nullptr)) return 0;
  std::string path = fileName.empty() ? LastInfoFileName() : fileName;
  if (path.empty()) {
    if (dialog == nullptr || !dialog->Choose(kPreDataExtension, Text(Txt::kDayPreDataFilter), &path)) {
      ShowMessage(Text(Txt::kDayNoFileChosen));
      return 0;
    }
    if (!HasExtension(path, kPreDataExtension)) {
      ShowMessage(Text(Txt::kDayNotPriceFile));
      return 0;
    }
  } else if (!FileExists(path.c_str())) {
    ShowMessage(Text(Txt::kDayNoAnalysisFile));
    return 0;
  }
  list->Clear();
  if (!list->Load(path.c_str(), kPreDataKeyCode)) {
    ShowMessage(Text(Txt::kDayAnalysisReadFailed));
    return 0;
  }
  return 1;
}

}  // namespace ostrada
