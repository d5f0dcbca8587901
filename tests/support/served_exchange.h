#pragma once
// A test on the embedded exchange installed as the process's server, with the code book the windows
// take, downloaded from it as the program downloads it; what the data layer tells is recorded.
#include <gtest/gtest.h>

#include <memory>

#include "basesrc/codeinfo.h"
#include "basesrc/stocgate.h"
#include "broker/server.h"
#include "broker/sim/exchange.h"
#include "tests/support/recording_sink.h"

namespace ostrada::testing {

class ServedExchangeTest : public ::testing::Test {
 protected:
  explicit ServedExchangeTest(const sim::ExchangeOptions& options)
      : exchange_(options), server_(exchange_), book_(StocGate().DownloadCodes(kSortByName, 0)) {}

  RecordingScope recording_;
  sim::Exchange exchange_;
  broker::ScopedServer server_;
  std::unique_ptr<CodeInfoList> book_;
};

}  // namespace ostrada::testing
