// Opening a web address in the user's default browser. Every link of the configurator (the
// maker's home page in the main window and the About box, the new-version links of the main
// window and the options dialog) opens its page through this one function.
#pragma once

#include <QString>

namespace ui {

// Hands the address to the desktop, which opens it in the default browser (on Windows through
// the shell's "open" verb). Tests catch the addresses with QDesktopServices::setUrlHandler.
void Open_Web_Address(const QString& address);

}  // namespace ui
