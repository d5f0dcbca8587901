#pragma once
// Where the main frame learns how to open each working window. A window module adds one line to
// WorkingWindowCommand when it is built; until then its menu item stays present and disabled.
#include <functional>

namespace ostrada {

class CostradaApp;

// Menu 129's working-window commands.
enum CommandId : int {
  kCmdQuote10 = 32782,
  kCmdQuote5 = 32784,
  kCmdContract = 32786,
  kCmdOrder = 32788,
  kCmdQuoteOrder = 32790,
  kCmdFindCode = 32792,
};

using CommandHandler = std::function<void()>;

// The handler that opens the window of the command (it runs the window modally and returns when
// the window is closed), or an empty function while that window does not exist yet.
CommandHandler WorkingWindowCommand(int id, CostradaApp& app);

}  // namespace ostrada
