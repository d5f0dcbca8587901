// Sending from the order form: the checks of the edits, the confirmation box, the order itself and
// its acknowledgement in the form.
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <cstdio>
#include <functional>

#include "app/numberedit.h"
#include "app/qtext.h"
#include "app/trdbuytbl.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/numberformat.h"
#include "basesrc/priceinfo.h"

namespace ostrada {

static constexpr char kModule[] = "app/trdbuytbl_send";

namespace {

// The catalogue's pattern filled in (CP949).
template <class... Args>
std::string Format(Txt pattern, Args... args) {
  char text[512];
  std::snprintf(text, sizeof text, TextC(pattern), args...);
  return text;
}

// Marks the form busy sending for its scope.
class SendingScope {
 public:
  explicit SendingScope(bool& sending) : sending_(sending) { sending_ = true; }
  ~SendingScope() { sending_ = false; }
  SendingScope(const SendingScope&) = delete;
  SendingScope& operator=(const SendingScope&) = delete;

 private:
  bool& sending_;
};

}  // namespace

void CTrdBuyTbl::Send() {
  acknowledgement_->clear();
  if (!CurrentStock()) {
    ShowMessage(Text(Txt::kTrdChooseStock));
    return;
  }
  switch (action_) {
    case kBuy:
    case kSell:
      SendBuyOrSell();
      break;
    case kModify:
    case kCancel:
      SendModifyOrCancel();
      break;
    default:
      ShowMessage(Text(Txt::kOrderCommandLogicError));
      break;
  }
}

bool CTrdBuyTbl::ConfirmOrder(int32_t quantity, int32_t price, int32_t target) {
  if (!confirm_->isChecked()) return true;
  const std::string actionWord = ToCp949(actions_->button(action_)->text());
  std::string text = Format(Txt::kTrdConfirmQuestion, actionWord.c_str()) + "\n\n";
  text += Format(Txt::kTrdConfirmStock, name_.c_str(), code_.c_str()) + "\n";
  if (target > 0) text += Format(Txt::kTrdConfirmTarget, target) + "\n";
  text += Format(Txt::kTrdConfirmQuantity, FormatNumber(int64_t{quantity}).c_str());
  if (action_ != kCancel) {
    if (price > 0) {
      text += "\n" + Format(Txt::kTrdConfirmPrice, FormatNumber(int64_t{price}).c_str());
      text += "\n" + Format(Txt::kTrdConfirmAmount, FormatNumber(int64_t{quantity} * price).c_str());
    } else {
      text += "\n" + Text(Txt::kTrdConfirmMarketPrice);
    }
  }
  return CurrentUiSink().ShowMessageBox(text, Text(Txt::kTrdConfirmCaption), kMbOkCancel | kMbIconQuestion) == kIdOk;
}

void CTrdBuyTbl::Acknowledge() {
  const int32_t number = gate_.LastOrderNumber();
  const std::string actionWord = ToCp949(actions_->button(action_)->text());
  acknowledgement_->setText(FromCp949(Format(Txt::kTrdAcknowledged, actionWord.c_str(), number)));
  // The modified order lives on under its new number.
  if (action_ == kModify) target1412_->setText(QString::number(number));
}

void CTrdBuyTbl::Dispatch(const std::function<int(std::string* failure)>& send) {
  std::string failure;
  int sent;
  {
    // The events that the order raises while it is sent wait for the refresh after it.
    const SendingScope scope(sending_);
    sent = send(&failure);
  }
  if (!sent) {
    if (!failure.empty()) ShowMessage(failure);
    return;
  }
  Acknowledge();
  Refresh();
}

void CTrdBuyTbl::SendBuyOrSell() {
  const char* orderType;
  int32_t price;
  if (orderType_ == kLimit) {
    orderType = kOrderTypeLimit;
    price = ReadNumber(*price1421_);
    if (price <= 0) {
      ShowMessage(Text(Txt::kTrdBadPrice));
      return;
    }
  } else if (orderType_ == kMarket) {
    orderType = kOrderTypeMarket;
    price = 0;
  } else {
    OSTRADA_VERIFY(false);
    return;
  }
  const int32_t quantity = ReadNumber(*quantity1420_);
  if (quantity < 0) {
    ShowMessage(Text(Txt::kTrdBadQuantity));
    return;
  }
  if (!OSTRADA_VERIFY(book_ != nullptr)) return;
  if (!ConfirmOrder(quantity, price, 0)) return;
  const char* side = action_ == kBuy ? kOrderSideBuy : kOrderSideSell;
  Dispatch([&](std::string* failure) {
    return gate_.SendOrder(*book_, Account().c_str(), side, code_.c_str(), orderType, price, quantity, failure);
  });
}

void CTrdBuyTbl::SendModifyOrCancel() {
  const int32_t target = ReadNumber(*target1412_);
  if (target <= 0) {
    ShowMessage(Text(Txt::kTrdBadTargetOrder));
    return;
  }
  const int32_t quantity = ReadNumber(*quantity1420_);
  if (quantity <= 0) {
    ShowMessage(Text(Txt::kTrdBadQuantity));
    return;
  }
  int32_t price = 0;
  if (action_ == kModify) {
    price = ReadNumber(*price1421_);
    if (price < 0) {
      ShowMessage(Text(Txt::kTrdBadPrice));
      return;
    }
  }
  if (!OSTRADA_VERIFY(book_ != nullptr)) return;
  if (unfilledDate_ != 0 && unfilledDate_ != TodayYYYYMMDD()) {
    RefreshUnfilled();
    ShowMessage(Text(Txt::kTrdStaleUnfilled));
    return;
  }
  if (!ConfirmOrder(quantity, price, target)) return;
  const char* kind = action_ == kModify ? TextC(Txt::kTrdModify) : TextC(Txt::kTrdCancel);
  Dispatch([&](std::string* failure) {
    return gate_.SendModifyCancel(*book_, Account().c_str(), kind, code_.c_str(), quantity, price, target, failure);
  });
}

}  // namespace ostrada
