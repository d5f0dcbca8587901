// The code-list download and the market times, against the embedded exchange and its faults, and
// against a scripted server that records the calls.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "basesrc/codeinfo.h"
#include "basesrc/stocgate.h"
#include "broker/clsid.h"
#include "broker/server.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/faults.h"
#include "broker/sim/market/listing.h"
#include "tests/codeinfo/book_fixture.h"

namespace ostrada::testing {
namespace {

using broker::Variant;

constexpr int kSmallListing = 300;

class DownloadTest : public BookTest {
 protected:
  DownloadTest() : exchange(Options()), server(exchange) {}
  static sim::ExchangeOptions Options() {
    sim::ExchangeOptions options;
    options.seed = 7;
    options.stocks = kSmallListing;
    return options;
  }
  const sim::Listing& Listing() { return exchange.Stocks(); }
  // The code of the n-th listed stock of the market kind.
  std::string CodeOfMarket(char market, int n = 0) {
    for (const sim::ListedStock& s : Listing().All()) {
      if (s.market == market && n-- == 0) return s.code;
    }
    ADD_FAILURE() << "no stock of market " << market;
    return {};
  }
  // The download fails as a whole: no book. A value the book rejects fails an internal check, whose
  // last report is the download's own; a server that fails tells it once in its own words, and no
  // internal-check box follows.
  void ExpectFailedDownload(bool internalCheck) {
    StocGate gate;
    EXPECT_EQ(gate.DownloadCodes(kSortByName, 1), nullptr);
    if (internalCheck) {
      ASSERT_GE(ui.sink.messages.size(), 2u);
      EXPECT_NE(ui.sink.messages.back().Utf8().find("] - basesrc/stocgate_code 에서"), std::string::npos);
    } else {
      ASSERT_EQ(ui.sink.messages.size(), 1u);
      EXPECT_EQ(ui.sink.messages.back().CaptionUtf8(), "ostrada");
    }
  }

  sim::Exchange exchange;
  broker::ScopedServer server;
};

TEST_F(DownloadTest, TheBookHoldsEveryListedStockWithItsAttributes) {
  StocGate gate;
  std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByName, 0);
  ASSERT_NE(book, nullptr);
  EXPECT_TRUE(ui.sink.messages.empty());
  EXPECT_EQ(book->SortKind(), kSortByName);
  ASSERT_EQ(book->Count(), static_cast<int>(Listing().Size()));
  CodeCounters expected;
  for (const sim::ListedStock& s : Listing().All()) {
    const CodeInfo* stock = book->FindByCode(s.code.c_str());
    ASSERT_NE(stock, nullptr) << s.code;
    EXPECT_EQ(stock->key.name.get(), s.name);
    EXPECT_EQ(stock->attr.code2, s.code2);
    EXPECT_EQ(stock->attr.number1, s.number1);
    EXPECT_EQ(stock->attr.number2, s.number2);
    EXPECT_EQ(stock->attr.flagByte, s.flagByte);
    EXPECT_EQ(std::string({stock->attr.market, stock->attr.class1, stock->attr.class2, stock->attr.class3,
                           stock->attr.class4, stock->attr.class5}),
              std::string({s.market, s.class1, s.class2, s.class3, s.class4, s.class5}));
    expected.market1 += s.market == '1';
    expected.market2 += s.market == '2';
    expected.market34 += s.market == '3' || s.market == '4';
    expected.class1 += s.class1 != '0';
    expected.class4 += s.class4 == '1';
    expected.class5 += s.class5 == '1';
    expected.class2One += s.class2 == '1';
    expected.class2Two += s.class2 == '2';
    expected.class2Three += s.class2 == '3';
  }
  EXPECT_EQ(book->Counters(), expected);
  for (const CodeInfo* s = book->First(); s != nullptr && s->next != nullptr; s = s->next) {
    EXPECT_LE(StrCompare(s->key.name.get(), s->next->key.name.get()), 0);
  }
}

TEST_F(DownloadTest, DroppingMarketThreeLeavesNoneAndSetsTheFlag) {
  const std::string market3 = CodeOfMarket('3');
  StocGate gate;
  std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByCode, 1);
  ASSERT_NE(book, nullptr);
  EXPECT_EQ(book->Market3Removed(), 1);
  EXPECT_EQ(book->FindByCode(market3.c_str()), nullptr);
  for (const CodeInfo* s = book->First(); s != nullptr; s = s->next) EXPECT_NE(s->attr.market, '3');
  EXPECT_NE(book->FindByCode(CodeOfMarket('4').c_str()), nullptr);
  int kept = 0;
  for (const sim::ListedStock& s : Listing().All()) kept += s.market != '3';
  EXPECT_EQ(book->Count(), kept);
}

