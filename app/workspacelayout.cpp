#include "app/workspacelayout.h"

#include <QSettings>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "app/qtext.h"
#include "app/workwindows.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"

namespace ostrada {
namespace {

constexpr char kGroup[] = "workspace";
constexpr char kFrameGeometry[] = "frameGeometry";
constexpr char kWindows[] = "windows";
constexpr char kCommand[] = "command";
constexpr char kGeometry[] = "geometry";
constexpr char kCode[] = "code";
constexpr char kLinked[] = "linked";

// The indexes of the array's entries that the file holds, in order, below its stored count. A
// damaged count must not make the start walk two billion empty entries.
std::vector<int> StoredEntries(const QSettings& settings, int count) {
  std::vector<int> entries;
  for (const QString& group : settings.childGroups()) {
    bool number = false;
    const int key = group.toInt(&number);  // the file numbers its entries from 1
    if (number && key >= 1 && key <= count) entries.push_back(key - 1);
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

}  // namespace

WorkspacePlaces TakeLayout(const WorkWindows& workspace, const QWidget& frame) {
  WorkspacePlaces places{frame.saveGeometry(), {}};
  for (const WorkWindow* window : workspace.Windows()) {
    places.windows.push_back({window->Command(), window->Window().saveGeometry(),
                              QString::fromLatin1(window->Code().c_str()), window->Toggle().Linked()});
  }
  return places;
}

int OpenLayout(WorkWindows& workspace, QWidget& frame, const WorkspacePlaces& places) {
  if (!places.frameGeometry.isEmpty()) frame.restoreGeometry(places.frameGeometry);
  int opened = 0;
  for (const WindowPlace& place : places.windows) {
    if (!IsWorkingWindowCommand(place.command)) continue;
    WorkWindow* window = workspace.Open(place.command);
    // The watch list opens only on a session that has the conditions.
    if (window == nullptr) continue;
    window->Window().restoreGeometry(place.geometry);
    window->Toggle().setChecked(place.linked);
    // A stock no longer listed leaves the window blank, as a new one opens.
    if (!place.code.isEmpty()) window->ShowStock(place.code.toStdString());
    ++opened;
  }
  return opened;
}

void SaveLayout(const WorkWindows& workspace, const QWidget& frame, QSettings& settings) {
  const WorkspacePlaces places = TakeLayout(workspace, frame);
  settings.beginGroup(QLatin1String(kGroup));
  settings.remove(QString());
  settings.setValue(QLatin1String(kFrameGeometry), places.frameGeometry);
  settings.beginWriteArray(QLatin1String(kWindows), static_cast<int>(places.windows.size()));
  for (size_t i = 0; i < places.windows.size(); ++i) {
    const WindowPlace& place = places.windows[i];
    settings.setArrayIndex(static_cast<int>(i));
    settings.setValue(QLatin1String(kCommand), place.command);
    settings.setValue(QLatin1String(kGeometry), place.geometry);
    settings.setValue(QLatin1String(kCode), place.code);
    settings.setValue(QLatin1String(kLinked), place.linked);
  }
  settings.endArray();
  settings.endGroup();
  settings.sync();
  if (settings.status() != QSettings::NoError)
    ShowMessage(TextWithPath(Txt::kLayoutNotSaved, ToCp949(settings.fileName())));
}

int RestoreLayout(WorkWindows& workspace, QWidget& frame, QSettings& settings) {
  WorkspacePlaces places;
  settings.beginGroup(QLatin1String(kGroup));
  places.frameGeometry = settings.value(QLatin1String(kFrameGeometry)).toByteArray();
  const int count = settings.beginReadArray(QLatin1String(kWindows));
  for (const int i : StoredEntries(settings, count)) {
    settings.setArrayIndex(i);
    places.windows.push_back({settings.value(QLatin1String(kCommand)).toInt(),
                              settings.value(QLatin1String(kGeometry)).toByteArray(),
                              settings.value(QLatin1String(kCode)).toString(),
                              settings.value(QLatin1String(kLinked), true).toBool()});
  }
  settings.endArray();
  settings.endGroup();
  return OpenLayout(workspace, frame, places);
}

}  // namespace ostrada
