#pragma once
// What the gateway's history operations show on the screen, as small interfaces the windows
// implement (app/ adapts Qt widgets to them), so the core never names a widget.
#include <string>

namespace ostrada {

// A list box of text lines.
class TextListBox {
 public:
  virtual ~TextListBox() = default;
  // Appends a CP949 line; its 0-based index.
  virtual int AddLine(const std::string& text) = 0;
  virtual void SelectLine(int index) = 0;
  // Repaints now rather than at the next event-loop turn, so a long download shows its progress.
  virtual void RedrawNow() = 0;
};

// The open-file dialog of a parent window.
class OpenFileDialog {
 public:
  virtual ~OpenFileDialog() = default;
  // Shows the dialog with the default extension and a filter of "caption|pattern|...||" pairs (CP949);
  // true with the chosen path, false when cancelled.
  virtual bool Choose(const std::string& defaultExtension, const std::string& filter, std::string* path) = 0;
};

}  // namespace ostrada
