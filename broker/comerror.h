#pragma once
// The one exception that crosses a server call. The operation that made the call catches it and
// shows Description() in a message box; nothing else throws across a module.
#include <cstdint>
#include <exception>
#include <string>

namespace ostrada::broker {

using HResult = int32_t;

constexpr HResult kSOk = 0;
constexpr HResult kEFail = static_cast<HResult>(0x80004005);
constexpr HResult kENoInterface = static_cast<HResult>(0x80004002);
constexpr HResult kEInvalidArg = static_cast<HResult>(0x80070057);
constexpr HResult kEOutOfMemory = static_cast<HResult>(0x8007000E);
constexpr HResult kEUnexpected = static_cast<HResult>(0x8000FFFF);
constexpr HResult kClassNotRegistered = static_cast<HResult>(0x80040154);
constexpr HResult kTypeMismatch = static_cast<HResult>(0x80020005);
constexpr HResult kDispOverflow = static_cast<HResult>(0x8002000A);
constexpr HResult kBadIndex = static_cast<HResult>(0x8002000B);
constexpr HResult kServerUnavailable = static_cast<HResult>(0x800706BA);

class ComError : public std::exception {
 public:
  explicit ComError(HResult code);
  ComError(HResult code, std::string description);

  HResult Code() const { return code_; }
  // CP949: the Korean system's text for the code; "IDispatch 오류 #%d" for 0x80040200..0x8004FFFF;
  // "알 수 없는 오류 0x%0lX" otherwise; or the description the server gave.
  const std::string& Description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  HResult code_;
  std::string description_;
};

// The text form of a code without a server description.
std::string ComErrorText(HResult code);

}  // namespace ostrada::broker
