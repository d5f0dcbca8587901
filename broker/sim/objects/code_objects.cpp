#include "broker/sim/objects/code_objects.h"

#include <string>
#include <vector>

#include "broker/clsid.h"
#include "broker/comerror.h"
#include "broker/sim/market/listing.h"

namespace ostrada::sim {
namespace {

using broker::ComError;
using broker::Variant;

class StockCodeList : public broker::IStockCodeList {
 public:
  explicit StockCodeList(ExchangeContext& context) : context_(context) {}

  int16_t Count() override {
    context_.Faults().CheckCall(broker::clsid::kStockCodeList, Method::kCount);
    if (context_.Faults().ListingEmpty()) return 0;
    return static_cast<int16_t>(context_.Stocks().Size());
  }

  Variant Data(int16_t type, int16_t index) override {
    context_.Faults().CheckCall(broker::clsid::kStockCodeList, Method::kData);
    const Listing& listing = context_.Stocks();
    if (index < 0 || static_cast<size_t>(index) >= listing.Size()) throw ComError(broker::kEInvalidArg);
    if (const Variant* forced = context_.Faults().ListDataOverride(type, index)) return *forced;
    const ListedStock& stock = listing.At(static_cast<size_t>(index));
    switch (type) {
      case 0:
        return Variant::Text(stock.code);
      case 1:
        return Variant::Text(NameOf(listing, static_cast<size_t>(index)));
      case 2:
        return Variant::Text(stock.code2);
      default:
        throw ComError(broker::kEInvalidArg);
    }
  }

 private:
  // The stock's name, or the name it takes when the fault plan asks for shared names.
  const std::string& NameOf(const Listing& listing, size_t index) {
    const int pairs = context_.Faults().SharedNames();
    if (pairs != sharedFor_) {
      shared_ = listing.NamesToShare(static_cast<size_t>(pairs));
      sharedFor_ = pairs;
    }
    for (const Listing::NamePair& pair : shared_) {
      if (pair.taker == index) return listing.At(pair.giver).name;
    }
    return listing.At(index).name;
  }

  ExchangeContext& context_;
  int sharedFor_ = 0;
  std::vector<Listing::NamePair> shared_;
};

class CodeManager : public broker::ICodeManager {
 public:
  explicit CodeManager(ExchangeContext& context) : context_(context) {}

  int16_t MarketTime1() override {
    context_.Faults().CheckCall(broker::clsid::kCodeManager, Method::kMarketTime);
    return kMarketOpenHhmm;
  }
  int16_t MarketTime2() override {
    context_.Faults().CheckCall(broker::clsid::kCodeManager, Method::kMarketTime);
    return kMarketCloseHhmm;
  }

  // Like the real server, some attributes come as numbers and some as texts; an unknown code gets
  // an empty answer rather than an error.
  Variant CodeAttribute(int slot, const std::string& code) override {
    context_.Faults().CheckCall(broker::clsid::kCodeManager, Method::kCodeAttribute);
    if (slot < kFirstAttributeSlot || slot > kLastAttributeSlot) throw ComError(broker::kEInvalidArg);
    if (const Variant* forced = context_.Faults().AttributeOverride(code, slot)) return *forced;
    const ListedStock* stock = context_.Stocks().Find(code);
    if (stock == nullptr) return {};
    switch (slot) {
      case 17:
        return Variant::Text(std::to_string(stock->number1));
      case 18:
        return Variant::Text(std::string(1, stock->market));
      case 19:
        return Variant::I2(static_cast<int16_t>(stock->class1 - '0'));
      case 20:
        return Variant::I2(static_cast<int16_t>(stock->class4 - '0'));
      case 21:
        return Variant::I4(stock->class2 - '0');
      case 22:
        return Variant::UI1(stock->flagByte);
      case 23:
        return Variant::I4(stock->number2);
      case 24:
        return Variant::Text(std::string(1, stock->class3));
      default:  // 25
        return Variant::Text(std::string(1, stock->class5));
    }
  }

 private:
  ExchangeContext& context_;
};

}  // namespace

std::shared_ptr<broker::IStockCodeList> MakeStockCodeList(ExchangeContext& context) {
  return std::make_shared<StockCodeList>(context);
}

std::shared_ptr<broker::ICodeManager> MakeCodeManager(ExchangeContext& context) {
  return std::make_shared<CodeManager>(context);
}

void RegisterCodeObjects(ObjectRegistry& registry, ExchangeContext& context) {
  registry.Register(broker::clsid::kStockCodeList, [&context] { return MakeStockCodeList(context); });
  registry.Register(broker::clsid::kCodeManager, [&context] { return MakeCodeManager(context); });
}

}  // namespace ostrada::sim
