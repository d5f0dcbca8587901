#include "broker/sim/market/market_process.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "basesrc/priceinfo.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/market/market_calendar.h"
#include "broker/sim/market/market_ladder.h"
#include "broker/sim/market/market_random.h"
#include "broker/sim/market/seeded_random.h"

namespace ostrada::sim {
namespace {

constexpr uint64_t kFactorSalt = 0x464143540000000ull;
constexpr uint64_t kPathSalt = 0x5041544800000000ull;
constexpr uint64_t kActionSalt = 0x4143544e00000000ull;
constexpr uint64_t kStyleSalt = 0x5354594c00000000ull;
constexpr int32_t kHighestPrice = 3'000'000;
// Below this price a step of the tick is a large part of the price, and at about 30 won the daily
// limit allows no step at all. A company whose shares closed below it consolidates them the next
// day, as listed companies do, so the process never takes a stock where it cannot move.
constexpr int32_t kConsolidateBelow = 500;
constexpr double kConsolidation = 10.0;
// Companies split dear shares and consolidate cheap ones, never the other way.
constexpr int32_t kSplitFrom = 50'000;
constexpr int32_t kConsolidateUnder = 2'000;

// The market factor: daily volatility about 1.25%, clustering, and a rare crash.
constexpr double kFactorSigma = 0.0125;
constexpr double kFactorArch = 0.09;
constexpr double kFactorGarch = 0.89;
// A crash takes 3-6% beyond the day's shock; the ordinary days win back what crashes take on average,
// so the market neither sinks nor climbs over the years.
constexpr double kCrashPercent = 0.6;
constexpr double kCrashMean = 0.045;
constexpr double kCrashSpread = 0.03;
// The market's own shock is fat-tailed but never beyond five of its deviations, and its volatility
// clusters up to about 3.5% a day at most (the real indexes' wildest weeks, late 2008 and March 2020):
// its worst days come from a crash on a restless market, not from one draw deep in a tail, so a whole
// board seldom closes at its lower limit.
constexpr int kFactorDegrees = 4;
constexpr double kFactorMostShock = 5;
constexpr double kFactorMostSigma = 0.035;
// A company's own shocks have the tails of single stocks' returns, within ten deviations.
constexpr int kStockDegrees = 3;
constexpr double kStockMostShock = 10;
// Each board's own move beside the market's: the second board's stocks are smaller and follow the
// market further, so its index is the more volatile and the two part ways at times (their daily
// correlation about 0.85, as the real boards').
constexpr std::array<double, 2> kBoardSigma = {0.0035, 0.0085};
constexpr std::array<double, 2> kBoardLoading = {-0.1, 0.1};
// Small companies move together against the large on some days, so a plain mean of a board's stocks
// parts from its index, which the large hold (about 0.85-0.97 in daily correlation).
constexpr double kSmallSigma = 0.004;
// Above a trillion won a company's own shocks and news shrink with its size, to about half for the
// largest.
constexpr double kCalmBySize = -0.1;
constexpr double kCalmest = 0.55;
// A stock's own shocks cluster a little less persistently than the market's, and react to a big day
// as much (a day's |return| correlates about 0.1-0.2 with the next day's).
constexpr double kStockArch = 0.10;
constexpr double kStockGarch = 0.87;
// A company's own moves are wilder when the whole market is (its own volatility goes as the market's to
// this power), so a calm year keeps stocks moving together and a wild one lets them part.
constexpr double kOwnWithMarket = 0.5;
// Part of a move beyond the limit that waits for the next day.
constexpr double kLimitCarry = 0.55;
// Pull of the price towards the listing's level, per day.
constexpr double kLevelPull = 0.004;
constexpr double kHaltPercent = 0.3;
// News on a day of a company with a chance of news of p percent: good with chance 0.9 p, moving it by
// the least move and an exponential beyond it of the given mean; bad with chance 0.4 p, and more often
// on a sell-off.
struct News {
  double part;
  double least;
  double beyond;
  double Mean() const { return part * (least + beyond); }
};
constexpr News kGoodNews = {0.9, 0.05, 0.06};
constexpr News kBadNews = {0.4, 0.035, 0.03};

// Turnover. A company's ordinary day trades a part of what it is worth: on the first board about half
// a percent at a trillion won, on the second more than twice that, and a larger company a smaller part
// (the largest real ones turn over a fifth to a third of a percent a day), as much as a real board's
// largest at most. An ordinary day turns over a few parts in a hundred of the listed shares at most,
// the busiest day half of them and a real board's busiest value at most (all bounds smooth, so
// volumes never pile up at a bound).
constexpr std::array<double, 3> kTurnoverAtTrillion = {0.005, 0.012, 0.008};  // the boards, then the rest
constexpr double kTurnoverBySize = -0.2;
constexpr double kTrillion = 1.0e12;
constexpr double kRegularSeconds = 21000;      // of the regular session, as the liquidity counts them
constexpr double kValuePerContract = 1.0e6;    // won in an average contract
constexpr double kMostOrdinaryValue = 1.5e12;  // won
constexpr double kUsualTurnover = 0.03;
constexpr double kMostTurnover = 0.5;
constexpr double kMostDayValue = 2.0e12;  // won: about a seventh of the market's day at most
constexpr double kMostDayVolume = 1.5e9;  // shares, within the 32 bits of a day's volume
// A day's volume against the ordinary one on a day of usual heat: a stock's own volatility spends most
// days below its long-run level (its rare wild days lift the average), so the usual day is a calm one.
constexpr double kVolumeLevel = 0.25;

int32_t UpperLimit(int32_t base) {
  return base + PriceLimitChange(base, 1);
}
int32_t LowerLimit(int32_t base) {
  return base + PriceLimitChange(base, 0);
}

// A fat-tailed shock of unit variance: Student's t with `degrees` degrees of freedom (the fewer, the
// fatter its tails; three give the tails of single stocks' daily returns, whose chance of a move
// beyond x falls about as x^-3).
double FatTail(SeededRandom& random, int degrees) {
  double product = 1;
  for (int i = 0; i < degrees / 2; ++i) product *= random.Unit();
  double chiSquare = -2.0 * std::log(std::max(product, 1e-300));
  if (degrees % 2 == 1) {
    const double odd = Normal(random);
    chiSquare += odd * odd;
  }
  return Normal(random) / std::sqrt(chiSquare / degrees) * std::sqrt((degrees - 2.0) / degrees);
}

// The day a company may split or consolidate its shares, and by how much; which of the two its price
// on that day decides.
struct CorporateAction {
  int day = -1;
  int32_t ratio = 1;
};

CorporateAction ActionOf(const StockProfile& stock) {
  SeededRandom random(DeriveSeed(stock.seed, kActionSalt));
  CorporateAction action;
  if (!random.Percent(3.0)) return action;
  action.day = 20 + static_cast<int>(random.Below(480));
  constexpr std::array<int32_t, 3> kRatios = {2, 5, 10};
  action.ratio = kRatios[random.Below(3)];
  return action;
}

int32_t ListingPrice(const StockProfile& stock) {
  return TickAtOrBelow(std::clamp(stock.priceLevel, kConsolidateBelow, kHighestPrice));
}

size_t BoardOf(const StockProfile& stock) {
  return stock.market == '1' ? 0 : stock.market == '2' ? 1 : 2;
}

// The shares the company lists at the start of the process; where the listing does not tell them, as
// many as its trading implies at its board's turnover.
double StartShares(const StockProfile& stock) {
  if (stock.listedShares > 0) return static_cast<double>(stock.listedShares);
  const double value = stock.contractsPerSecond * kRegularSeconds * kValuePerContract;
  return value / (ListingPrice(stock) * kTurnoverAtTrillion[BoardOf(stock)]);
}

// What a stock keeps through the whole process.
struct Style {
  double beta = 1;
  double sigma = 0.02;       // its own shocks' long-run daily volatility
  double jumpPercent = 1;    // chance of news on a day
  double newsScale = 1;      // how far news moves it
  // Between its news a company gives back what its news adds on average, so news mostly good leaves
  // no lasting drift that would have small companies outgrow large ones year after year.
  double newsDrift = 0;
  double smallness = 1;      // how far it follows the small companies' own move: none for the largest
  double turnover = 0.005;   // the part of its listed shares an ordinary day trades
  int suspendedFrom = -1;    // the day from which it no longer trades
};

Style StyleOf(const StockProfile& stock) {
  SeededRandom random(DeriveSeed(stock.seed, kStyleSalt));
  const double trillions = StartShares(stock) * ListingPrice(stock) / kTrillion;
  // The largest companies move least on their own news, and with their board: they are much of it.
  const double calm = std::clamp(std::pow(trillions, kCalmBySize), kCalmest, 1.0);
  Style style;
  style.beta = 0.95 + 0.9 * (random.Unit() - 0.5) * calm;
  style.sigma = (0.012 + 0.014 * random.Unit()) * calm;
  const bool thin = stock.contractsPerSecond < 0.1;
  style.jumpPercent = (thin ? 0.8 : 0.4) + 0.8 * random.Unit();
  style.newsScale = calm;
  style.smallness = (calm - kCalmest) / (1 - kCalmest);
  style.newsDrift = style.jumpPercent / 100 * (kGoodNews.Mean() - kBadNews.Mean()) * style.newsScale;
  style.turnover = kTurnoverAtTrillion[BoardOf(stock)] * std::pow(trillions, kTurnoverBySize) *
                   std::exp(0.5 * Normal(random));
  if (stock.suspended) style.suspendedFrom = 20 + static_cast<int>(random.Below(380));
  return style;
}

// x bounded smoothly by `most`: about x while small against it, never beyond it.
double Saturated(double x, double most) {
  return most * std::tanh(x / most);
}

// The tick nearest a price, within the day's limits. (Always taking the tick below would cost every
// stock half a tick a day, a few tenths of its price over two years at the ticks of 5,000-60,000 won.)
int32_t NearestTick(double price, int32_t lower, int32_t upper) {
  const int32_t below = TickAtOrBelow(RoundToInt(price));
  const int32_t above = below + PriceTick(below);
  return std::clamp(price - below < above - price ? below : above, lower, upper);
}

// e^x for the small moves of a day's open and range, without a library call.
double Grown(double x) {
  return 1.0 + x * (1.0 + x * (0.5 + x * (1.0 / 6.0 + x / 24.0)));
}

// e^x for a day's move: the short series where it is exact to a fraction of a tick.
double Exp(double x) {
  return std::fabs(x) < 0.08 ? Grown(x) : std::exp(x);
}

// The log of a ratio near 1 (a volatility over its long-run level), as a plain fraction.
double LogRatio(double x) {
  return 2.0 * (x - 1.0) / (x + 1.0);
}

// The log return of a day from its simple return (|r| stays within the daily limit).
double LogReturn(double r) {
  return r * (1.0 - r * (0.5 - r / 3.0));
}

double PositiveNormal(SeededRandom& random) {
  return std::fabs(Normal(random));
}

// The shares of an ordinary day at a price, of the listed shares.
double OrdinaryShares(double turnover, int32_t price, double listedShares) {
  const double value = Saturated(turnover * listedShares * price, kMostOrdinaryValue);
  return std::max(100.0, Saturated(value / std::max(price, 1), kUsualTurnover * listedShares));
}

// A day's volume at a price from the shares its activity asks for, within the bounds.
int32_t DayVolume(double shares, int32_t price, double listedShares) {
  double bounded = Saturated(shares, kMostTurnover * listedShares);
  bounded = Saturated(bounded * price, kMostDayValue) / std::max(price, 1);
  return std::max(100, RoundToInt(std::min(bounded, kMostDayVolume)));
}

}  // namespace

MarketProcess::MarketProcess(const std::vector<StockProfile>& stocks, uint64_t seed)
    : stocks_(stocks), seed_(seed), factorVariance_(kFactorSigma * kFactorSigma) {}

const std::vector<int32_t>& MarketProcess::DatesThrough(int32_t date) {
  if (datesThrough_ != date) {
    dates_ = DatesOfProcess(date);
    datesThrough_ = date;
  }
  return dates_;
}

std::vector<int32_t> MarketProcess::DatesOfProcess(int32_t date) {
  std::vector<int32_t> dates;
  if (date < kProcessStart) return {date};
  for (int32_t day = IsTradingDay(kProcessStart) ? kProcessStart : PreviousTradingDay(kProcessStart); day < date;
       day = AddDays(day, 1)) {
    if (IsTradingDay(day)) dates.push_back(day);
  }
  dates.push_back(date);
  return dates;
}

void MarketProcess::ExtendFactor(size_t days) {
  // The factor's draws for day n come from a stream of that day alone, while its variance carries
  // over; so the factor is the same however far it was run before.
  while (factor_.size() < days) {
    SeededRandom random(DeriveSeed(seed_ ^ kFactorSalt, factor_.size()));
    const double sigma = std::sqrt(factorVariance_);
    const double shock = sigma * std::clamp(FatTail(random, kFactorDegrees), -kFactorMostShock, kFactorMostShock);
    double move = shock + kCrashPercent / 100 * kCrashMean;
    const bool crash = random.Percent(kCrashPercent);
    if (crash) move -= kCrashMean + kCrashSpread * (random.Unit() - 0.5);
    factorVariance_ = Saturated(kFactorSigma * kFactorSigma * (1 - kFactorArch - kFactorGarch) + kFactorArch * move * move +
                                    kFactorGarch * factorVariance_,
                                kFactorMostSigma * kFactorMostSigma);
    FactorDay& day = factor_.emplace_back();
    day.move = move;
    day.selloff = crash || move < -2.5 * kFactorSigma;
    day.sigma = sigma;
    // The boards' own moves are as restless as the market that day, and mostly small: the boards part
    // ways on a few days (about one in ten), by much.
    for (size_t board = 0; board < 2; ++board) {
      day.boardSigma[board] = kBoardSigma[board] * sigma / kFactorSigma;
      const double apart = random.Percent(10.0) ? 2.5 : 0.6;
      day.board[board] = kBoardLoading[board] * move + apart * day.boardSigma[board] * Normal(random);
    }
    day.small = kSmallSigma * sigma / kFactorSigma * Normal(random);
  }
}

const FactorDay& MarketProcess::Factor(int32_t date) {
  const size_t days = DatesThrough(date).size();
  ExtendFactor(days);
  return factor_[days - 1];
}

double FactorDay::Of(char market) const {
  return move + (market == '1' ? board[0] : market == '2' ? board[1] : 0.0);
}

double FactorDay::SigmaOf(char market) const {
  const double own = market == '1' ? boardSigma[0] : market == '2' ? boardSigma[1] : 0.0;
  const double loading = 1.0 + (market == '1' ? kBoardLoading[0] : market == '2' ? kBoardLoading[1] : 0.0);
  return std::sqrt(loading * loading * sigma * sigma + own * own);
}

void MarketProcess::Run(int index, int32_t date, std::vector<DayDraw>& days, size_t detailFrom) {
  const StockProfile& stock = stocks_[static_cast<size_t>(index)];
  const std::vector<int32_t>& dates = DatesThrough(date);
  days.resize(dates.size());
  ExtendFactor(dates.size());
  const Style style = StyleOf(stock);
  const CorporateAction action = ActionOf(stock);
  SeededRandom random(DeriveSeed(stock.seed, kPathSalt));
  const double longVariance = style.sigma * style.sigma;
  int32_t close = ListingPrice(stock);
  double stray = 0;  // log of the price over the listing's level
  double variance = longVariance;
  double carry = 0;
  double volumeState = 0;
  double shares = StartShares(stock);
  for (size_t day = 0; day < dates.size(); ++day) {
    DayDraw& draw = days[day];
    DailyBar& bar = draw.bar;
    bar.date = dates[day];
    int32_t base = close;
    draw.sharesBefore = draw.sharesAfter = 1;
    if (close < kConsolidateBelow) {
      base = TickAtOrBelow(RoundToInt(close * kConsolidation));
      draw.sharesBefore = static_cast<int32_t>(kConsolidation);
    } else if (static_cast<int>(day) == action.day && close < kConsolidateUnder) {
      base = TickAtOrBelow(close * action.ratio);
      draw.sharesBefore = action.ratio;
    } else if (static_cast<int>(day) == action.day && close >= kSplitFrom) {
      base = TickAtOrBelow(close / action.ratio);
      draw.sharesAfter = action.ratio;
    }
    shares = shares * draw.sharesAfter / draw.sharesBefore;
    draw.shares = std::llround(shares);
    const FactorDay& factor = factor_[day];
    // Every day takes the same draws, traded or not, so a halt never shifts the days after it.
    const double own = std::sqrt(variance) * std::clamp(FatTail(random, kStockDegrees), -kStockMostShock, kStockMostShock);
    const double shock = own * std::pow(factor.sigma / kFactorSigma, kOwnWithMarket);
    const double newsDraw = random.Unit() * 100.0;
    const double newsSize = random.Unit();
    const double newsShape = random.Unit();
    const double openNoise = Normal(random);
    const double highNoise = PositiveNormal(random);
    const double lowNoise = PositiveNormal(random);
    const double volumeNoise = Normal(random);
    const double haltDraw = random.Unit() * 100.0;
    const bool halted =
        (style.suspendedFrom >= 0 && static_cast<int>(day) >= style.suspendedFrom) || haltDraw < kHaltPercent;

    // News: mostly good for small companies; bad news spreads on a sell-off.
    double jump = 0;
    const double upPercent = style.jumpPercent * kGoodNews.part;
    const double downPercent = style.jumpPercent * kBadNews.part + (factor.selloff ? 3.0 * style.beta : 0.0);
    const double beyond = -std::log(std::max(newsSize, 1e-9));
    if (newsDraw < upPercent) {
      jump = (kGoodNews.least + kGoodNews.beyond * beyond) * style.newsScale;
    } else if (newsDraw < upPercent + downPercent) {
      jump = -(kBadNews.least + kBadNews.beyond * beyond) * style.newsScale;
    }
    volumeState = 0.8 * volumeState + 0.25 * volumeNoise;
    const double before = variance;
    variance = longVariance * (1 - kStockArch - kStockGarch) +
               kStockArch * (own + 0.5 * jump) * (own + 0.5 * jump) + kStockGarch * variance;

    draw.halted = halted;
    if (halted) {
      bar = DailyBar{bar.date, base, base, base, base, 0, 0};
      draw.pressure = 0;
      draw.activity = 0;
      close = base;
      continue;
    }
    const double shared = factor.Of(stock.market);
    const double move = style.beta * shared + style.smallness * factor.small + shock + jump - style.newsDrift + carry -
                        kLevelPull * stray;
    const int32_t upper = UpperLimit(base);
    const int32_t lower = LowerLimit(base);
    const double latent = base * Exp(move);
    carry = 0;
    if (latent >= upper) {
      bar.close = upper;
      carry = kLimitCarry * std::log(latent / upper);
    } else if (latent <= lower) {
      bar.close = lower;
      carry = kLimitCarry * std::log(latent / lower);
    } else {
      bar.close = NearestTick(latent, lower, upper);
    }
    bar.change = bar.close - base;
    // After news the price often ran further than where it closed, at times to the limit.
    const double fade = newsShape > 0.5 ? 3.2 * (newsShape - 0.5) : 0.0;
    const double peak = latent * Grown(jump * fade);
    const bool touchedUpper = bar.close < upper && jump > 0 && peak >= upper;
    const bool touchedLower = bar.close > lower && jump < 0 && peak <= lower;

    const double realized = LogReturn(static_cast<double>(bar.change) / base);
    stray += realized;
    const bool atLimit = bar.close == upper || bar.close == lower;
    const double heat = 0.5 * LogRatio(variance / longVariance) + 6.0 * std::fabs(realized) + (atLimit ? 0.4 : 0.0) +
                        (touchedUpper || touchedLower ? 0.5 : 0.0);
    volumeState += 0.15 * heat;
    close = bar.close;
    if (day < detailFrom) {
      bar.open = bar.high = bar.low = bar.close;
      bar.volume = 0;
      continue;
    }
    const double ordinary = OrdinaryShares(style.turnover, bar.close, shares);
    const double volume = ordinary * std::exp(volumeState + heat + kVolumeLevel);
    bar.volume = DayVolume(volume, bar.close, shares);

    // The open: part of the day's move happened overnight; news often broke before the open.
    const double deviation = std::sqrt(before + style.beta * style.beta * kFactorSigma * kFactorSigma);
    double gap = 0.3 * style.beta * shared + 0.1 * shock + 0.3 * deviation * openNoise;
    if (jump != 0 && newsShape < 0.5) gap += jump * (0.5 + newsShape);
    bar.open = NearestTick(base * Grown(gap), lower, upper);
    const int32_t top = std::max(bar.open, bar.close);
    const int32_t bottom = std::min(bar.open, bar.close);
    double above = 0.45 * deviation * highNoise;
    double below = 0.45 * deviation * lowNoise;
    if (jump > 0) above += jump * fade;
    if (jump < 0) below -= jump * fade;
    bar.high = touchedUpper ? upper : std::clamp(NearestTick(top * Grown(above), lower, upper), top, upper);
    bar.low = touchedLower ? lower : std::clamp(NearestTick(bottom * Grown(-below), lower, upper), lower, bottom);
    draw.activity = static_cast<float>(std::clamp(volume / ordinary, 0.2, 6.0));
    // Buyers push a stock's own move; half the market's move the quotes follow without them.
    draw.pressure = static_cast<float>(std::tanh((realized - 0.5 * style.beta * shared) / 0.045));
    draw.beta = static_cast<float>(style.beta);
  }
}

const std::vector<IndexDraw>& MarketProcess::IndexDays(std::string_view code, int32_t date) {
  if (indexDate_ != date) RunIndexes(date);
  return indexes_[code == "U201" ? 1 : 0];
}

void MarketProcess::RunIndexes(int32_t date) {
  indexDate_ = date;
  const std::vector<int32_t> dates = DatesThrough(date);  // a copy: running the stocks may not move it
  struct Sum {
    double weight = 0;
    double open = 0, high = 0, low = 0, close = 0;
    double volume = 0;
  };
  std::vector<std::array<Sum, 2>> sums(dates.size());
  std::vector<DayDraw> days;
  for (size_t i = 0; i < stocks_.size(); ++i) {
    const StockProfile& stock = stocks_[i];
    if (stock.market != '1' && stock.market != '2') continue;
    Run(static_cast<int>(i), date, days);
    const int which = stock.market == '1' ? 0 : 1;
    for (size_t d = 0; d < days.size(); ++d) {
      const DailyBar& bar = days[d].bar;
      const double base = bar.close - bar.change;
      const double weight = days[d].Worth();
      Sum& sum = sums[d][static_cast<size_t>(which)];
      sum.weight += weight;
      sum.open += weight * (bar.open / base - 1);
      sum.close += weight * (bar.close / base - 1);
      sum.high += weight * (bar.high - std::max(bar.open, bar.close)) / base;
      sum.low += weight * (std::min(bar.open, bar.close) - bar.low) / base;
      sum.volume += static_cast<double>(bar.volume);
    }
  }
  constexpr std::array<int32_t, 2> kStartLevels = {265000, 87000};
  for (int which = 0; which < 2; ++which) {
    std::vector<IndexDraw>& index = indexes_[which];
    index.assign(dates.size(), {});
    int32_t close = kStartLevels[static_cast<size_t>(which)];
    for (size_t d = 0; d < dates.size(); ++d) {
      const Sum& sum = sums[d][static_cast<size_t>(which)];
      const double weight = std::max(sum.weight, 1.0);
      DailyBar& bar = index[d].bar;
      const int32_t base = close;
      bar.date = dates[d];
      bar.close = RoundToInt(base * (1 + sum.close / weight));
      bar.open = RoundToInt(base * (1 + sum.open / weight));
      // Stocks reach their extremes at different times; the index's range is narrower.
      const int32_t top = std::max(bar.open, bar.close);
      const int32_t bottom = std::min(bar.open, bar.close);
      bar.high = RoundToInt(top + base * 0.3 * sum.high / weight);
      bar.low = std::min(bottom, RoundToInt(bottom - base * 0.3 * sum.low / weight));
      bar.change = bar.close - base;
      bar.volume = RoundToInt(sum.volume / 1000.0);
      close = bar.close;
    }
  }
}

}  // namespace ostrada::sim
