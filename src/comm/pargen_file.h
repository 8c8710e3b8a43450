// ParGen.xml: the communication parameters of one configuration, kept as the texts the user
// typed (only values that passed Controllo_Dati are sure to be integers).
#pragma once

#include <array>
#include <string>

#include "util/files.h"

// The document type is all this header needs; the windows that show these values need nothing
// else of the XML library.
namespace pugi {
class xml_document;
}

namespace comm {

// The 29 values of ParGen.xml. Octets are indexed 0..3 for boxes 1..4.
struct Par_Gen {
  std::array<std::string, 4> IEC61850_Client_IP;
  std::array<std::string, 4> IEC61850_Client_SM;
  std::array<std::string, 4> IEC61850_Client_GAT;
  bool IEC61850_Client_En_GAT = false;
  std::string IEC61850_Client_VLAN;
  std::string IEC61850_Client_Application_ID;
  std::array<std::string, 4> Modbus_TCP_Slave_IP;
  std::array<std::string, 4> Modbus_TCP_Slave_SM;
  std::array<std::string, 4> Modbus_TCP_Slave_GAT;
  bool Modbus_TCP_Slave_EN_GAT = false;
  std::string Modbus_TCP_Slave_Port;

  bool operator==(const Par_Gen&) const = default;
};

// The values the dialog shows when nothing is stored (also each missing element's fallback):
// client 192.168.0.10/255.255.255.0, slave 192.168.0.5/255.255.255.0, gateways 192.168.0.1 and
// disabled, VLAN 0, application ID 0, port 502.
Par_Gen Default_Par_Gen();

// Replaces everything in `doc` with the file's tree: the root "Par_Gen", then the comment
// "SW_VERSION = <version>" (app/version.h), the 29 elements in their fixed order, texts exactly as
// given.
void Write_Par_Gen(pugi::xml_document& doc, const Par_Gen& values);
// Write_Par_Gen, then writes `doc` atomically to `path`; throws util::File_Error with the
// system's reason (the file on disk is then untouched).
void Save_Par_Gen(pugi::xml_document& doc, const std::string& path, const Par_Gen& values);
// The same into the file `name` of the configuration folder opened and checked once.
void Save_Par_Gen(pugi::xml_document& doc, const util::Checked_Folder& folder,
                  const std::string& name, const Par_Gen& values);

// The one reader of ParGen.xml, for the Set Communication dialog and the image build alike.
// Sets every value from the document's first top-level node, whatever its name: the first child
// element of each name counts; a missing element, or one holding elements instead of text, gives
// that value alone its fallback. An enable is set only by exactly "1".
void Read_Par_Gen(const pugi::xml_document& doc, Par_Gen& values);

// The dialog's load. No file at `path`: `values` become the defaults. Otherwise the file is
// parsed into `doc` and read with Read_Par_Gen. Throws util::Xml_Error (the parser's text) or
// util::File_Error, leaving `values` as they were.
void Load_Par_Gen(pugi::xml_document& doc, const std::string& path, Par_Gen& values);

}  // namespace comm
