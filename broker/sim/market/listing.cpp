#include "broker/sim/market/listing.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "basesrc/foundation/cp949.h"
#include "broker/sim/market/names.h"
#include "broker/sim/market/seeded_random.h"

namespace ostrada::sim {
namespace {

// Shares of the default listing per market; the rest of a listing keeps the proportions.
constexpr int kMarketWeights[] = {950, 1600, 25, 25};
constexpr int kWeightTotal = 2600;

struct MarketTraits {
  double preferredPercent;  // chance a common share has a preferred share
  int liquidityFloor;
};
constexpr MarketTraits kTraits[] = {{12.0, 3}, {3.0, 1}, {0.0, 1}, {0.0, 1}};

// What a board's companies are worth (won), by size: the k-th largest is worth top * k^-slope, as the
// real boards' capitalisations fall off (the first board about 2,000 trillion won, its largest
// company near a fifth of it; the second about 400 trillion, spread more evenly). A listing smaller
// than the board stands for it as a sample: its companies take ranks spread over the board's.
struct BoardSizes {
  double top;
  double slope;
  int companies;  // common shares of the default listing's board
};
constexpr BoardSizes kBoardSizes[] = {{3.6e14, 1.1, 830}, {3.0e13, 0.85, 1550}, {3.0e11, 1.0, 25}, {3.0e11, 1.0, 25}};
// No company lists more shares than the largest real ones (a few billion): a company too large for
// its share price at that count takes the rank of a smaller one.
constexpr double kMostShares = 6.0e9;

constexpr int32_t kFaceValues[] = {100, 200, 500, 1000, 2500, 5000};
constexpr uint8_t kMarginRates[] = {20, 30, 40, 50, 60, 100};

// Price bands (won) and their chance in percent, so the listing has the usual spread of cheap and
// dear shares.
struct PriceBand {
  int32_t low;
  int32_t high;
  int percent;
};
constexpr PriceBand kPriceBands[] = {{1000, 1999, 12},   {2000, 4999, 22},    {5000, 19999, 33},
                                     {20000, 49999, 17}, {50000, 199999, 12}, {200000, 900000, 4}};

std::vector<int> MarketSizes(int total) {
  std::vector<int> sizes(4);
  if (total >= 10) {
    sizes[2] = std::max(1, total * kMarketWeights[2] / kWeightTotal);
    sizes[3] = std::max(1, total * kMarketWeights[3] / kWeightTotal);
  }
  sizes[0] = (total * kMarketWeights[0] + kWeightTotal / 2) / kWeightTotal;
  sizes[1] = total - sizes[0] - sizes[2] - sizes[3];
  return sizes;
}

// All names in a seeded order: two-word names first, then three-word names once those run out.
class NameSource {
 public:
  explicit NameSource(SeededRandom& random) {
    for (auto opening : NameOpenings()) {
      for (auto ending : NameEndings()) pool_.push_back(std::string(opening) + std::string(ending));
    }
    for (auto opening : LatinOpenings()) {
      for (auto ending : NameEndings()) pool_.push_back(std::string(opening) + std::string(ending));
    }
    for (size_t i = pool_.size(); i > 1; --i) std::swap(pool_[i - 1], pool_[random.Below(static_cast<uint32_t>(i))]);
  }

  std::string Next() {
    const size_t index = next_++;
    if (index < pool_.size()) return Utf8ToCp949(pool_[index]);
    const auto openings = NameOpenings();
    const auto endings = NameEndings();
    const size_t extra = index - pool_.size();
    const size_t first = extra % openings.size();
    const size_t second = (first + 1 + extra / openings.size()) % openings.size();
    const size_t ending = extra / (openings.size() * openings.size()) % endings.size();
    return Utf8ToCp949(std::string(openings[first]) + std::string(openings[second]) + std::string(endings[ending]));
  }

