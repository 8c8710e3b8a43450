// The settings file Varnoscope.xml: any bytes must give a context, never a crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/workspace.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  app::App_Context ctx;
  app::Read_Settings_Text(ctx, std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
