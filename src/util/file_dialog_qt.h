// The file dialogs of the windows: each kind of file opens its dialog in the folder where the
// user last picked one, so a path is browsed to once, not typed again at every use.
#pragma once

#include <QFileDialog>
#include <QString>
#include <string>

namespace ui {

enum class File_Dialog_Mode { Open, Save };

// Asks for a file, starting in `folder` (a folder that no longer exists is left to the dialog's
// own start) with `default_name` proposed; on a choice, `folder` becomes the chosen file's
// folder. Empty when cancelled.
std::string Choose_File_Path(QWidget* parent, std::string& folder, File_Dialog_Mode mode,
                             const QString& title, const QString& filter,
                             const QString& default_name = {}, QFileDialog::Options options = {});

}  // namespace ui
