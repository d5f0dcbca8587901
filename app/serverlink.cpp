#include "app/serverlink.h"

#include "basesrc/foundation/report.h"
#include "broker/clsid.h"
#include "broker/sim/market/faults.h"

namespace ostrada {
namespace {

void ArmStartFault(StartFault fault, sim::FaultPlan& plan) {
  switch (fault) {
    case StartFault::kNone:
      break;
    case StartFault::kNoListing:
      plan.FailCreation(broker::clsid::kStockCodeList, broker::kServerUnavailable);
      break;
    case StartFault::kNoServer:
      plan.FailCreation(broker::clsid::kCodeManager, broker::kServerUnavailable);
      plan.FailCreation(broker::clsid::kStockCodeList, broker::kServerUnavailable);
      break;
  }
}

// The server answers when it can make the object every session starts with.
bool ServerAnswers() {
  try {
    broker::CreateAs<broker::ICodeManager>(broker::clsid::kCodeManager);
    return true;
  } catch (const broker::ComError&) {
    return false;
  }
}

}  // namespace

ServerLink::~ServerLink() {
  Stop();
}

void ServerLink::Stop() {
  pumpTimer_.stop();
  pumpTimer_.disconnect();
  clockInstalled_.reset();
  installed_.reset();
  exchange_.reset();
}

int ServerLink::Start(const StartOptions& options) {
  exchange_ = std::make_unique<sim::Exchange>(options.exchange);
  ArmStartFault(options.fault, exchange_->Faults());
  if (options.armFaults) options.armFaults(exchange_->Faults());
  installed_.emplace(*exchange_);
  // The market runs without the paper account; the user learns why trading will be refused.
  if (!exchange_->PaperProblem().empty()) ShowMessage(exchange_->PaperProblem());
  if (!ServerAnswers()) {
    installed_.reset();
    exchange_.reset();
    return 0;
  }
  // Every time the user sees agrees with the market's: the session's clock, or Korean time when live,
  // whatever zone the machine is set to.
  clockInstalled_.emplace(exchange_->Time());
  pumpTimer_.callOnTimeout([this] { exchange_->Pump(); });
  pumpTimer_.start(kPumpIntervalMs);
  return 1;
}

}  // namespace ostrada
