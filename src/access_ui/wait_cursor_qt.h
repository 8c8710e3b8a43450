// The wait cursor while a long step (an import, a check, the filter's index) blocks the window.
#pragma once

#include <QApplication>

namespace UIEC_61850_Access {

struct Wait_Cursor {
  Wait_Cursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~Wait_Cursor() { QApplication::restoreOverrideCursor(); }
  Wait_Cursor(const Wait_Cursor&) = delete;
  Wait_Cursor& operator=(const Wait_Cursor&) = delete;
};

}  // namespace UIEC_61850_Access
