// The order form's presets: the options dialog, and the price and quantity that the buy or sell
// option set puts into the edits whenever the form takes a stock.
#include <QLineEdit>

#include "app/numberedit.h"
#include "app/trdbuytbl.h"
#include "basesrc/callinfo.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/nowinfo.h"
#include "basesrc/priceinfo.h"

namespace ostrada {

static constexpr char kModule[] = "app/trdbuytbl_options";

namespace {

constexpr int kBuySide = 1, kSellSide = 0;
constexpr int32_t kQuantityUnit = 10;
constexpr int32_t kAmountUnit = 10'000;

}  // namespace

void CTrdBuyTbl::OpenOptions() {
  if (action_ != kBuy && action_ != kSell) {
    ShowMessage(Text(Txt::kOptionLogicError));
    return;
  }
  TradeOptions& stored = action_ == kBuy ? buyOptions_ : sellOptions_;
  CTrdBuyOpt dialog(action_ == kBuy ? kBuySide : kSellSide, stored, this);
  if (dialog.exec() != QDialog::Accepted) return;
  stored = dialog.Options();
  ApplyOptions();
}

bool CTrdBuyTbl::PresetPrice(int level, int32_t* price) {
  if (level == kCurrent || level == kLowerLimit || level < 0 || level >= kPriceLevels) {
    NowPrice now{};
    if (!OSTRADA_VERIFY(gate_.FetchNowPrice(&now, code_.c_str()))) return false;
    if (level == kLowerLimit) {
      const int32_t previousClose = now.bar.close - now.bar.change;
      *price = previousClose + PriceLimitChange(previousClose, 0);
    } else {
      *price = now.bar.close;
    }
    return true;
  }
  CallInfo book;
  if (!OSTRADA_VERIFY(gate_.FetchQuoteBook(code_.c_str(), book))) return false;
  switch (level) {
    case kSecondAsk:
      *price = book.levels[1].sellPrice;
      break;
    case kBestAsk:
      *price = book.levels[0].sellPrice;
      break;
    case kBestBid:
      *price = book.levels[0].buyPrice;
      break;
    default:
      *price = book.levels[1].buyPrice;
      break;
  }
  return true;
}

bool CTrdBuyTbl::PresetQuantity(const TradeOptions& options, int32_t price, int32_t* quantity) {
  switch (options.quantityMode) {
    case kDesignatedQuantity:
      if (options.quantity <= 0) {
        ShowMessage(Text(Txt::kNoDesignatedQuantityLogic));
        return false;
      }
      if (options.quantity % kQuantityUnit != 0) {
        ShowMessage(Text(Txt::kQuantityNotInTens));
        return false;
      }
      *quantity = options.quantity;
      return true;
    case kBuyForAmount: {
      if (options.amount <= 0) {
        ShowMessage(Text(Txt::kNoPriceLogic));
        return false;
      }
      if (options.amount % kAmountUnit != 0) {
        ShowMessage(Text(Txt::kAmountNotInTenThousands));
        return false;
      }
      if (price <= 0) {
        NowPrice now{};
        if (!OSTRADA_VERIFY(gate_.FetchNowPrice(&now, code_.c_str()))) return false;
        price = now.bar.close;
      }
      *quantity = price > 0 ? options.amount / price / kQuantityUnit * kQuantityUnit : 0;
      return true;
    }
    case kCashAvailable:
      *quantity = 0;
      return true;
    default:
      return OSTRADA_VERIFY(false);
  }
}

void CTrdBuyTbl::ApplyOptions() {
  if (action_ != kBuy && action_ != kSell) return;
  if (!CurrentStock()) return;
  const TradeOptions& options = action_ == kBuy ? buyOptions_ : sellOptions_;
  // Without a price preset the price is the one typed.
  int32_t price = ReadNumber(*price1421_);
  if (options.pricePreset != 0) {
    if (!PresetPrice(options.priceLevel, &price)) return;
    price1421_->setText(PositiveText(price));
  }
  if (options.quantityPreset == 0) return;
  if (action_ == kSell && !OSTRADA_VERIFY(options.quantityMode == kDesignatedQuantity)) return;
  int32_t quantity = 0;
  if (!PresetQuantity(options, price, &quantity)) return;
  quantity1420_->setText(PositiveText(quantity));
}

}  // namespace ostrada
