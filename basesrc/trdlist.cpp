#include "basesrc/trdlist.h"

namespace ostrada {

static constexpr char kModule[] = "basesrc/trdlist";

int SetTrdAccount(char* field, const char* account) {
  if (!OSTRADA_VERIFY(field != nullptr && StrLen(account) > 0)) return 0;
  StrCopyBounded(field, account, kTrdAccountSize);
  return 1;
}

}  // namespace ostrada
