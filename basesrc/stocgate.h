#pragma once
// StocGate: the gateway through which the system reaches the server. Each window and data-layer
// object embeds its own. Its operations live in one module per family (stocgate_code.cpp,
// stocgate_now.cpp, ...); each family declares its members in its own section below.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "broker/interfaces.h"

namespace ostrada {

class CodeInfoList;
struct CodeInfo;
class TrdRunList;
class TrdYetList;
class NowGate;
class NowGateBatch;
struct NowPrice;
struct CallInfo;
class DaySeries;
struct DayBar;
class ContractTape;
struct PreDataRecord;
class PreDataList;
class TextListBox;
class OpenFileDialog;

// The two order types, recognised by identity: pass these very constants, never a copy of the text.
inline constexpr char kOrderTypeLimit[] = "01";   // the order window's "보통"
inline constexpr char kOrderTypeMarket[] = "03";  // "시장가"
// The sides of a buy/sell order as the server takes them.
inline constexpr char kOrderSideSell[] = "1";
inline constexpr char kOrderSideBuy[] = "2";

// What the account can buy, from the order-available and cash-available queries. The amounts are
// capped by the cash limit: neither shows more than the cash the account can use. Amounts of money
// are eight bytes wide, so an account above 2,147,483,647 won is shown as it is.
struct TradeAbleInfo {
  char text1[32];               // header 1
  char text0[16];               // header 0
  int64_t availableAmount;      // header 9, capped
  int64_t h10;                  // header 10
  int32_t availableQuantity;    // header 17
  int32_t h18;                  // header 18
  int32_t h34;                  // header 34
  int64_t totalDeposit;         // header 45, capped
  int64_t h46;                  // header 46
  int64_t h47;                  // header 47
  int32_t availableSubstitute;  // header 48
};

class StocGate {
 public:
  StocGate() = default;
  StocGate(const StocGate&) = delete;
  StocGate& operator=(const StocGate&) = delete;

  // ---- Code list and market times (stocgate_code.cpp) ----
  // A new, complete book owned by the caller, or null (reported) when the download failed.
  std::unique_ptr<CodeInfoList> DownloadCodes(int sortKind, int dropMarket3);
  int FillCodes(CodeInfoList* book, int sortKind, int dropMarket3);
  // HHMM of the first (which = 1) or second market time; 0 after showing a COM error.
  int MarketTime(int which);

  // ---- Current prices (stocgate_now.cpp) ----
  // The current state of one stock into the caller's block; 1/0 (the block is untouched on failure).
  int FetchNowPrice(NowPrice* block, const char* code);
  // One request for the comma-separated codes (at most 110) into a new group; null on failure.
  std::unique_ptr<NowGate> DownloadNowCodes(const char* codes, int32_t key);
  // Every stock of the book, 110 a request, into a new group; null (the group destroyed) on failure.
  std::unique_ptr<NowGate> DownloadNowBook(const CodeInfoList& book, int32_t key);
  // One request stored into the group in the order of the codes; with an entry, each row takes the
  // attributes of the book's entries from it on. The number of rows stored, or -1.
  int32_t DownloadNowBatch(NowGate* group, const char* codes, int32_t key, const CodeInfo* entry);
  // One row of the answer in progress into the block (reset first), with its code and name.
  int ReadNowRow(int32_t row, NowPrice* block, std::string* code, std::string* name);
  // The stock-state value of one stock; none after a refusal or a COM error (shown).
  std::optional<broker::Variant> StockState(const char* code);
  // A snapshot group file loaded into a new group; null on failure.
  std::unique_ptr<NowGate> LoadNowGroup(const char* path, int32_t key);

  // ---- Quote book (callinfo_gate.cpp) ----
  // The quote-book snapshot of one stock into the record (cleared first, then the code). 1/0; a refused
  // request shows the server's two texts, a COM error its description.
  int FetchQuoteBook(const char* code, CallInfo& record);

  // ---- Trading (stocgate_trd.cpp) ----
  // Every operation blocks until the server answers. A refused request shows the server's two texts
  // joined, a COM error its description; missing arguments are reported.
  // 1 when logged in (already, or by this call; a cancelled login also counts), 0 after a message.
  int TradeLogin();
  // Releases the trade utility; 0 after showing a COM error.
  int TradeLogout();
  int IsTradeLoggedIn() const { return tradeUtility_ != nullptr ? 1 : 0; }
  // The last element of the server's account list, as it came or as text; 0 when not logged in.
  int AccountNumber(broker::Variant* account);
  int AccountNumberText(std::string* account);
  // The buyable amount and quantity of the code at the price (sent only with kOrderTypeLimit and a
  // code). orderType must be kOrderTypeLimit or kOrderTypeMarket itself. 1/0; out is filled on 1.
  int BuyableAmount(const char* account, const char* code, const char* orderType, int32_t price,
                    TradeAbleInfo* out);
  // Every holding or unfilled order of the account, page by page, into a new list; null on failure
  // (the partial list discarded).
  std::unique_ptr<TrdRunList> DownloadHoldings(const char* account);
  std::unique_ptr<TrdYetList> DownloadUnfilled(const char* account);
  // The current price of every holding through the list fetch, 110 codes a request: each holding
  // whose code came back takes the price bar of its snapshot with the day's change rate. 1/0 (the
  // holdings of a failed request keep their previous prices).
  int RefreshHoldingPrices(TrdRunList* holdings);

