#include "app/workwindows.h"

#include "app/callfrm.h"
#include "app/confrm.h"
#include "app/ostrada.h"
#include "app/trdbuycallfrm.h"
#include "app/trdbuytbl.h"

namespace ostrada {

CommandHandler WorkingWindowCommand(int id, CostradaApp& app) {
  switch (id) {
    // One case per working window: it runs the window modally and returns when it is closed.
    case kCmdContract:
      return [&app] {
        CConDlg dialog(app.AllCodes());
        dialog.exec();
      };
    case kCmdQuote5:
      return [&app] {
        CCallDlg dialog(app.AllCodes(), 1);
        dialog.exec();
      };
    case kCmdQuote10:
      return [&app] {
        CCallDlg dialog(app.AllCodes(), 0);
        dialog.exec();
      };
    case kCmdOrder:
      return [&app] {
        CTrdDlg dialog(app.AllCodes());
        dialog.exec();
      };
    case kCmdQuoteOrder:
      return [&app] {
        CTrdCallDlg dialog(app.AllCodes());
        dialog.exec();
      };
    default:
      return {};
  }
}

}  // namespace ostrada
