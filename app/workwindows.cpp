#include "app/workwindows.h"

#include "app/ostrada.h"

namespace ostrada {

CommandHandler WorkingWindowCommand(int id, [[maybe_unused]] CostradaApp& app) {
  switch (id) {
    // One case per working window, e.g.
    //   case kCmdContract: return [&app] { CConDlg dialog(app); dialog.exec(); };
    default:
      return {};
  }
}

}  // namespace ostrada
