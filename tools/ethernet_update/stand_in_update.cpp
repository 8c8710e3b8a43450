#include "stand_in_update.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <optional>
#include <span>
#include <vector>

#include "image/client_tables.h"
#include "image/general_block.h"
#include "image/image_inspect.h"
#include "image/le_bytes.h"
#include "update/ping.h"
#include "util/files.h"
#include "util/text.h"
#include "util/xml.h"

namespace Stand_In_Update {

namespace {

// Device addresses the configurator loads its two images to.
constexpr int32_t Bank1_Address = 0x07000;
constexpr int32_t Bank2_Address = static_cast<int32_t>(USaveBincc::Client_Tables_Base);
constexpr int32_t Firmware_Bank = 1;
constexpr int32_t Image_Bank = 2;

// A value from the file as it goes into the report: cut, and without control characters, so a
// hostile file cannot flood or garble the log.
std::string Shown(const std::string& text) {
  constexpr size_t Max_Shown = 200;
  std::string out;
  for (size_t i = 0; i < text.size() && i < Max_Shown; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    out += (c < 0x20 || c == 0x7F) ? '?' : static_cast<char>(c);
  }
  if (text.size() > Max_Shown) out += "...";
  return "\"" + out + "\"";
}

std::string Hex(int64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%05llX", static_cast<unsigned long long>(value & 0xFFFFFFFF));
  return text;
}

enum class Kind { Text, Integer, Port, Flag, File, Bank_Type, Address, Container };

struct Field {
  const char* name;
  Kind kind;
};

constexpr Field Header_Fields[] = {{"Version", Kind::Integer},
                                   {"Title", Kind::Text},
                                   {"IP_Address_Dev", Kind::Address},
                                   {"Application_Port", Kind::Port},
                                   {"Boot_Port", Kind::Port},
                                   {"Boot_Port_Sec", Kind::Port},
                                   {"Address_Protection", Kind::Integer},
                                   {"Protections", Kind::Container},
                                   {"Operations", Kind::Container}};

constexpr Field Operation_Fields[] = {{"Ope_Protection_Enabled", Kind::Text},
                                      {"Ope_GoToBoot_Before", Kind::Flag},
                                      {"Ope_GoToApp_Before", Kind::Flag},
                                      {"Ope_IP_Address", Kind::Text},
                                      {"Ope_Port", Kind::Port},
                                      {"Ope_Port_Sec", Kind::Port},
                                      {"Ope_Erase_Memory", Kind::Flag},
                                      {"Ope_FileName", Kind::File},
                                      {"Ope_Start_Address", Kind::Integer},
                                      {"Ope_Memory_Type", Kind::Integer},
                                      {"Ope_Bank_Type", Kind::Bank_Type},
                                      {"Ope_Read_Back", Kind::Flag},
                                      {"Ope_Write_CSS", Kind::Flag},
                                      {"Ope_Address_CSS", Kind::Integer},
                                      {"Ope_Command_CSS", Kind::Integer},
                                      {"Ope_Write_Internal_Data", Kind::Flag},
                                      {"Ope_WID_Address", Kind::Integer},
                                      {"Ope_WID_Command", Kind::Integer},
                                      {"Ope_WID_Data", Kind::Text},
                                      {"Ope_GoToApp_After", Kind::Flag}};

constexpr size_t Max_Operations = 3;

class Checker {
 public:
  explicit Checker(const File_Reader& read_file) : read_file_(read_file) {}

  Report Run(const std::string& xml_text) {
    pugi::xml_document doc;
    try {
      util::Load_Xml_Text(doc, xml_text, "Ethernet_Update.xml");
    } catch (const std::exception& e) {
      Error(std::string("the parameter file is not well-formed XML: ") + e.what());
      return Finish();
    }
    pugi::xml_node root = doc.document_element();
    if (!root || std::string(root.name()) != "Ethernet_Update") {
      Error("the root element must be Ethernet_Update, found " +
            (root ? Shown(root.name()) : std::string("none")));
      return Finish();
    }
    std::vector<pugi::xml_node> header;
    if (!Elements(root, "Ethernet_Update", Header_Fields, header)) return Finish();

    std::string device;
    Value(header[2], Kind::Address, "IP_Address_Dev", device);
    std::string port, port_sec, app_port;
    Value(header[3], Kind::Port, "Application_Port", app_port);
    Value(header[4], Kind::Port, "Boot_Port", port);
    Value(header[5], Kind::Port, "Boot_Port_Sec", port_sec);
    std::string ignored;
    Value(header[0], Kind::Integer, "Version", ignored);
    Value(header[6], Kind::Integer, "Address_Protection", ignored);
    Line("device " + Shown(device) + ", boot ports " + Shown(port) + " and " + Shown(port_sec) +
         ", application port " + Shown(app_port));

    std::vector<pugi::xml_node> protections = Children(header[7], "Protections", "Protection");
    if (protections.empty()) Error("Protections holds no Protection element");
    for (pugi::xml_node protection : protections)
      Value(protection, Kind::Integer, "Protection", ignored);

    std::vector<pugi::xml_node> operations = Children(header[8], "Operations", "Operation");
    if (operations.empty()) Error("Operations holds no Operation element: nothing to download");
    if (operations.size() > Max_Operations)
      Error("Operations holds " + std::to_string(operations.size()) +
            " Operation elements, at most " + std::to_string(Max_Operations) +
            " are written by the configurator");
    for (size_t i = 0; i < operations.size() && i < Max_Operations; ++i)
      Operation(operations[i], i + 1, i + 1 == operations.size());
    return Finish();
  }