TEST_F(DownloadTest, ADownloadedBookSurvivesSaveAndLoad) {
  StocGate gate;
  std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByName, 1);
  ASSERT_NE(book, nullptr);
  const std::string path = TempPath("book.bin");
  ASSERT_EQ(book->Save(path.c_str()), 1);
  CodeInfoList loaded;
  ASSERT_EQ(loaded.Load(path.c_str(), kSortByName, 0), 1);
  EXPECT_EQ(loaded.Count(), book->Count());
  EXPECT_EQ(loaded.Counters(), book->Counters());
  EXPECT_EQ(Codes(loaded), Codes(*book));
  EXPECT_EQ(loaded.CountPreferred(), book->CountPreferred());
  EXPECT_TRUE(ui.sink.messages.empty());
}

TEST_F(DownloadTest, DuplicateNamesOfTheListingAreRemovedFromTheBalancedBook) {
  sim::ExchangeOptions options;
  sim::Exchange full(options);
  full.Faults().ShareNames(5);  // the listing's names are unique; the code list repeats five of them
  broker::ScopedServer scope(full);
  StocGate gate;
  std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByName, 0);
  ASSERT_NE(book, nullptr);
  std::map<std::string, std::string> lastCodeOfName;
  for (const CodeInfo* s = book->First(); s != nullptr; s = s->next) lastCodeOfName[s->key.name.get()] = s->key.code;
  ASSERT_EQ(lastCodeOfName.size(), full.Stocks().Size() - 5);

  ASSERT_EQ(book->RemoveDuplicates(), 1);
  EXPECT_EQ(book->Count(), static_cast<int>(lastCodeOfName.size()));
  for (const auto& [name, code] : lastCodeOfName) {
    const CodeInfo* kept = book->FindByName(name.c_str());
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->key.code, code);
  }
  EXPECT_TRUE(ui.sink.messages.empty());
}

TEST_F(DownloadTest, AnEmptyListingGivesAnEmptyBook) {
  exchange.Faults().EmptyListing();
  StocGate gate;
  std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByName, 1);
  ASSERT_NE(book, nullptr);
  EXPECT_EQ(book->Count(), 0);
  EXPECT_EQ(book->Market3Removed(), 0);
  EXPECT_TRUE(ui.sink.messages.empty());
}

TEST_F(DownloadTest, AnEmptyMarketAnswerFailsTheWholeDownload) {
  exchange.Faults().EmptyMarketAnswer(CodeOfMarket('2', 5));
  ExpectFailedDownload(true);
  ExpectOnlyReports("basesrc/");
}

TEST_F(DownloadTest, AClassOutsideTheAcceptedValuesFailsTheDownload) {
  for (int slot : {18, 19, 20, 21, 25}) {
    exchange.Faults().Clear();
    exchange.Faults().OutOfRangeClass(CodeOfMarket('1', 3), slot);
    ui.sink.Clear();
    ExpectFailedDownload(true);
  }
}

TEST_F(DownloadTest, AnyClassThreeValueIsKept) {
  exchange.Faults().OutOfRangeClass(CodeOfMarket('1', 3), 24);
  StocGate gate;
  std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByName, 1);
  ASSERT_NE(book, nullptr);
  EXPECT_EQ(book->FindByCode(CodeOfMarket('1', 3).c_str())->attr.class3, '9');
}

TEST_F(DownloadTest, AnUnconvertibleNumberFailsWithTheTypeMismatch) {
  exchange.Faults().OverrideAttribute(CodeOfMarket('2', 1), 17, Variant::Text("face"));
  ExpectFailedDownload(false);
  EXPECT_EQ(ui.sink.messages.front().Utf8(), "형식이 일치하지 않습니다.");
}

TEST_F(DownloadTest, AFailedCreationIsShownAndFailsTheDownload) {
  for (const broker::Guid& clsid : {broker::clsid::kCodeManager, broker::clsid::kStockCodeList}) {
    exchange.Faults().Clear();
    exchange.Faults().FailCreation(clsid, broker::kClassNotRegistered);
    ui.sink.Clear();
    ExpectFailedDownload(false);
    EXPECT_EQ(ui.sink.messages.front().Utf8(), "클래스가 등록되지 않았습니다.");
  }
}

