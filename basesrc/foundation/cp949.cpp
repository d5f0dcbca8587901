#include "basesrc/foundation/cp949.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace ostrada {
namespace {

struct IconvCloser {
  void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

// Converts through iconv, replacing each unconvertible input byte by `replacement`.
std::string Convert(const char* to, const char* from, std::string_view in, std::string_view replacement) {
  std::unique_ptr<void, IconvCloser> cd(iconv_open(to, from));
  if (cd.get() == reinterpret_cast<void*>(-1)) {
    cd.release();
    return std::string(in);
  }
  std::string out;
  out.reserve(in.size() * 2);
  std::string input(in);
  char* src = input.data();
  size_t srcLeft = input.size();
  char buffer[1024];
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    size_t rc = iconv(static_cast<iconv_t>(cd.get()), &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, sizeof buffer - dstLeft);
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      // EILSEQ or EINVAL (a cut multibyte sequence): skip one byte and go on.
      out.append(replacement);
      ++src;
      --srcLeft;
    }
  }
  return out;
}

}  // namespace

std::string Cp949ToUtf8(std::string_view cp949) { return Convert("UTF-8", "CP949", cp949, "\xEF\xBF\xBD"); }

std::string Utf8ToCp949(std::string_view utf8) { return Convert("CP949", "UTF-8", utf8, "?"); }

}  // namespace ostrada