 private:
  std::vector<std::string> pool_;
  size_t next_ = 0;
};

char Weighted(SeededRandom& random, std::string_view values, std::initializer_list<int> percents) {
  int roll = static_cast<int>(random.Below(100));
  size_t i = 0;
  for (int percent : percents) {
    if (roll < percent) return values[i];
    roll -= percent;
    ++i;
  }
  return values[0];
}

int32_t BasePrice(SeededRandom& random) {
  int roll = static_cast<int>(random.Below(100));
  for (const PriceBand& band : kPriceBands) {
    if (roll < band.percent) return OnTickGrid(random.Between(band.low, band.high));
    roll -= band.percent;
  }
  return OnTickGrid(kPriceBands[0].low);
}

// The second code: country, kind, the six digits, "00" and a check digit.
std::string SecondCode(const std::string& code) {
  std::string body = "KR7" + code.substr(1) + "00";
  int sum = 0;
  for (char c : body) sum += static_cast<unsigned char>(c);
  return body + static_cast<char>('0' + sum % 10);
}

// A stock as drawn, before its board's companies are ranked by size.
struct Drawn {
  ListedStock stock;
  double size = 0;           // a common share: the larger, the larger its company is likely to be
  int32_t shareDivisor = 1;  // a preferred share: its common share's count over its own
};
using Family = std::vector<Drawn>;

Drawn MakeCommon(SeededRandom& random, char market, std::string code, std::string name) {
  Drawn drawn;
  ListedStock& stock = drawn.stock;
  stock.code2 = SecondCode(code);
  stock.code = std::move(code);
  stock.name = std::move(name);
  stock.market = market;
  stock.class1 = Weighted(random, "01234", {92, 2, 2, 2, 2});
  stock.class2 = Weighted(random, "0123", {85, 7, 5, 3});
  stock.class3 = static_cast<char>('0' + random.Below(10));
  stock.class4 = random.Percent(10) ? '1' : '0';
  stock.class5 = Weighted(random, "012", {98, 1, 1});
  stock.flagByte = kMarginRates[random.Below(std::size(kMarginRates))];
  stock.number1 = kFaceValues[random.Below(std::size(kFaceValues))];
  const double sizeDraw = random.Unit();
  stock.seed = random.Next();
  stock.basePrice = BasePrice(random);
  const int floor = kTraits[market - '1'].liquidityFloor;
  const int firstDraw = random.Between(floor, 10);
  const int secondDraw = random.Between(floor, 10);
  stock.liquidity = std::min(firstDraw, secondDraw);  // thin stocks are the many
  // Large companies trade much and their shares are dear, but not always.
  drawn.size = stock.liquidity + 2.0 * sizeDraw + std::log10(stock.basePrice);
  return drawn;
}

Drawn MakePreferred(SeededRandom& random, const ListedStock& common, char last, std::string_view suffix) {
  Drawn drawn{common};
  ListedStock& stock = drawn.stock;
  stock.code.back() = last;
  stock.code2 = SecondCode(stock.code);
  stock.name = common.name + Utf8ToCp949(suffix);
  stock.commonCode = common.code;
  stock.class4 = '0';
  stock.seed = random.Next();
  stock.basePrice = OnTickGrid(common.basePrice / 100 * random.Between(50, 90));
  drawn.shareDivisor = random.Between(5, 20);
  stock.liquidity = std::max(1, common.liquidity - 2);
  return drawn;
}

// Gives each company of one board its listed shares (thousands) by its rank in size, and each preferred
// share its part of its common share's count.
void SizeBoard(std::vector<Family>& families, int m) {
  const BoardSizes& sizes = kBoardSizes[m];
  std::vector<Drawn*> bySize;
  for (Family& family : families) bySize.push_back(&family[0]);
  if (bySize.empty()) return;
  std::stable_sort(bySize.begin(), bySize.end(), [](const Drawn* a, const Drawn* b) { return a->size > b->size; });
  const double spread = static_cast<double>(sizes.companies) / static_cast<double>(bySize.size());
  for (size_t k = 0; k < bySize.size(); ++k) {
    const double worth = sizes.top * std::pow(1.0 + static_cast<double>(k) * spread, -sizes.slope);
    // The likeliest company whose price carries that worth within the most shares, else the likeliest.
    size_t pick = k;
    while (pick < bySize.size() && bySize[pick]->stock.basePrice * kMostShares < worth) ++pick;
    if (pick == bySize.size()) pick = k;
    std::rotate(bySize.begin() + static_cast<std::ptrdiff_t>(k), bySize.begin() + static_cast<std::ptrdiff_t>(pick),
                bySize.begin() + static_cast<std::ptrdiff_t>(pick) + 1);
    ListedStock& stock = bySize[k]->stock;
    const double shares = std::min(worth / stock.basePrice, kMostShares);
    stock.number2 = std::max(1, static_cast<int32_t>(std::lround(shares / 1000.0)));
  }
  for (Family& family : families) {
    for (size_t i = 1; i < family.size(); ++i)
      family[i].stock.number2 = std::max(1, family[0].stock.number2 / family[i].shareDivisor);
  }
}

}  // namespace

int32_t TickSize(int32_t price) {
  if (price < 2000) return 1;
  if (price < 5000) return 5;
  if (price < 20000) return 10;
  if (price < 50000) return 50;
  if (price < 200000) return 100;
  if (price < 500000) return 500;
  return 1000;
}

int32_t OnTickGrid(int32_t price) {
  const int32_t tick = TickSize(price);
  return std::max(tick, price / tick * tick);
}

namespace {

// Unique codes: five random digits and '0' (the last digit is the preferred shares' own).
class CodeSource {
 public:
  explicit CodeSource(SeededRandom& random) : random_(random) {}
  std::string Next() {
    int base;
    do base = random_.Between(10, 99999);
    while (!used_.insert(base).second);
    const std::string digits = std::to_string(base);
    return "A" + std::string(5 - digits.size(), '0') + digits + "0";
  }

