#include "basesrc/foundation/cp949.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace ostrada {
namespace {

struct IconvCloser {
  void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

// The bytes of the one unconvertible character at `at` that are to be replaced together.
using SkipLength = size_t (*)(const char* at, size_t left);

// A CP949 lead byte without its trail (or a stray byte) is one character to replace.
size_t OneByte(const char*, size_t) {
  return 1;
}

// A UTF-8 character that has no CP949 form goes whole: its lead byte and its continuation bytes.
size_t Utf8Sequence(const char* at, size_t left) {
  const auto lead = static_cast<unsigned char>(at[0]);
  const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  size_t taken = 1;
  while (taken < length && taken < left && (static_cast<unsigned char>(at[taken]) & 0xC0) == 0x80) ++taken;
  return taken;
}

// Converts through iconv, replacing each unconvertible input character by `replacement`.
std::string Convert(const char* to, const char* from, std::string_view in, std::string_view replacement,
                    SkipLength skip) {
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
      // EILSEQ or EINVAL (a cut multibyte sequence): replace that character and go on.
      out.append(replacement);
      const size_t skipped = skip(src, srcLeft);
      src += skipped;
      srcLeft -= skipped;
    }
  }
  return out;
}

}  // namespace

std::string Cp949ToUtf8(std::string_view cp949) {
  return Convert("UTF-8", "CP949", cp949, "\xEF\xBF\xBD", OneByte);
}

std::string Utf8ToCp949(std::string_view utf8) {
  return Convert("CP949", "UTF-8", utf8, "?", Utf8Sequence);
}

}  // namespace ostrada
