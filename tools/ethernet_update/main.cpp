// Ethernet_Update.exe, the stand-in for the device's updater: the configurator starts it with an
// empty command line after writing Ethernet_Update.xml beside it. It checks that file and the
// images it names, prints what would be downloaded where, writes the same report to
// Ethernet_Update.log beside itself, and exits 0 when everything is in order, 1 otherwise.
#include <iostream>

#include "stand_in_update.h"
#include "update/update_params.h"
#include "util/files.h"

int main() {
  const std::string dir = util::Executable_Dir();
  const std::string param_file = util::Join_Path(dir, UBoot::Update_Param_File_Name);
  const std::string log_file = util::Join_Path(dir, "Ethernet_Update.log");

  std::string text = "Ethernet_Update (stand-in): " + param_file + "\n";
  bool ok = false;
  try {
    const std::string xml = util::Read_File(param_file);
    Stand_In_Update::Report report =
        Stand_In_Update::Check_Update_File(xml, Stand_In_Update::Read_Disk_File);
    text += report.Text;
    ok = report.Ok;
  } catch (const std::exception& e) {
    text += std::string("ERROR: ") + e.what() + "\nresult: 1 error(s), nothing would be sent\n";
  }
  std::cout << text << std::flush;
  try {
    util::Write_File_Atomic(log_file, text);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return ok ? 0 : 1;
}
