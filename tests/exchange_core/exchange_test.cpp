#include "broker/sim/exchange.h"

#include <gtest/gtest.h>

#include "basesrc/foundation/cp949.h"
#include "broker/clsid.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/market/faults.h"
#include "broker/sim/market/listing.h"
#include "broker/sim/objects/registry.h"

namespace ostrada::sim {
namespace {

using broker::ComError;
namespace clsid = broker::clsid;

broker::HResult CreationCode(Exchange& exchange, const broker::Guid& id) {
  try {
    exchange.CreateInstance(id);
  } catch (const ComError& error) {
    return error.Code();
  }
  return broker::kSOk;
}

TEST(ExchangeTest, CreatesRegisteredClassesAndRefusesOthers) {
  Exchange exchange(ExchangeOptions{.stocks = 20});
  EXPECT_NE(exchange.CreateInstance(clsid::kStockCodeList), nullptr);
  EXPECT_NE(exchange.CreateInstance(clsid::kCodeManager), nullptr);
  const broker::Guid unknown = broker::ParseGuid("{00000000-1111-2222-3333-444444444444}");
  EXPECT_EQ(CreationCode(exchange, unknown), broker::kClassNotRegistered);
  try {
    exchange.CreateInstance(unknown);
  } catch (const ComError& error) {
    EXPECT_EQ(Cp949ToUtf8(error.Description()), "클래스가 등록되지 않았습니다.");
  }
}

TEST(ExchangeTest, WrongInterfaceIsNoInterface) {
  Exchange exchange(ExchangeOptions{.stocks = 20});
  broker::ScopedServer server(exchange);
  try {
    broker::CreateAs<broker::ICodeManager>(clsid::kStockCodeList);
    FAIL();
  } catch (const ComError& error) {
    EXPECT_EQ(error.Code(), broker::kENoInterface);
  }
}

TEST(ExchangeTest, CreationFaultFailsOnlyItsClass) {
  Exchange exchange(ExchangeOptions{.stocks = 20});
  exchange.Faults().FailCreation(clsid::kCodeManager, broker::kServerUnavailable);
  EXPECT_EQ(CreationCode(exchange, clsid::kCodeManager), broker::kServerUnavailable);
  EXPECT_EQ(CreationCode(exchange, clsid::kStockCodeList), broker::kSOk);
  exchange.Faults().Clear();
  EXPECT_EQ(CreationCode(exchange, clsid::kCodeManager), broker::kSOk);
}

TEST(ExchangeTest, SessionStartsAtNineOnTheGivenDate) {
  Exchange exchange(ExchangeOptions{.stocks = 20, .tradingDate = 20261204});
  EXPECT_EQ(exchange.Clock().Date(), 20261204);
  EXPECT_EQ(exchange.Clock().Hhmmss(), 90000);
  EXPECT_TRUE(exchange.Clock().IsMarketOpen());
  const LocalClock local = exchange.Time().Now();
  EXPECT_EQ(local.year, 2026);
  EXPECT_EQ(local.month, 12);
  EXPECT_EQ(local.day, 4);
  EXPECT_EQ(local.hour, 9);
  EXPECT_EQ(local.minute, 0);
  EXPECT_EQ(local.weekday, 5);
  EXPECT_EQ(local.yearDay, 337);
  exchange.Advance(6 * kMillisecondsPerHour + 1500);
  EXPECT_EQ(exchange.Clock().Hhmmss(), 150001);
  EXPECT_FALSE(exchange.Clock().IsMarketOpen());
  EXPECT_EQ(exchange.Time().Now().millisecond, 500);
}

TEST(ExchangeTest, InstalledTimeSourceFollowsTheExchange) {
  Exchange exchange(ExchangeOptions{.stocks = 20, .tradingDate = 20261207});
  ScopedTimeSource scope(exchange.Time());
  EXPECT_EQ(NowLocal().hour, 9);
  exchange.Advance(90 * 60'000);
  const LocalClock now = NowLocal();
  EXPECT_EQ(now.hour, 10);
  EXPECT_EQ(now.minute, 30);
  EXPECT_EQ(now.day, 7);
}

TEST(ExchangeTest, DefaultTradingDateIsTheLastWeekdayInKorea) {
  // 2026-12-05 is a Saturday. 15:00 UTC on Friday the 4th is already Saturday in Korea.
  constexpr int64_t kFriday4th15Utc = 1'796'396'400'000;
  EXPECT_EQ(DefaultTradingDate(kFriday4th15Utc), 20261204);
  EXPECT_EQ(DefaultTradingDate(kFriday4th15Utc - 6 * kMillisecondsPerHour), 20261204);
  EXPECT_EQ(DefaultTradingDate(kFriday4th15Utc + 2 * kMillisecondsPerDay), 20261207);
  Exchange exchange(ExchangeOptions{.stocks = 20, .wallClock = [] { return kFriday4th15Utc; }});
  EXPECT_EQ(exchange.Clock().Date(), 20261204);
}

TEST(ExchangeTest, DefaultTradingDateSkipsTheExchangesHolidays) {
  // 2026-10-05 (Monday) stands in for the foundation day that fell on a Saturday; 10-09 is a Friday.
  EXPECT_EQ(DefaultTradingDate(KoreanUnixMilliseconds(20261005, 10 * kMillisecondsPerHour)), 20261002);
  EXPECT_EQ(DefaultTradingDate(KoreanUnixMilliseconds(20261011, 10 * kMillisecondsPerHour)), 20261008);
  EXPECT_EQ(DefaultTradingDate(KoreanUnixMilliseconds(20260102, 0)), 20260102);
}

TEST(ExchangeTest, PumpFollowsTheWallClockAtTheSessionSpeed) {
  int64_t wall = 1'796'000'000'000;
  Exchange exchange(
      ExchangeOptions{.stocks = 20, .speed = 2.5, .tradingDate = 20261207, .wallClock = [&] { return wall; }});
  wall += 1000;
  exchange.Pump();
  EXPECT_EQ(exchange.Clock().Now(), ExchangeClock::AtHhmmss(90002) + 500);
  wall += 1;
  exchange.Pump();
  wall += 1;
  exchange.Pump();
  EXPECT_EQ(exchange.Clock().Now(), ExchangeClock::AtHhmmss(90002) + 505) << "fractions carry over";
  wall -= 100;
  exchange.Pump();
  EXPECT_EQ(exchange.Clock().Now(), ExchangeClock::AtHhmmss(90002) + 505) << "never backwards";
  exchange.SetRunning(false);
  wall += 60'000;
  exchange.Pump();
  EXPECT_EQ(exchange.Clock().Now(), ExchangeClock::AtHhmmss(90002) + 505) << "held";
  exchange.SetRunning(true);
  exchange.SetSpeed(1000);
  exchange.SetSpeed(0);
  EXPECT_EQ(exchange.Speed(), 1000) << "a speed of 0 is none";
  wall += 3;
  exchange.Pump();
  EXPECT_EQ(exchange.Clock().Now(), ExchangeClock::AtHhmmss(90002) + 3505) << "the held minute is never owed";
}

TEST(ExchangeTest, LiveClockIsKoreanWallTime) {
  // 2026-12-07 (Monday) 01:30:00 UTC = 10:30 in Korea.
  int64_t wall = 1'796'607'000'000;
  Exchange exchange(
      ExchangeOptions{.stocks = 20, .clock = ClockMode::kLive, .speed = 10, .wallClock = [&] { return wall; }});
  EXPECT_EQ(exchange.Clock().Date(), 20261207);
  EXPECT_EQ(exchange.Clock().Hhmmss(), 103000);
  EXPECT_TRUE(exchange.Clock().IsMarketOpen());
  wall += 14 * kMillisecondsPerHour;  // 00:30 on Tuesday
  exchange.Pump();
  EXPECT_EQ(exchange.Clock().Date(), 20261208);
  EXPECT_EQ(exchange.Clock().Hhmmss(), 3000);
  EXPECT_FALSE(exchange.Clock().IsMarketOpen());
}

TEST(ExchangeTest, SameSeedSameListing) {
  Exchange first(ExchangeOptions{.seed = 5, .stocks = 80});
  Exchange second(ExchangeOptions{.seed = 5, .stocks = 80});
  EXPECT_EQ(first.Stocks().Bytes(), second.Stocks().Bytes());
  EXPECT_EQ(&first.Context().Stocks(), &first.Stocks());
  EXPECT_EQ(first.Context().Seed(), 5u);
}

}  // namespace
}  // namespace ostrada::sim