TEST_F(DownloadTest, AFailingCallMidwayReturnsNoPartialBook) {
  const struct {
    broker::Guid clsid;
    sim::Method method;
    int skip;
  } faults[] = {{broker::clsid::kStockCodeList, sim::Method::kCount, 0},
                {broker::clsid::kStockCodeList, sim::Method::kData, 100},
                {broker::clsid::kCodeManager, sim::Method::kCodeAttribute, 9 * 50 + 4}};
  for (const auto& fault : faults) {
    exchange.Faults().Clear();
    exchange.Faults().FailCall(fault.clsid, fault.method, broker::kEFail, fault.skip, Cp("서버 응답 없음"));
    ui.sink.Clear();
    ExpectFailedDownload(false);
    EXPECT_EQ(ui.sink.messages.front().Utf8(), "서버 응답 없음");
  }
}

TEST_F(DownloadTest, FillCodesKeepsWhatWasInsertedForItsCaller) {
  exchange.Faults().FailCall(broker::clsid::kCodeManager, sim::Method::kCodeAttribute, broker::kEFail, 9 * 20);
  CodeInfoList book(kSortByCode);
  StocGate gate;
  EXPECT_EQ(gate.FillCodes(&book, kSortByName, 1), 0);
  EXPECT_EQ(book.SortKind(), kSortByName);
  EXPECT_EQ(book.Count(), 20);
  EXPECT_EQ(gate.FillCodes(nullptr, 0, 0), 0);
}

TEST_F(DownloadTest, MarketTimesAreHhmm) {
  StocGate gate;
  EXPECT_EQ(gate.MarketTime(1), 900);
  EXPECT_EQ(gate.MarketTime(2), 1500);
  EXPECT_EQ(gate.MarketTime(0), 1500);
  EXPECT_TRUE(ui.sink.messages.empty());
}

TEST_F(DownloadTest, AMarketTimeFailureShowsTheErrorAndGivesZero) {
  exchange.Faults().FailCall(broker::clsid::kCodeManager, sim::Method::kMarketTime, broker::kEUnexpected);
  StocGate gate;
  EXPECT_EQ(gate.MarketTime(1), 0);
  exchange.Faults().Clear();
  exchange.Faults().FailCreation(broker::clsid::kCodeManager, broker::kClassNotRegistered);
  EXPECT_EQ(gate.MarketTime(2), 0);
  ASSERT_EQ(ui.sink.messages.size(), 2u);
  EXPECT_EQ(ui.sink.messages[0].Utf8(), "치명적인 오류입니다.");
  EXPECT_EQ(ui.sink.messages[1].Utf8(), "클래스가 등록되지 않았습니다.");
  EXPECT_EQ(ui.sink.messages[1].CaptionUtf8(), "ostrada");
}

// A server that answers from a script and records every call, to pin the calling order.
class ScriptedServer : public broker::ComServer {
 public:
  struct Stock {
    std::string code, name, code2;
    std::map<int, Variant> attributes;
  };
  std::vector<Stock> stocks;
  std::vector<std::string> calls;
  std::vector<std::weak_ptr<broker::IObject>> created;

  std::shared_ptr<broker::IObject> CreateInstance(const broker::Guid& clsid) override {
    std::shared_ptr<broker::IObject> object;
    if (clsid == broker::clsid::kStockCodeList) object = std::make_shared<List>(*this);
    if (clsid == broker::clsid::kCodeManager) object = std::make_shared<Manager>(*this);
    if (!object) throw broker::ComError(broker::kClassNotRegistered);
    calls.push_back(clsid == broker::clsid::kStockCodeList ? "create list" : "create manager");
    created.push_back(object);
    return object;
  }

 private:
  struct List : broker::IStockCodeList {
    explicit List(ScriptedServer& s) : server(s) {}
    int16_t Count() override {
      server.calls.push_back("count");
      return static_cast<int16_t>(server.stocks.size());
    }
    Variant Data(int16_t type, int16_t index) override {
      server.calls.push_back("data " + std::to_string(type) + " " + std::to_string(index));
      const Stock& s = server.stocks.at(static_cast<size_t>(index));
      return Variant::Text(type == 0 ? s.code : type == 1 ? s.name : s.code2);
    }
    ScriptedServer& server;
  };
  struct Manager : broker::ICodeManager {
    explicit Manager(ScriptedServer& s) : server(s) {}
    int16_t MarketTime1() override { return 900; }
    int16_t MarketTime2() override { return 1500; }
    Variant CodeAttribute(int slot, const std::string& code) override {
      server.calls.push_back(std::to_string(slot) + " " + code);
      for (const Stock& s : server.stocks) {
        if (s.code == code) return s.attributes.at(slot);
      }
      throw broker::ComError(broker::kEInvalidArg);
    }
    ScriptedServer& server;
  };
};

