#include "util/web_address_qt.h"

#include <QDesktopServices>
#include <QUrl>

namespace ui {

void Open_Web_Address(const QString& address) { QDesktopServices::openUrl(QUrl(address)); }

}  // namespace ui
