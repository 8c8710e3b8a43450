#include "update/update_params.h"

#include "image/image_build.h"
#include "util/files.h"
#include "util/xml.h"

namespace UBoot {

namespace {

pugi::xml_node Add(pugi::xml_node parent, const char* name, const std::string& text = "") {
  pugi::xml_node element = parent.append_child(name);
  if (!text.empty()) element.text().set(text.c_str());
  return element;
}

// One download. Only the file, where it goes, the bank type, the checksum write and whether the
// application starts afterwards differ between the firmware and the two images.
void Add_Operation(pugi::xml_node operations, const std::string& file_name,
                   const char* start_address, const char* bank_type, bool read_back, bool write_css,
                   bool go_to_app_after) {
  pugi::xml_node op = operations.append_child("Operation");
  Add(op, "Ope_Protection_Enabled");
  Add(op, "Ope_GoToBoot_Before", "0");
  Add(op, "Ope_GoToApp_Before", "0");
  Add(op, "Ope_IP_Address");
  Add(op, "Ope_Port", "2008");
  Add(op, "Ope_Port_Sec", "2007");
  Add(op, "Ope_Erase_Memory", "0");
  Add(op, "Ope_FileName", file_name);
  Add(op, "Ope_Start_Address", start_address);
  Add(op, "Ope_Memory_Type", "0");
  Add(op, "Ope_Bank_Type", bank_type);
  Add(op, "Ope_Read_Back", read_back ? "1" : "0");
  Add(op, "Ope_Write_CSS", write_css ? "1" : "0");
  Add(op, "Ope_Address_CSS", "0x07A00");
  Add(op, "Ope_Command_CSS", "0x02");
  Add(op, "Ope_Write_Internal_Data", "0");
  Add(op, "Ope_WID_Address", "0x07810");
  Add(op, "Ope_WID_Command", "0x02");
  Add(op, "Ope_WID_Data", "0x00, 0x00, 0x00, 0x01");
  Add(op, "Ope_GoToApp_After", go_to_app_after ? "1" : "0");
}

}  // namespace

void Build_Update_Parameters(pugi::xml_document& doc, const Update_Parameters& p) {
  doc.reset();
  pugi::xml_node root = doc.append_child("Ethernet_Update");
  Add(root, "Version", "1000");
  Add(root, "Title", "Tolvan - RQ30517 Ethernet Update");
  Add(root, "IP_Address_Dev", p.IP_Address);
  Add(root, "Application_Port", "10000");
  Add(root, "Boot_Port", "2008");
  Add(root, "Boot_Port_Sec", "2007");
  Add(root, "Address_Protection", "0x07800");
  Add(root.append_child("Protections"), "Protection", "0x5E1");
  pugi::xml_node operations = root.append_child("Operations");

  const bool firmware =
      p.Option_Index == Option_Firmware_And_Configuration || p.Option_Index == Option_Firmware;
  const bool images =
      p.Option_Index == Option_Firmware_And_Configuration || p.Option_Index == Option_Configuration;
  // The device starts its application after the last download only.
  if (firmware)
    Add_Operation(operations, util::Join_Path(p.Master_Dir, Firmware_File_Name), "0x8000", "1",
                  p.Read_Back, true, p.Option_Index == Option_Firmware);
  if (images) {
    Add_Operation(operations, USaveBincc::Bank1_File(p.Active_Conf_Dir), "0x07000", "2",
                  p.Read_Back, false, false);
    Add_Operation(operations, USaveBincc::Bank2_File(p.Active_Conf_Dir), "0x80000", "2",
                  p.Read_Back, false, true);
  }
}

void Compile_XML_Parameter_New_Boot(const Update_Parameters& p, const std::string& Exe_Dir) {
  pugi::xml_document XML1;
  Build_Update_Parameters(XML1, p);
  util::Save_Xml_File(XML1, util::Join_Path(Exe_Dir, Update_Param_File_Name));
}

}  // namespace UBoot
