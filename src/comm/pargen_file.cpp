#include "comm/pargen_file.h"

#include <pugixml.hpp>

#include "conf/version.h"
#include "util/files.h"
#include "util/xml.h"

namespace comm {

namespace {

// The one list of ParGen.xml's elements: their order in the file, their names and the fallback
// of each. `visit(name, value, fallback)` is called for every element in file order; the
// fallback of an enable is "0" (cleared).
template <class Values, class Visit>
void For_Each_Element(Values& v, Visit&& visit) {
  visit("IEC61850_Client_IP1", v.IEC61850_Client_IP[0], "192");
  visit("IEC61850_Client_IP2", v.IEC61850_Client_IP[1], "168");
  visit("IEC61850_Client_IP3", v.IEC61850_Client_IP[2], "0");
  visit("IEC61850_Client_IP4", v.IEC61850_Client_IP[3], "10");
  visit("IEC61850_Client_SM1", v.IEC61850_Client_SM[0], "255");
  visit("IEC61850_Client_SM2", v.IEC61850_Client_SM[1], "255");
  visit("IEC61850_Client_SM3", v.IEC61850_Client_SM[2], "255");
  visit("IEC61850_Client_SM4", v.IEC61850_Client_SM[3], "0");
  visit("IEC61850_Client_GAT1", v.IEC61850_Client_GAT[0], "192");
  visit("IEC61850_Client_GAT2", v.IEC61850_Client_GAT[1], "168");
  visit("IEC61850_Client_GAT3", v.IEC61850_Client_GAT[2], "0");
  visit("IEC61850_Client_GAT4", v.IEC61850_Client_GAT[3], "1");
  visit("IEC61850_Client_En_GAT", v.IEC61850_Client_En_GAT, "0");
  visit("IEC61850_Client_VLAN", v.IEC61850_Client_VLAN, "0");
  visit("IEC61850_Client_Application_ID", v.IEC61850_Client_Application_ID, "0");
  visit("Modbus_TCP_Slave_IP1", v.Modbus_TCP_Slave_IP[0], "192");
  visit("Modbus_TCP_Slave_IP2", v.Modbus_TCP_Slave_IP[1], "168");
  visit("Modbus_TCP_Slave_IP3", v.Modbus_TCP_Slave_IP[2], "0");
  visit("Modbus_TCP_Slave_IP4", v.Modbus_TCP_Slave_IP[3], "5");
  visit("Modbus_TCP_Slave_SM1", v.Modbus_TCP_Slave_SM[0], "255");
  visit("Modbus_TCP_Slave_SM2", v.Modbus_TCP_Slave_SM[1], "255");
  visit("Modbus_TCP_Slave_SM3", v.Modbus_TCP_Slave_SM[2], "255");
  visit("Modbus_TCP_Slave_SM4", v.Modbus_TCP_Slave_SM[3], "0");
  visit("Modbus_TCP_Slave_GAT1", v.Modbus_TCP_Slave_GAT[0], "192");
  visit("Modbus_TCP_Slave_GAT2", v.Modbus_TCP_Slave_GAT[1], "168");
  visit("Modbus_TCP_Slave_GAT3", v.Modbus_TCP_Slave_GAT[2], "0");
  visit("Modbus_TCP_Slave_GAT4", v.Modbus_TCP_Slave_GAT[3], "1");
  // "EN" here but "En" on the client side: both spellings are what existing files hold.
  visit("Modbus_TCP_Slave_EN_GAT", v.Modbus_TCP_Slave_EN_GAT, "0");
  visit("Modbus_TCP_Slave_Port", v.Modbus_TCP_Slave_Port, "502");
}

constexpr const char* Yes = "1";

struct Apply_Fallback {
  void operator()(const char*, std::string& value, const char* fallback) const { value = fallback; }
  void operator()(const char*, bool& value, const char* fallback) const {
    value = std::string(fallback) == Yes;
  }
};

}  // namespace

Par_Gen Default_Par_Gen() {
  Par_Gen values;
  For_Each_Element(values, Apply_Fallback{});
  return values;
}

void Write_Par_Gen(pugi::xml_document& doc, const Par_Gen& values) {
  doc.reset();
  pugi::xml_node root = doc.append_child("Par_Gen");
  doc.append_child(pugi::node_comment).set_value(conf::Version_Comment().c_str());
  struct Append {
    pugi::xml_node root;
    void operator()(const char* name, const std::string& value, const char*) {
      pugi::xml_node element = root.append_child(name);
      if (!value.empty()) element.append_child(pugi::node_pcdata).set_value(value.c_str());
    }
    void operator()(const char* name, bool value, const char*) {
      root.append_child(name).append_child(pugi::node_pcdata).set_value(value ? Yes : "0");
    }
  };
  For_Each_Element(values, Append{root});
}

void Save_Par_Gen(pugi::xml_document& doc, const std::string& path, const Par_Gen& values) {
  Write_Par_Gen(doc, values);
  util::Save_Xml_File(doc, path);
}

void Save_Par_Gen(pugi::xml_document& doc, const util::Checked_Folder& folder,
                  const std::string& name, const Par_Gen& values) {
  Write_Par_Gen(doc, values);
  util::Save_Xml_File(doc, folder, name);
}

void Read_Par_Gen(const pugi::xml_document& doc, Par_Gen& values) {
  struct Read {
    pugi::xml_node root;
    void operator()(const char* name, std::string& value, const char* fallback) const {
      value = util::Child_Text(root, name).value_or(fallback);
    }
    void operator()(const char* name, bool& value, const char* fallback) const {
      value = util::Child_Text(root, name).value_or(fallback) == Yes;
    }
  };
  For_Each_Element(values, Read{util::First_Top_Node(doc)});
}

void Load_Par_Gen(pugi::xml_document& doc, const std::string& path, Par_Gen& values) {
  // Anything but a readable file in its place (a folder, a FIFO, a dangling link) is an error,
  // not a missing file.
  if (!util::Path_Present(path)) {
    values = Default_Par_Gen();
    return;
  }
  util::Load_Xml_File(doc, path);
  Read_Par_Gen(doc, values);
}

}  // namespace comm