 private:
  void Line(const std::string& text) { report_.Text += text + "\n"; }
  // A finding about a file named by an operation comes indented under its operation.
  void Error(const std::string& text) {
    ++errors_;
    const size_t indent = std::min(text.find_first_not_of(' '), text.size());
    Line(text.substr(0, indent) + "ERROR: " + text.substr(indent));
  }

  Report Finish() {
    report_.Ok = errors_ == 0;
    Line(errors_ == 0 ? "result: all in order (the stand-in sends nothing to the device)"
                      : "result: " + std::to_string(errors_) + " error(s), nothing would be sent");
    return report_;
  }

  // The child elements of `parent` must be exactly `fields`, in that order.
  template <size_t N>
  bool Elements(pugi::xml_node parent, const std::string& where, const Field (&fields)[N],
                std::vector<pugi::xml_node>& found) {
    for (pugi::xml_node child : parent.children()) {
      if (child.type() == pugi::node_element) {
        found.push_back(child);
      } else if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
        Error(where + " holds text between its elements");
        return false;
      }
    }
    for (size_t i = 0; i < N; ++i) {
      if (i >= found.size()) {
        Error(where + " lacks " + fields[i].name + " (element " + std::to_string(i + 1) + ")");
        return false;
      }
      if (std::string(found[i].name()) != fields[i].name) {
        Error(where + ": element " + std::to_string(i + 1) + " must be " + fields[i].name +
              ", found " + Shown(found[i].name()));
        return false;
      }
    }
    if (found.size() > N) {
      Error(where + " holds an unexpected element " + Shown(found[N].name()) + " after " +
            fields[N - 1].name);
      return false;
    }
    return true;
  }

  // The elements named `name` under `container`; anything else there is an error.
  std::vector<pugi::xml_node> Children(pugi::xml_node container, const std::string& where,
                                       const char* name) {
    std::vector<pugi::xml_node> found;
    for (pugi::xml_node child : container.children()) {
      if (child.type() == pugi::node_element && std::string(child.name()) == name)
        found.push_back(child);
      else if (child.type() == pugi::node_element)
        Error(where + " holds an unexpected element " + Shown(child.name()));
      else if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
        Error(where + " holds text instead of " + name + " elements");
    }
    return found;
  }

  // Reads an element's value and checks it against its kind; false (with an error) when it does
  // not fit. `value` gets the text whenever there is one.
  bool Value(pugi::xml_node element, Kind kind, const std::string& where, std::string& value) {
    std::optional<std::string> text = util::Element_Text(element);
    if (!text) {
      Error(where + " holds elements instead of a value");
      return false;
    }
    value = *text;
    const std::optional<int32_t> number = util::Str_To_Int(value);
    switch (kind) {
      case Kind::Text:
      case Kind::Container:
        return true;
      case Kind::Integer:
        if (number) return true;
        Error(where + " is " + Shown(value) + ", not an integer");
        return false;
      case Kind::Port:
        if (number && *number >= 0 && *number <= 65535) return true;
        Error(where + " is " + Shown(value) + ", not a port number 0..65535");
        return false;
      case Kind::Flag:
        if (value == "0" || value == "1") return true;
        Error(where + " is " + Shown(value) + ", neither 0 nor 1");
        return false;
      case Kind::File:
        if (!value.empty()) return true;
        Error(where + " names no file");
        return false;
      case Kind::Bank_Type:
        if (number && (*number == Firmware_Bank || *number == Image_Bank)) return true;
        Error(where + " is " + Shown(value) + ", neither 1 (firmware) nor 2 (configuration)");
        return false;
      case Kind::Address:
        if (UBoot::Parse_IPv4(value)) return true;
        Error(where + " is " + Shown(value) + ", not an IPv4 address");
        return false;
    }
    return false;
  }