  // ---- Orders (stocgate_trd.cpp) ----
  // A failed order beeps and returns 0 with the text the user is to be shown (the server's joined
  // texts, a COM error's description or the check that failed); the caller shows it. On success the
  // server's new order number becomes LastOrderNumber().
  // side is kOrderSideBuy or kOrderSideSell; quantity and price as typed (a market order sends 0).
  int SendOrder(const CodeInfoList& book, const char* account, const char* side, const char* code,
                const char* orderType, int32_t price, int32_t quantity, std::string* failure);
  // kind is TextC(Txt::kTrdModify) or TextC(Txt::kTrdCancel) itself; a cancel sends no price.
  int SendModifyCancel(const CodeInfoList& book, const char* account, const char* kind, const char* code,
                       int32_t quantity, int32_t price, int32_t targetOrder, std::string* failure);
  int32_t LastOrderNumber() const { return lastOrderNumber_; }

  // ---- Daily history (stocgate_down.cpp) ----
  // 'D', 'W' or 'M' bars of the series' code, oldest first, at most `count` rows; dates from `from`
  // to `to` (0: no bound). hundredths = 1 reads the prices of an index as floats stored times 100.
  // The rows processed, or -1.
  int32_t DownloadBars(DaySeries* series, int32_t count, int32_t from, int32_t to, int hundredths);
  // The same into a new series of the kind; null on failure.
  std::unique_ptr<DaySeries> DownloadBarsNew(const char* code, const char* name, int32_t count, int32_t interval,
                                             char kind, int32_t from, int32_t to, int hundredths);
  // The same into the caller's series; its bar count, or -1 (also when no row was processed).
  int32_t DownloadBarsFor(DaySeries* series, const char* code, const char* name, int32_t count, int32_t interval,
                          char kind, int32_t from, int32_t to, int hundredths);
  // Today's N-minute bars into a 'B' series, volumes made per bar; the bars added, or -1.
  int32_t DownloadMinuteBars(DaySeries* series, int32_t count, int hundredths);
  std::unique_ptr<DaySeries> DownloadMinuteBarsNew(const char* code, const char* name, int32_t interval, int32_t count,
                                                   int hundredths);
  // The date of the newest trading day of the exchange index, or of the one before it (mode 1); 0
  // on failure.
  int32_t LastTradingDay(int mode);
  // Every contract of the day, oldest at the head; null on failure.
  std::unique_ptr<ContractTape> DownloadAllContracts(const char* code, const char* name);
  std::unique_ptr<DaySeries> LoadSeriesFile(const char* path, int32_t limit);
  std::unique_ptr<ContractTape> LoadTapeFile(const char* path, int32_t limit);
  // Appends the line to the list box (when given), selects it and repaints at once.
  static void LogLine(TextListBox* box, const std::string& text);
  // The pre-data record of the date from a daily series; sums = 1 keeps moving-average sums. The
  // date's bar, or null (shown or reported).
  const DayBar* BuildPreData(PreDataRecord* record, const DaySeries& series, int sums, int32_t date);

  // ---- History files and the stock list (stocgate_gen.cpp) ----
  // "<folder>/<code[1..3]>/<code>.std|stw|stm|stb"; empty (reported or shown) when refused.
  static std::string SeriesFileName(const std::string& folder, const char* code, char kind);
  // The same folder rule with the extension "stp", for codes of 7 characters or more.
  static std::string PreDataFileName(const std::string& folder, const char* code);
  // "<data folder>_lastinfo.<the trading day before the newest>.spd"; empty when no date came.
  std::string LastInfoFileName();
  // The same file name for the pre-data list of the base day given; empty for 0.
  static std::string LastInfoFileName(int32_t baseDay);
  // "code    name" of every stock of market '1' or '2', in the book's order. The lines added.
  static int32_t FillStockList(TextListBox* box, const CodeInfoList& book);
  void SetLogTarget(TextListBox* box, int flag) {
    logBox_ = box;
    logFlag_ = flag;
  }
  // A log line to the log target, when one is set and the flag is 1.
  void Log(const std::string& text);
  // Loads the pre-data file into the list in code order: the given name, else the last-info file,
  // else the dialog's choice. 1, or 0 after the message.
  int OpenPreDataFile(PreDataList* list, const std::string& fileName, OpenFileDialog* dialog);

 private:
  // One request's rows into the batch (see DownloadNowBatch); the number of rows taken, or -1.
  int32_t FetchNowRows(NowGateBatch* batch, NowGate* group, const char* codes, const CodeInfo* entry);
  // The common step of every history download: run the request, show a refusal. True when answered.
  static bool Answered(broker::IMarketRequest& object);
  int ReadChartRow(int32_t row, int hundredths, DayBar* bar);
  int ReadMinuteRow(int32_t row, int hundredths, DayBar* bar);

  TextListBox* logBox_ = nullptr;
  int logFlag_ = 0;
  std::shared_ptr<broker::IMarketRequest> minuteChart_;
  std::shared_ptr<broker::IMarketRequest> dayChart_;
  std::shared_ptr<broker::IMarketRequest> contractHistory_;
  // The objects of a download in progress; empty between calls.
  std::shared_ptr<broker::ICodeManager> codeManager_;
  std::shared_ptr<broker::IStockCodeList> codeList_;
  std::shared_ptr<broker::IMarketRequest> multiPrice_;  // current prices
  // The trade utility; null while not logged in to trading.
  std::shared_ptr<broker::ITradeUtility> tradeUtility_;
  int32_t lastOrderNumber_ = 0;
};

}  // namespace ostrada
