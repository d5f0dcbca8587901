// The program's memory over a whole trading day: the application starts on the embedded exchange
// with a fast session clock, and both quote windows and the contract window stay open (shown, not
// modal) while they follow the day's busiest stocks in turn. The resident size is sampled every
// few seconds of real time; after the warm-up (each stock followed once) it must not grow by more
// than the allowed share.
//
// Output: one line per sample, "session-time rss-kib untrimmed-rss-kib stock", then a verdict. Exit 0 when the
// growth stays within the limit, 1 when it does not, 2 when the day could not be run.
#include <malloc.h>

#include <QApplication>
#include <QProcessEnvironment>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/callfrm.h"
#include "app/confrm.h"
#include "app/ostrada.h"
#include "app/qtext.h"
#include "basesrc/codeinfo.h"
#include "basesrc/foundation/datafolder.h"
#include "basesrc/nowgate.h"
#include "basesrc/stocgate.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/exchange.h"

namespace ostrada {
namespace {

constexpr int kBusyStocks = 20;
constexpr int32_t kSessionEnd = 153000;
constexpr double kAllowedGrowth = 0.05;

// A message box would wait for a click no one gives; the soak prints what it would have said.
class PrintingSink : public UiSink {
 public:
  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned) override {
    std::fprintf(stderr, "[%s] %s\n", qPrintable(FromCp949(caption)), qPrintable(FromCp949(text)));
    return kIdOk;
  }
  void Beep() override {}
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
};

long ResidentKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

// The codes and names of the stocks with the largest volume so far.
std::vector<std::pair<std::string, std::string>> BusiestStocks(const CodeInfoList& book) {
  StocGate gate;
  std::unique_ptr<NowGate> group = gate.DownloadNowBook(book, kNowKeyVolumeDown);
  std::vector<std::pair<std::string, std::string>> stocks;
  for (const NowInfo* record = group ? group->First() : nullptr; record != nullptr && stocks.size() < kBusyStocks;
       record = record->next) {
    stocks.emplace_back(record->key.code, record->key.name.get());
  }
  return stocks;
}

class Soak {
 public:
  // Without following, the windows stay empty: the exchange's own growth over the day, for comparison.
  Soak(CostradaApp& app, const CodeInfoList& book, int sampleMs, int turnSamples, bool following)
      : app_(app),
        book_(book),
        turnSamples_(turnSamples),
        following_(following),
        five_(&book, 1),
        ten_(&book, 0),
        contracts_(&book) {
    five_.show();
    ten_.show();
    contracts_.show();
    sampler_.callOnTimeout([this] { Sample(); });
    sampler_.start(sampleMs);
  }

  int Verdict() const {
    if (warmRss_ <= 0 || samples_ == 0) {
      std::printf("the day did not reach the end of the warm-up\n");
      return 2;
    }
    const double growth = static_cast<double>(peakAfterWarmUp_ - warmRss_) / static_cast<double>(warmRss_);
    std::printf("after warm-up: start %ld KiB, peak %ld KiB, end %ld KiB, growth %.2f%% (limit %.0f%%)\n", warmRss_,
                peakAfterWarmUp_, lastRss_, 100.0 * growth, 100.0 * kAllowedGrowth);
    return growth <= kAllowedGrowth ? 0 : 1;
  }

 private:
  void Sample() {
    const int32_t now = app_.Exchange()->Clock().Hhmmss();
    if (stocks_.empty()) {
      stocks_ = BusiestStocks(book_);
      if (stocks_.empty()) {
        std::printf("no stocks traded\n");
        QCoreApplication::exit(2);
        return;
      }
    }
    if (following_ && samples_ % turnSamples_ == 0) NextStock();
    // Freed memory goes back first, so the figure is what the program holds rather than what the
    // allocator keeps for reuse after a busy stock's list was dropped.
    const long beforeTrim = ResidentKib();
    malloc_trim(0);
    lastRss_ = ResidentKib();
    // The warm-up ends once every stock has been followed: the exchange then keeps a book for each.
    if (samples_ >= static_cast<long>(turnSamples_ * stocks_.size())) {
      if (warmRss_ <= 0) warmRss_ = lastRss_;
      peakAfterWarmUp_ = std::max(peakAfterWarmUp_, lastRss_);
    }
    std::printf("%06d %ld %ld %s\n", now, lastRss_, beforeTrim, stocks_[current_].first.c_str());
    std::fflush(stdout);
    ++samples_;
    if (now >= kSessionEnd) QCoreApplication::exit(0);
  }

  void NextStock() {
    current_ = (current_ + 1) % stocks_.size();
    const auto& [code, name] = stocks_[current_];
    five_.Form().SetStock(name, code);
    ten_.Form().SetStock(name, code);
    contracts_.Frame()->SelectStock(code.c_str(), 0);
  }

  CostradaApp& app_;
  const CodeInfoList& book_;
  const int turnSamples_;
  const bool following_;
  CCallDlg five_;
  CCallDlg ten_;
  CConDlg contracts_;
  QTimer sampler_;
  std::vector<std::pair<std::string, std::string>> stocks_;
  size_t current_ = 0;
  long samples_ = 0;
  long lastRss_ = 0;
  long warmRss_ = 0;
  long peakAfterWarmUp_ = 0;
};

}  // namespace
}  // namespace ostrada

int main(int argc, char** argv) {
  using namespace ostrada;
  QApplication application(argc, argv);
  SetProgramPath(QCoreApplication::applicationFilePath().toStdString());
  StartOptions options;
  QString message;
  if (ParseStartOptions(QCoreApplication::arguments(), QProcessEnvironment::systemEnvironment(), options, message) !=
      ParseResult::kRun) {
    std::fprintf(stderr, "ostrada-soak: %s\n", qPrintable(message));
    return 2;
  }
  const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  const int sampleMs = environment.value(QStringLiteral("SOAK_SAMPLE_MS"), QStringLiteral("2000")).toInt();
  const int turnSamples = environment.value(QStringLiteral("SOAK_TURN_SAMPLES"), QStringLiteral("2")).toInt();
  const bool following = environment.value(QStringLiteral("SOAK_IDLE_WINDOWS")) != QStringLiteral("1");

  PrintingSink sink;
  ScopedUiSink scopedSink(sink);
  CostradaApp app(options);
  if (!app.InitInstance() || app.AllCodes() == nullptr) return 2;
  Soak soak(app, *app.AllCodes(), sampleMs > 0 ? sampleMs : 2000, turnSamples > 0 ? turnSamples : 2, following);
  const int ended = QApplication::exec();
  return ended != 0 ? ended : soak.Verdict();
}
