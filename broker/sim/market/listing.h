#pragma once
// The listed stocks of the exchange, made from the seed alone: codes, CP949 names, the second code,
// the code-manager attributes, and what the market needs to trade each stock (its own seed, a base
// price, a liquidity level, and listed shares that make the company worth what its rank on its board
// is worth on the real one). Order: market '1', '2', '3', '4', each by code; a preferred share right
// after its common share.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ostrada::sim {

struct ListedStock {
  std::string code;        // "A" + 6 digits; common shares end in '0', preferred in '5' or '7'
  std::string name;        // CP949
  std::string code2;       // the second code (12 characters)
  std::string commonCode;  // a preferred share's common share; empty for a common share
  char market = '1';       // '1'..'4'
  char class1 = '0';       // '0'..'4'
  char class2 = '0';       // '0'..'3'
  char class3 = '0';       // any digit
  char class4 = '0';       // '0', '1'
  char class5 = '0';       // '0'..'2'; '1' = trading suspended
  uint8_t flagByte = 0;    // margin rate in percent
  int32_t number1 = 0;     // face value in won
  int32_t number2 = 0;     // listed shares in thousands (the company's size, by its board's rank)
  uint64_t seed = 0;       // the stock's own random stream
  int32_t basePrice = 0;   // where the previous close sits, in won, on the listing's grid below
  int liquidity = 1;       // 1 (thin) .. 10 (heavy)

  bool IsPreferred() const { return !commonCode.empty(); }
  bool IsSuspended() const { return class5 == '1'; }
  friend bool operator==(const ListedStock&, const ListedStock&) = default;
};

// The default listing size and the largest the code list can count.
constexpr int kDefaultListingSize = 2600;
constexpr int kMaxListingSize = 32767;
// The size a listing asked for `stocks` has.
inline int ListingSizeFor(int stocks) {
  return stocks <= 0 ? kDefaultListingSize : std::min(stocks, kMaxListingSize);
}

// The step of the grid the listing draws its base prices on (won). In some bands it is finer than
// the exchange's tick rule (basesrc/priceinfo.h), which the market snaps every base price onto; the
// listing keeps its own grid so that a seed goes on giving the same listing.
int32_t TickSize(int32_t price);
// The price rounded to the nearest tick at or below it (at least one tick).
int32_t OnTickGrid(int32_t price);

class Listing {
 public:
  // `stocks` <= 0 gives the default size; more than kMaxListingSize is cut to it.
  static Listing Build(uint64_t seed, int stocks);
  // The same codes, names and attributes trading on another market: each stock's own random stream
  // is drawn again from `marketSeed`, so no path of this listing's market tells that one's.
  Listing WithMarket(uint64_t marketSeed) const;

  const std::vector<ListedStock>& All() const { return stocks_; }
  size_t Size() const { return stocks_.size(); }
  const ListedStock& At(size_t index) const { return stocks_.at(index); }
  // The stock with the code ("A005930"), or null.
  const ListedStock* Find(std::string_view code) const;
  // Names are unique. A fault plan may ask for `pairs` stocks of the second board to be named
  // after stocks of the first, as real boards have at times: which stock takes whose name.
  struct NamePair {
    size_t taker;
    size_t giver;
  };
  std::vector<NamePair> NamesToShare(size_t pairs) const;
  // Every field of every stock in a canonical byte form, for determinism checks.
  std::string Bytes() const;

 private:
  std::vector<ListedStock> stocks_;
  std::unordered_map<std::string, size_t> byCode_;
};

}  // namespace ostrada::sim