 private:
  SeededRandom& random_;
  std::set<int> used_;
};

// One market's stocks by code, each common share followed by its preferred shares.
void AddMarket(SeededRandom& random, CodeSource& codes, NameSource& names, int m, int size,
               std::vector<ListedStock>& out) {
  const char market = static_cast<char>('1' + m);
  std::vector<Family> families;
  int count = 0;
  while (count < size) {
    // One draw after another: argument order is unspecified, and the sequence must not depend on it.
    std::string code = codes.Next();
    Family family{MakeCommon(random, market, std::move(code), names.Next())};
    if (size - count >= 2 && random.Percent(kTraits[m].preferredPercent)) {
      family.push_back(MakePreferred(random, family[0].stock, '5', kPreferredSuffix));
      if (size - count >= 3 && random.Percent(25)) {
        family.push_back(MakePreferred(random, family[0].stock, '7', kSecondPreferredSuffix));
      }
    }
    count += static_cast<int>(family.size());
    families.push_back(std::move(family));
  }
  SizeBoard(families, m);
  std::sort(families.begin(), families.end(),
            [](const Family& a, const Family& b) { return a[0].stock.code < b[0].stock.code; });
  for (Family& family : families) {
    for (Drawn& drawn : family) out.push_back(std::move(drawn.stock));
  }
}

}  // namespace

Listing Listing::WithMarket(uint64_t marketSeed) const {
  Listing other = *this;
  for (ListedStock& stock : other.stocks_) stock.seed = DeriveSeed(stock.seed, marketSeed);
  return other;
}

Listing Listing::Build(uint64_t seed, int stocks) {
  const int total = ListingSizeFor(stocks);
  SeededRandom random(seed);
  NameSource names(random);
  CodeSource codes(random);
  Listing listing;
  std::vector<ListedStock>& all = listing.stocks_;
  const std::vector<int> sizes = MarketSizes(total);
  for (int m = 0; m < 4; ++m) AddMarket(random, codes, names, m, sizes[m], all);
  // Always at least one suspended stock, so the halted paths have something to show.
  if (total >= 20 && std::none_of(all.begin(), all.end(), [](const ListedStock& s) { return s.IsSuspended(); })) {
    all[all.size() / 2].class5 = '1';
  }
  for (size_t i = 0; i < all.size(); ++i) listing.byCode_.emplace(all[i].code, i);
  return listing;
}

std::vector<Listing::NamePair> Listing::NamesToShare(size_t pairs) const {
  // Only stocks without preferred shares are paired, so every preferred name still follows its
  // common name; a stock takes one name at most.
  auto lone = [this](size_t i) {
    return !stocks_[i].IsPreferred() && (i + 1 == stocks_.size() || stocks_[i + 1].commonCode != stocks_[i].code);
  };
  std::vector<size_t> firstBoard;
  std::vector<size_t> secondBoard;
  for (size_t i = 0; i < stocks_.size(); ++i) {
    if (!lone(i)) continue;
    if (stocks_[i].market == '1') firstBoard.push_back(i);
    if (stocks_[i].market == '2') secondBoard.push_back(i);
  }
  std::vector<NamePair> shared;
  const size_t count = std::min({pairs, firstBoard.size(), secondBoard.size()});
  for (size_t k = 0; k < count; ++k) {
    // Spread over both boards: a stride prime to neither board's size would repeat a stock.
    shared.push_back({secondBoard[secondBoard.size() * k / count], firstBoard[firstBoard.size() * k / count]});
  }
  return shared;
}

const ListedStock* Listing::Find(std::string_view code) const {
  auto found = byCode_.find(std::string(code));
  return found == byCode_.end() ? nullptr : &stocks_[found->second];
}

std::string Listing::Bytes() const {
  std::string bytes;
  auto put = [&bytes](uint64_t value, int width) {
    for (int i = 0; i < width; ++i) bytes += static_cast<char>(value >> (8 * i) & 0xFF);
  };
  for (const ListedStock& s : stocks_) {
    for (const std::string* text : {&s.code, &s.name, &s.code2, &s.commonCode}) {
      put(text->size(), 2);
      bytes += *text;
    }
    bytes += {s.market, s.class1, s.class2, s.class3, s.class4, s.class5};
    put(s.flagByte, 1);
    put(static_cast<uint32_t>(s.number1), 4);
    put(static_cast<uint32_t>(s.number2), 4);
    put(s.seed, 8);
    put(static_cast<uint32_t>(s.basePrice), 4);
    put(static_cast<uint32_t>(s.liquidity), 1);
  }
  return bytes;
}

}  // namespace ostrada::sim
