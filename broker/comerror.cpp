#include "broker/comerror.h"

#include <cstdio>
#include <utility>

namespace ostrada::broker {
namespace {

struct KnownText {
  HResult code;
  const char* text;
};

// The system's own texts for the codes the server and the object model raise.
constexpr KnownText kKnownTexts[] = {
    {kEFail, "Unspecified error"},
    {kENoInterface, "No such interface supported"},
    {kEInvalidArg, "The parameter is incorrect."},
    {kEOutOfMemory, "Not enough memory resources are available to complete this operation."},
    {kEUnexpected, "Catastrophic failure"},
    {kClassNotRegistered, "Class not registered"},
    {kTypeMismatch, "Type mismatch."},
    {kDispOverflow, "Out of present range."},
    {kBadIndex, "Invalid index."},
    {kServerUnavailable, "The RPC server is unavailable."},
};

// Codes a dispatch interface defines for itself (FACILITY_ITF from 0x0200 on).
constexpr uint32_t kFirstDispatchError = 0x80040200u;
constexpr uint32_t kLastDispatchError = 0x8004FFFFu;

}  // namespace

ComError::ComError(HResult code) : code_(code), description_(ComErrorText(code)) {}

ComError::ComError(HResult code, std::string description)
    : code_(code), description_(description.empty() ? ComErrorText(code) : std::move(description)) {}

std::string ComErrorText(HResult code) {
  for (const KnownText& known : kKnownTexts) {
    if (known.code == code) return known.text;
  }
  const auto bits = static_cast<uint32_t>(code);
  char buffer[64];
  if (bits >= kFirstDispatchError && bits <= kLastDispatchError) {
    std::snprintf(buffer, sizeof buffer, "IDispatch error #%d", static_cast<int>(bits - kFirstDispatchError));
  } else {
    std::snprintf(buffer, sizeof buffer, "Unknown error 0x%0lX", static_cast<unsigned long>(bits));
  }
  return buffer;
}

}  // namespace ostrada::broker
