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

void SaveLayout(const WorkWindows& workspace, const QWidget& frame, QSettings& settings) {
  settings.beginGroup(QLatin1String(kGroup));
  settings.remove(QString());
  settings.setValue(QLatin1String(kFrameGeometry), frame.saveGeometry());
  const QList<WorkWindow*> windows = workspace.Windows();
  settings.beginWriteArray(QLatin1String(kWindows), static_cast<int>(windows.size()));
  for (int i = 0; i < windows.size(); ++i) {
    const WorkWindow& window = *windows[i];
    settings.setArrayIndex(i);
    settings.setValue(QLatin1String(kCommand), window.Command());
    settings.setValue(QLatin1String(kGeometry), window.Window().saveGeometry());
    settings.setValue(QLatin1String(kCode), QString::fromLatin1(window.Code().c_str()));
    settings.setValue(QLatin1String(kLinked), window.Toggle().Linked());
  }
  settings.endArray();
  settings.endGroup();
  settings.sync();
  if (settings.status() != QSettings::NoError)
    ShowMessage(TextWithPath(Txt::kLayoutNotSaved, ToCp949(settings.fileName())));
}

int RestoreLayout(WorkWindows& workspace, QWidget& frame, QSettings& settings) {
  settings.beginGroup(QLatin1String(kGroup));
  const QByteArray frameGeometry = settings.value(QLatin1String(kFrameGeometry)).toByteArray();
  if (!frameGeometry.isEmpty()) frame.restoreGeometry(frameGeometry);
  const int count = settings.beginReadArray(QLatin1String(kWindows));
  int opened = 0;
  for (const int i : StoredEntries(settings, count)) {
    settings.setArrayIndex(i);
    const int command = settings.value(QLatin1String(kCommand)).toInt();
    if (!IsWorkingWindowCommand(command)) continue;
    WorkWindow* window = workspace.Open(command);
    window->Window().restoreGeometry(settings.value(QLatin1String(kGeometry)).toByteArray());
    window->Toggle().setChecked(settings.value(QLatin1String(kLinked), true).toBool());
    const QString code = settings.value(QLatin1String(kCode)).toString();
    // A stock no longer listed leaves the window blank, as a new one opens.
    if (!code.isEmpty()) window->ShowStock(code.toStdString());
    ++opened;
  }
  settings.endArray();
  settings.endGroup();
  return opened;
}

}  // namespace ostrada
