#pragma once
// Writes a picture of a window for a person to look at: into OSTRADA_TEST_OUTPUT (CTest sets it to
// <build>/renders), else into the renders folder beside the build's tests folder.
#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <QWidget>

namespace ostrada::testing {

inline QString RenderFolder() {
  const QString folder = qEnvironmentVariableIsEmpty("OSTRADA_TEST_OUTPUT")
                             ? QCoreApplication::applicationDirPath() + QStringLiteral("/../renders")
                             : qEnvironmentVariable("OSTRADA_TEST_OUTPUT");
  QDir().mkpath(folder);
  return QDir::cleanPath(folder);
}

// The path written, or empty when the picture could not be saved.
inline QString RenderToPng(QWidget& widget, const char* fileName) {
  const QString path = QDir(RenderFolder()).filePath(QString::fromLatin1(fileName));
  return widget.grab().save(path) ? path : QString();
}

}  // namespace ostrada::testing
