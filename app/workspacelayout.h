#pragma once
// The remembered layout: which working windows are open, with their places, sizes, stocks and link
// state, and the frame's own place, kept in QSettings under "workspace", or in memory while the
// session restarts on another account.
#include <QByteArray>
#include <QString>
#include <vector>

class QSettings;
class QWidget;

namespace ostrada {

class WorkWindows;

struct WindowPlace {
  int command = 0;
  QByteArray geometry;
  QString code;
  bool linked = true;
};

struct WorkspacePlaces {
  QByteArray frameGeometry;
  std::vector<WindowPlace> windows;  // oldest first
};

// The frame's place and every open window.
WorkspacePlaces TakeLayout(const WorkWindows& workspace, const QWidget& frame);
// Opens the windows again, each in its place, on its stock and with its toggle; entries that name no
// working window are skipped. The number of windows opened.
int OpenLayout(WorkWindows& workspace, QWidget& frame, const WorkspacePlaces& places);

// Writes the frame's geometry and every open window, oldest first (the previous layout is replaced);
// a layout the settings could not store is told.
void SaveLayout(const WorkWindows& workspace, const QWidget& frame, QSettings& settings);
// Opens the saved windows again, each in its place, on its stock and with its toggle; entries that
// name no working window are skipped. The number of windows opened.
int RestoreLayout(WorkWindows& workspace, QWidget& frame, QSettings& settings);

}  // namespace ostrada