ScriptedServer::Stock ScriptedStock(std::string code, std::string name, std::string code2, const char* market) {
  return {std::move(code),
          std::move(name),
          std::move(code2),
          {{17, Variant::Text("-5000")},
           {18, Variant::Text(market)},
           {19, Variant::I2(3)},
           {20, Variant::Text("1")},
           {21, Variant::Text("23")},
           {22, Variant::I4(255)},
           {23, Variant::Text("123456")},
           {24, Variant::Text("")},
           {25, Variant::I4(2)}}};
}

using ScriptedDownloadTest = BookTest;

TEST_F(ScriptedDownloadTest, CallsFollowTheServersOrderAndValuesConvert) {
  ScriptedServer script;
  script.stocks = {ScriptedStock("A000020", "B", "KR70000200012345", "2"),
                   ScriptedStock("A000010", "A", "KR7000010001", "12")};
  broker::ScopedServer scope(script);
  StocGate gate;
  std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByCode, 1);
  ASSERT_NE(book, nullptr) << ui.sink.Texts().front();
  const std::vector<std::string> firstStock = {"create manager", "create list", "count",      "data 0 0",
                                               "data 1 0",       "data 2 0",    "17 A000020", "18 A000020",
                                               "19 A000020",     "20 A000020",  "25 A000020", "21 A000020",
                                               "22 A000020",     "23 A000020",  "24 A000020"};
  ASSERT_EQ(script.calls.size(), firstStock.size() + 12);
  EXPECT_EQ(std::vector<std::string>(script.calls.begin(), script.calls.begin() + 15), firstStock);
  EXPECT_EQ(script.calls[15], "data 0 1");
  for (const auto& object : script.created) EXPECT_TRUE(object.expired());

  EXPECT_EQ(Codes(*book), (std::vector<std::string>{"A000010", "A000020"}));
  const CodeInfo& b = *book->FindByCode("A000020");
  EXPECT_STREQ(b.attr.code2, "KR7000020001234");  // cut to 15 characters
  EXPECT_EQ(b.attr.number1, -5000);
  EXPECT_EQ(b.attr.market, '2');
  EXPECT_EQ(b.attr.class1, '3');
  EXPECT_EQ(b.attr.class4, '1');
  EXPECT_EQ(b.attr.class2, '2');
  EXPECT_EQ(b.attr.flagByte, 255);
  EXPECT_EQ(b.attr.number2, 123456);
  EXPECT_EQ(b.attr.class3, '\0');  // an empty text gives the byte 0 where nothing validates it
  EXPECT_EQ(b.attr.class5, '2');
  EXPECT_EQ(book->FindByCode("A000010")->attr.market, '1');
}

TEST_F(ScriptedDownloadTest, AFlagByteOutOfRangeIsAnOverflow) {
  ScriptedServer script;
  script.stocks = {ScriptedStock("A000020", "B", "KR7000020001", "2")};
  script.stocks[0].attributes[22] = Variant::I4(256);
  broker::ScopedServer scope(script);
  StocGate gate;
  EXPECT_EQ(gate.DownloadCodes(kSortByCode, 1), nullptr);
  EXPECT_EQ(ui.sink.messages.front().Utf8(), "현재 범위를 벗어났습니다.");
  for (const auto& object : script.created) EXPECT_TRUE(object.expired());
}

TEST_F(ScriptedDownloadTest, NoServerFailsTheDownloadAndTheMarketTimes) {
  struct NoServer {
    explicit NoServer(broker::ComServer* previous) : previous_(previous) { broker::InstallServer(nullptr); }
    ~NoServer() { broker::InstallServer(previous_); }
    broker::ComServer* previous_;
  } scope(broker::CurrentServer());
  StocGate gate;
  EXPECT_EQ(gate.DownloadCodes(kSortByName, 1), nullptr);
  EXPECT_EQ(gate.MarketTime(1), 0);
  EXPECT_EQ(ui.sink.messages.front().Utf8(), "RPC 서버를 사용할 수 없습니다.");
  EXPECT_EQ(ui.sink.messages.back().Utf8(), "RPC 서버를 사용할 수 없습니다.");
}

}  // namespace
}  // namespace ostrada::testing
