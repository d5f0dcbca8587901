#include "basesrc/foundation/uisink.h"

#include <cstdio>

#include "basesrc/foundation/cp949.h"

namespace ostrada {
namespace {

StderrSink& DefaultSink() {
  static StderrSink sink;
  return sink;
}

UiSink* g_current = nullptr;

}  // namespace

UiSink& CurrentUiSink() {
  return g_current ? *g_current : DefaultSink();
}

ScopedUiSink::ScopedUiSink(UiSink& sink) : previous_(g_current) {
  g_current = &sink;
}

ScopedUiSink::~ScopedUiSink() {
  g_current = previous_;
}

int StderrSink::ShowMessageBox(const std::string& text, const std::string& caption, unsigned style) {
  std::fprintf(stderr, "%s: %s\n", Cp949ToUtf8(caption).c_str(), Cp949ToUtf8(text).c_str());
  return (style & kMbYesNo) == kMbYesNo ? kIdYes : kIdOk;
}

}  // namespace ostrada
