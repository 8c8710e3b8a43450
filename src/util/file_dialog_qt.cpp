#include "util/file_dialog_qt.h"

#include <QDir>
#include <QFileInfo>

namespace ui {

std::string Choose_File_Path(QWidget* parent, std::string& folder, File_Dialog_Mode mode,
                             const QString& title, const QString& filter,
                             const QString& default_name, QFileDialog::Options options) {
  const QString remembered = QString::fromStdString(folder);
  QString start = default_name;
  if (!remembered.isEmpty() && QFileInfo(remembered).isDir())
    start = QDir(remembered).filePath(default_name);
  const QString chosen =
      mode == File_Dialog_Mode::Open
          ? QFileDialog::getOpenFileName(parent, title, start, filter, nullptr, options)
          : QFileDialog::getSaveFileName(parent, title, start, filter, nullptr, options);
  if (chosen.isEmpty()) return {};
  folder = QFileInfo(chosen).absolutePath().toStdString();
  return chosen.toStdString();
}

}  // namespace ui
