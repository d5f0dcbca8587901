#include "app/historytargets.h"

#include <QFileDialog>

#include "app/qtext.h"

namespace ostrada {

int QtListBox::AddLine(const std::string& text) {
  list_->addItem(FromCp949(text));
  return list_->count() - 1;
}

void QtListBox::SelectLine(int index) {
  list_->setCurrentRow(index);
}

void QtListBox::RedrawNow() {
  list_->repaint();
}

QStringList NameFiltersOf(const std::string& filter) {
  const QStringList parts = FromCp949(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    if (!parts[i].isEmpty()) filters << parts[i];
  }
  return filters;
}

bool QtOpenFileDialog::Choose(const std::string& defaultExtension, const std::string& filter, std::string* path) {
  QFileDialog dialog(parent_);
  dialog.setObjectName(QStringLiteral("preDataFileDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(FromCp949(defaultExtension));
  dialog.setNameFilters(NameFiltersOf(filter));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  *path = ToCp949(dialog.selectedFiles().constFirst());
  return true;
}

}  // namespace ostrada
