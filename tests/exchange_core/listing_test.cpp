#include "broker/sim/market/listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "basesrc/foundation/cp949.h"

namespace ostrada::sim {
namespace {

// Built once: the default listing is the one the program shows.
const Listing& DefaultListing() {
  static const Listing listing = Listing::Build(20261208, 0);
  return listing;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

TEST(ListingTest, SameSeedGivesSameBytesAndOtherSeedsDiffer) {
  EXPECT_EQ(Listing::Build(7, 300).Bytes(), Listing::Build(7, 300).Bytes());
  EXPECT_EQ(Listing::Build(20261208, 0).Bytes(), DefaultListing().Bytes());
  EXPECT_NE(Listing::Build(8, 300).Bytes(), Listing::Build(7, 300).Bytes());
}

uint64_t Fnv1a(const std::string& bytes) {
  uint64_t hash = 1469598103934665603ull;
  for (char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return hash;
}

// The listing depends on the seed alone, not on the compiler or library that built it: a change
// here is a change of every stored market and must be deliberate.
TEST(ListingTest, SeedGivesTheSameListingOnEveryBuild) {
  EXPECT_EQ(Fnv1a(Listing::Build(7, 300).Bytes()), 1772853618533419563ull);
}

// What the companies are worth, added up from the listed shares and the listing's prices: the first
// board about 2,000 trillion won with its largest company near a fifth of it, the second about 400
// trillion spread more evenly; no company lists more shares than the largest real ones, and a
// preferred share lists fewer than its common share.
TEST(ListingTest, CompaniesAreWorthWhatTheRealBoardsAre) {
  for (const uint64_t seed : {uint64_t{20261208}, uint64_t{7}}) {
    const Listing listing = Listing::Build(seed, 0);
    std::map<char, std::vector<double>> worth;
    for (const ListedStock& stock : listing.All()) {
      EXPECT_GE(stock.number2, 1);
      EXPECT_LE(stock.number2, 6'000'000) << stock.code;
      worth[stock.market].push_back(stock.number2 * 1000.0 * stock.basePrice);
      if (stock.IsPreferred()) {
        EXPECT_LT(stock.number2, listing.Find(stock.commonCode)->number2) << stock.code;
      }
    }
    auto total = [&worth](char market) {
      double sum = 0;
      for (double w : worth[market]) sum += w;
      return sum;
    };
    EXPECT_GT(total('1'), 1.7e15) << seed;
    EXPECT_LT(total('1'), 2.4e15) << seed;
    EXPECT_GT(total('2'), 3.0e14) << seed;
    EXPECT_LT(total('2'), 5.0e14) << seed;
    const double firstLargest = *std::max_element(worth['1'].begin(), worth['1'].end());
    const double secondLargest = *std::max_element(worth['2'].begin(), worth['2'].end());
    EXPECT_GT(firstLargest / total('1'), 0.1) << seed;
    EXPECT_LT(firstLargest / total('1'), 0.3) << seed;
    EXPECT_LT(secondLargest / total('2'), firstLargest / total('1')) << seed;
  }
}

TEST(ListingTest, DefaultHasTheMarketsOfAKoreanBoard) {
  const Listing& listing = DefaultListing();
  EXPECT_EQ(listing.Size(), static_cast<size_t>(kDefaultListingSize));
  std::map<char, int> perMarket;
  for (const ListedStock& stock : listing.All()) ++perMarket[stock.market];
  EXPECT_GE(perMarket['1'], 900);
  EXPECT_LE(perMarket['1'], 1000);
  EXPECT_GE(perMarket['2'], 1500);
  EXPECT_LE(perMarket['2'], 1700);
  EXPECT_GE(perMarket['3'] + perMarket['4'], 24);
  EXPECT_LE(perMarket['3'] + perMarket['4'], 96);
  EXPECT_GT(perMarket['3'], 0);
  EXPECT_GT(perMarket['4'], 0);
}

TEST(ListingTest, CodesAreUniqueAndWellFormedAndOrdered) {
  const Listing& listing = DefaultListing();
  std::set<std::string> codes;
  char market = '1';
  std::string previous;
  for (const ListedStock& stock : listing.All()) {
    ASSERT_EQ(stock.code.size(), 7u) << stock.code;
    EXPECT_EQ(stock.code[0], 'A');
    EXPECT_EQ(stock.code.find_first_not_of("0123456789", 1), std::string::npos) << stock.code;
    EXPECT_TRUE(codes.insert(stock.code).second) << stock.code;
    EXPECT_LE(stock.code2.size(), 15u);
    EXPECT_TRUE(StartsWith(stock.code2, "KR7" + stock.code.substr(1))) << stock.code2;
    ASSERT_GE(stock.market, market) << "markets come in order";
    if (stock.market != market) previous.clear();
    market = stock.market;
    EXPECT_LT(previous, stock.code) << "codes ascend within a market";
    previous = stock.code;
    EXPECT_EQ(listing.Find(stock.code), &stock);
  }
  EXPECT_EQ(listing.Find("A000000"), nullptr);
}

TEST(ListingTest, PreferredSharesFollowTheirCommonShare) {
  const auto& all = DefaultListing().All();
  int preferred = 0;
  int second = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    const ListedStock& stock = all[i];
    const char last = stock.code.back();
    if (!stock.IsPreferred()) {
      EXPECT_EQ(last, '0') << stock.code;
      continue;
    }
    ++preferred;
    second += last == '7';
    ASSERT_TRUE(last == '5' || last == '7') << stock.code;
    ASSERT_GT(i, 0u);
    const ListedStock& common = *DefaultListing().Find(stock.commonCode);
    EXPECT_EQ(common.code.substr(0, 6), stock.code.substr(0, 6));
    EXPECT_EQ(all[i - (last == '5' ? 1 : 2)].code, common.code) << "right after the common share";
    EXPECT_TRUE(StartsWith(stock.name, common.name + Utf8ToCp949("우"))) << Cp949ToUtf8(stock.name);
    EXPECT_EQ(stock.market, common.market);
  }
  EXPECT_GE(preferred, 60);
  EXPECT_GT(second, 0);
}

TEST(ListingTest, NamesAreKoreanWithSomeLatinAndUnique) {
  std::map<std::string, int> names;
  int latin = 0;
  int digit = 0;
  for (const ListedStock& stock : DefaultListing().All()) {
    ASSERT_FALSE(stock.name.empty());
    const std::string utf8 = Cp949ToUtf8(stock.name);
    EXPECT_EQ(Utf8ToCp949(utf8), stock.name) << "the name is valid CP949";
    EXPECT_EQ(utf8.find('?'), std::string::npos) << utf8;
    const auto first = static_cast<unsigned char>(stock.name[0]);
    latin += std::isupper(first) != 0;
    digit += std::isdigit(first) != 0;
    ++names[stock.name];
  }
  EXPECT_GT(latin, 50);
  EXPECT_GT(digit, 5);
  // Every stock can be found by its name.
  EXPECT_EQ(names.size(), DefaultListing().Size());
}

// Names stay unique however large the listing, once the two-word names run out too.
TEST(ListingTest, NamesStayUniqueInTheLargestListings) {
  for (const int stocks : {4000, kMaxListingSize}) {
    const Listing listing = Listing::Build(3, stocks);
    std::set<std::string> names;
    for (const ListedStock& stock : listing.All()) names.insert(stock.name);
    EXPECT_EQ(names.size(), listing.Size()) << stocks;
  }
}

TEST(ListingTest, ClassesStayWithinWhatTheBookAccepts) {
  int suspended = 0;
  for (const ListedStock& stock : DefaultListing().All()) {
    EXPECT_NE(std::string("1234").find(stock.market), std::string::npos);
    EXPECT_NE(std::string("01234").find(stock.class1), std::string::npos);
    EXPECT_NE(std::string("0123").find(stock.class2), std::string::npos);
    EXPECT_NE(std::string("01").find(stock.class4), std::string::npos);
    EXPECT_NE(std::string("012").find(stock.class5), std::string::npos);
    suspended += stock.IsSuspended();
    EXPECT_GT(stock.basePrice, 0);
    EXPECT_EQ(stock.basePrice % TickSize(stock.basePrice), 0) << stock.basePrice;
    EXPECT_GE(stock.liquidity, 1);
    EXPECT_LE(stock.liquidity, 10);
  }
  EXPECT_GT(suspended, 0);
}

TEST(ListingTest, SmallListingsKeepTheShape) {
  const Listing small = Listing::Build(99, 50);
  ASSERT_EQ(small.Size(), 50u);
  std::map<char, int> perMarket;
  std::set<uint64_t> seeds;
  for (const ListedStock& stock : small.All()) {
    ++perMarket[stock.market];
    seeds.insert(stock.seed);
  }
  EXPECT_EQ(perMarket.size(), 4u);
  EXPECT_GT(perMarket['2'], perMarket['1']);
  EXPECT_EQ(seeds.size(), 50u) << "every stock has its own stream";
  EXPECT_TRUE(std::any_of(small.All().begin(), small.All().end(), [](const auto& s) { return s.IsSuspended(); }));
  EXPECT_EQ(Listing::Build(1, 3).Size(), 3u);
}

TEST(ListingTest, TickGrid) {
  EXPECT_EQ(TickSize(1999), 1);
  EXPECT_EQ(TickSize(2000), 5);
  EXPECT_EQ(TickSize(19990), 10);
  EXPECT_EQ(TickSize(20000), 50);
  EXPECT_EQ(TickSize(199900), 100);
  EXPECT_EQ(TickSize(200000), 500);
  EXPECT_EQ(TickSize(500000), 1000);
  EXPECT_EQ(OnTickGrid(20049), 20000);
  EXPECT_EQ(OnTickGrid(0), 1);
}

}  // namespace
}  // namespace ostrada::sim