  void Operation(pugi::xml_node operation, size_t number, bool last) {
    const std::string where = "Operation " + std::to_string(number);
    std::vector<pugi::xml_node> fields;
    if (!Elements(operation, where, Operation_Fields, fields)) return;
    std::vector<std::string> values(fields.size());
    bool valid = true;
    for (size_t i = 0; i < fields.size(); ++i)
      valid &= Value(fields[i], Operation_Fields[i].kind, where + " " + Operation_Fields[i].name,
                     values[i]);
    if (!valid) return;

    auto value = [&](const char* name) -> const std::string& {
      for (size_t i = 0; i < std::size(Operation_Fields); ++i)
        if (std::string(Operation_Fields[i].name) == name) return values[i];
      return values.front();
    };
    const std::string& ip = value("Ope_IP_Address");
    if (!ip.empty() && !UBoot::Parse_IPv4(ip))
      Error(where + " Ope_IP_Address is " + Shown(ip) + ", neither empty nor an IPv4 address");
    const std::string& file = value("Ope_FileName");
    const int32_t address = util::Str_To_Int_Def(value("Ope_Start_Address"), -1);
    const int32_t bank = util::Str_To_Int_Def(value("Ope_Bank_Type"), 0);
    const bool go_to_app = value("Ope_GoToApp_After") == "1";

    Line(where + ": download " + Shown(file) + " to " + Hex(address) + " (bank type " +
         std::to_string(bank) + ", memory type " + value("Ope_Memory_Type") + "), read back " +
         (value("Ope_Read_Back") == "1" ? "yes" : "no") + ", write checksum " +
         (value("Ope_Write_CSS") == "1" ? "yes" : "no") +
         (go_to_app ? ", then start the application" : ""));
    if (go_to_app && !last) Error(where + " starts the application before the last download");
    if (bank == Firmware_Bank)
      Firmware(file);
    else if (address == Bank1_Address)
      Bank1(file);
    else if (address == Bank2_Address)
      Bank2(file);
    else
      Error(where + ": no configuration image belongs at " + Hex(address) + " (bank1.bin goes to " +
            Hex(Bank1_Address) + ", bank2.bin to " + Hex(Bank2_Address) + ")");
  }

  void Firmware(const std::string& file) {
    File_Read read = read_file_(file, 0);
    if (read.State == File_State::Missing)
      Line("  firmware file not found: no firmware ships with the configurator, skipped");
    else if (read.State == File_State::Unreadable)
      Error("  the firmware file cannot be read: " + read.Reason);
    else
      Line("  firmware, " + std::to_string(read.Size) + " bytes");
  }

  // An image file of at most `capacity` bytes, read whole; nullopt (with an error) otherwise.
  std::optional<std::string> Image(const std::string& file, uint64_t capacity, const char* what) {
    File_Read read = read_file_(file, static_cast<size_t>(capacity));
    if (read.State != File_State::Read) {
      Error(std::string("  ") + what + " cannot be read: " + read.Reason);
      return std::nullopt;
    }
    if (read.Size > capacity) {
      Error(std::string("  ") + what + " has " + std::to_string(read.Size) +
            " bytes, more than the " + std::to_string(capacity) + " it may have");
      return std::nullopt;
    }
    return read.Bytes;
  }

  void Bank1(const std::string& file) {
    std::optional<std::string> bytes =
        Image(file, USaveBincc::General_Block_Size, "the general configuration block");
    if (!bytes) return;
    if (const util::Check_Result fault = USaveBincc::Check_Bank1(*bytes))
      Error("  not a valid general configuration block: " + *fault);
    else
      Line("  general configuration block, " + std::to_string(bytes->size()) +
           " bytes, checksum valid");
  }

  void Bank2(const std::string& file) {
    std::optional<std::string> bytes =
        Image(file, USaveBincc::Bank2_Capacity, "the IEC 61850 client tables");
    if (!bytes) return;
    if (const util::Check_Result fault = USaveBincc::Check_Bank2(*bytes)) {
      Error("  not valid IEC 61850 client tables: " + *fault);
      return;
    }
    std::span<const uint8_t> b(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size());
    Line("  IEC 61850 client tables, " + std::to_string(bytes->size()) + " bytes, " +
         std::to_string(USaveBincc::Get_U32(b, 0)) + " variable(s), " +
         std::to_string(USaveBincc::Get_U32(b, 4)) + " data set(s), header consistent");
  }

  const File_Reader& read_file_;
  Report report_;
  int errors_ = 0;
};

}  // namespace

File_Read Read_Disk_File(const std::string& path, size_t limit) {
  File_Read read;
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    read.Reason = "no such file";
    return read;
  }
  if (!S_ISREG(st.st_mode)) {
    read.State = File_State::Unreadable;
    read.Reason = "not a regular file";
    return read;
  }
  read.Size = static_cast<uint64_t>(st.st_size);
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    read.State = File_State::Unreadable;
    read.Reason = "cannot open it";
    return read;
  }
  read.Bytes.resize(static_cast<size_t>(std::min<uint64_t>(read.Size, limit)));
  in.read(read.Bytes.data(), static_cast<std::streamsize>(read.Bytes.size()));
  read.Bytes.resize(static_cast<size_t>(in.gcount()));
  read.State = File_State::Read;
  return read;
}

Report Check_Update_File(const std::string& xml_text, const File_Reader& read_file) {
  try {
    return Checker(read_file).Run(xml_text);
  } catch (const std::exception& e) {
    return {false, std::string("ERROR: ") + e.what() + "\n"};
  }
}

}  // namespace Stand_In_Update
