// The window shown before a server's SCL file is replaced by a new revision: the server's
// variables and data set members that the new model keeps, moves, changes and loses, and the
// data sets it no longer has, each list with its count, then "Replace" or "Cancel".
#pragma once

#include <QDialog>
#include <QString>

#include "access/scl_revision.h"
#include "text/lang_strings.h"

class QLabel;
class QPushButton;
class QTreeWidget;

class TFReplace_Impact : public QDialog {
  Q_OBJECT

 public:
  // `intro` says which file replaces which server's file.
  TFReplace_Impact(const UIEC_61850_Access::Replace_Impact& impact, const QString& intro,
                   const lang::Lang_Strings& texts, QWidget* parent = nullptr);

  QLabel* L_Intro;
  // One heading per list (kept, moved, changed, lost, data sets gone) with its entries below:
  // table, row, member, reference.
  QTreeWidget* TV_Impact;
  QPushButton* Btn_Replace;
  QPushButton* Btn_Cancel;
};
