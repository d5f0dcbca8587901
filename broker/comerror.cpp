#include "broker/comerror.h"

#include <cstdio>
#include <utility>

namespace ostrada::broker {
namespace {

struct KnownText {
  HResult code;
  const char* text;
};

// The texts a Korean system gives for the codes the server and the object model raise, in CP949
// (this library links no text catalogue); the Korean of each is in its comment.
constexpr KnownText kKnownTexts[] = {
    // 지정되지 않은 오류입니다.
    {kEFail, "\xC1\xF6\xC1\xA4\xB5\xC7\xC1\xF6 \xBE\xCA\xC0\xBA \xBF\xC0\xB7\xF9\xC0\xD4\xB4\xCF\xB4\xD9."},
    // 인터페이스가 지원되지 않습니다.
    {kENoInterface,
     "\xC0\xCE\xC5\xCD\xC6\xE4\xC0\xCC\xBD\xBA\xB0\xA1 \xC1\xF6\xBF\xF8\xB5\xC7\xC1\xF6 \xBE\xCA\xBD\xC0\xB4\xCF\xB4\xD9."},
    // 매개 변수가 틀립니다.
    {kEInvalidArg, "\xB8\xC5\xB0\xB3 \xBA\xAF\xBC\xF6\xB0\xA1 \xC6\xB2\xB8\xB3\xB4\xCF\xB4\xD9."},
    // 이 작업을 완료하는 데 필요한 메모리 리소스가 부족합니다.
    {kEOutOfMemory,
     "\xC0\xCC \xC0\xDB\xBE\xF7\xC0\xBB \xBF\xCF\xB7\xE1\xC7\xCF\xB4\xC2 \xB5\xA5 \xC7\xCA\xBF\xE4\xC7\xD1 "
     "\xB8\xDE\xB8\xF0\xB8\xAE \xB8\xAE\xBC\xD2\xBD\xBA\xB0\xA1 \xBA\xCE\xC1\xB7\xC7\xD5\xB4\xCF\xB4\xD9."},
    // 치명적인 오류입니다.
    {kEUnexpected, "\xC4\xA1\xB8\xED\xC0\xFB\xC0\xCE \xBF\xC0\xB7\xF9\xC0\xD4\xB4\xCF\xB4\xD9."},
    // 클래스가 등록되지 않았습니다.
    {kClassNotRegistered,
     "\xC5\xAC\xB7\xA1\xBD\xBA\xB0\xA1 \xB5\xEE\xB7\xCF\xB5\xC7\xC1\xF6 \xBE\xCA\xBE\xD2\xBD\xC0\xB4\xCF\xB4\xD9."},
    // 형식이 일치하지 않습니다.
    {kTypeMismatch, "\xC7\xFC\xBD\xC4\xC0\xCC \xC0\xCF\xC4\xA1\xC7\xCF\xC1\xF6 \xBE\xCA\xBD\xC0\xB4\xCF\xB4\xD9."},
    // 현재 범위를 벗어났습니다.
    {kDispOverflow, "\xC7\xF6\xC0\xE7 \xB9\xFC\xC0\xA7\xB8\xA6 \xB9\xFE\xBE\xEE\xB3\xB5\xBD\xC0\xB4\xCF\xB4\xD9."},
    // 인덱스가 잘못되었습니다.
    {kBadIndex, "\xC0\xCE\xB5\xA6\xBD\xBA\xB0\xA1 \xC0\xDF\xB8\xF8\xB5\xC7\xBE\xFA\xBD\xC0\xB4\xCF\xB4\xD9."},
    // RPC 서버를 사용할 수 없습니다.
    {kServerUnavailable, "RPC \xBC\xAD\xB9\xF6\xB8\xA6 \xBB\xE7\xBF\xEB\xC7\xD2 \xBC\xF6 \xBE\xF8\xBD\xC0\xB4\xCF\xB4\xD9."},
};

// IDispatch 오류 #%d
constexpr char kDispatchErrorFormat[] = "IDispatch \xBF\xC0\xB7\xF9 #%d";
// 알 수 없는 오류 0x%0lX
constexpr char kUnknownErrorFormat[] = "\xBE\xCB \xBC\xF6 \xBE\xF8\xB4\xC2 \xBF\xC0\xB7\xF9 0x%0lX";

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
    std::snprintf(buffer, sizeof buffer, kDispatchErrorFormat, static_cast<int>(bits - kFirstDispatchError));
  } else {
    std::snprintf(buffer, sizeof buffer, kUnknownErrorFormat, static_cast<unsigned long>(bits));
  }
  return buffer;
}

}  // namespace ostrada::broker
