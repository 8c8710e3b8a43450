#include "image/image_inspect.h"

#include <charconv>
#include <cstdio>
#include <map>
#include <span>
#include <sstream>

#include "image/bank2_view.h"
#include "image/client_tables.h"
#include "image/general_block.h"
#include "image/le_bytes.h"

namespace USaveBincc {

using namespace inspect_parts;

namespace {

// Texts longer than this are cut in the listing, so that a hostile file whose addresses all
// point at one long unterminated run cannot blow the output up.
constexpr size_t Max_Shown_Text = 200;

std::string Float_Text(float value) {
  char text[64];
  auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string Octets(std::span<const uint8_t> b, size_t offset) {
  return std::to_string(b[offset]) + "." + std::to_string(b[offset + 1]) + "." +
         std::to_string(b[offset + 2]) + "." + std::to_string(b[offset + 3]);
}

// A device text as a quoted literal: printable ASCII as it is, every other byte as \xHH.
std::string Quoted(std::span<const uint8_t> text) {
  std::string out = "\"";
  size_t shown = std::min(text.size(), Max_Shown_Text);
  for (size_t i = 0; i < shown; ++i) {
    uint8_t c = text[i];
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  out += '"';
  if (shown < text.size()) out += " ... (" + std::to_string(text.size()) + " bytes)";
  return out;
}

std::string Text_Field(const Bank2_View& view, size_t record, size_t field) {
  uint32_t address = Get_U32(view.Bytes(), record + field);
  return Hex32(address) + " " + Quoted(view.Text_At(address));
}

std::string Conversion_Text(uint8_t conversion) {
  return std::to_string(conversion) + (conversion == 0   ? " (none)"
                                       : conversion == 1 ? " (ItoF/FtoI)"
                                                         : " (unknown)");
}

std::string Options_Text(uint8_t options) {
  std::string names;
  if (options & Option_On_Change) names += " OnChange";
  if (options & Option_On_CMD) names += " OnCMD";
  if (options & Option_On_Timer) names += " OnTimer";
  if (options & ~(Option_On_Change | Option_On_CMD | Option_On_Timer)) names += " unknown bits";
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", options);
  return std::string(hex) + (names.empty() ? "" : " (" + names.substr(1) + ")");
}

std::string Gateway_Text(std::span<const uint8_t> b, size_t offset) {
  std::string text = Octets(b, offset);
  return text == "255.255.255.255" ? text + " (disabled)" : text;
}

// True for the bytes of the general block that are not one of its named fields.
// Where a member record was listed in full: its data set and its number there, from 1.
struct Member_Listing {
  size_t data_set = 0;
  size_t member = 0;
};

void Describe_Member(const Bank2_View& view, size_t m, size_t number, std::ostream& out) {
  std::span<const uint8_t> b = view.Bytes();
  out << "  member " << number << " at " << Hex32(Client_Tables_Base + m) << "\n"
      << "    position: " << Get_U16(b, m) << "\n"
      << "    bitAddress: " << int{b[m + 2]} << "\n"
      << "    conversion: " << Conversion_Text(b[m + 3]) << "\n"
      << "    moltFactor: " << Float_Text(Get_Float(b, m + 4)) << "\n"
      << "    bType: " << Text_Field(view, m, 8) << "\n"
      << "    reference: " << Text_Field(view, m, 12) << "\n";
}

// Members `from` to `to` of the current data set are records listed before. Consecutive members
// of one earlier data set are named as such, any other run by its records' addresses.
void Refer_To_Listed(size_t from, size_t to, const Member_Listing& origin, bool one_list,
                     size_t first_offset, size_t last_offset, std::ostream& out) {
  if (from == to)
    out << "  member " << from << ": as member " << origin.member << " of data set "
        << origin.data_set << "\n";
  else if (one_list)
    out << "  members " << from << " to " << to << ": as members " << origin.member << " to "
        << origin.member + (to - from) << " of data set " << origin.data_set << "\n";
  else
    out << "  members " << from << " to " << to << ": as the member records at "
        << Hex32(static_cast<uint32_t>(Client_Tables_Base + first_offset)) << " to "
        << Hex32(static_cast<uint32_t>(Client_Tables_Base + last_offset)) << " listed above\n";
}

bool Is_Reserved(size_t offset) {
  auto in = [&](int start, int size) {
    return offset >= static_cast<size_t>(start) && offset < static_cast<size_t>(start + size);
  };
  return !(in(Offset::Modbus_IP, 12) || in(Offset::Modbus_Port, 4) || in(Offset::Client_IP, 12) ||
           in(Offset::Client_Tables_Add, 4) || in(Offset::Checksum, 4));
}

}  // namespace

void Describe_Bank1(const std::string& bytes, std::ostream& out) {
  std::span<const uint8_t> b = As_Bytes(bytes);
  auto line = [&](int offset, const std::string& name, const std::string& value) {
    out << "  " << name << " (offset " << offset << "): " << value << "\n";
  };
  out << "bank1.bin: general configuration block, " << bytes.size() << " bytes\n";
  line(Offset::Reserved_0, "reserved", std::to_string(Get_U32(b, Offset::Reserved_0)));
  line(Offset::Reserved_4, "reserved", std::to_string(Get_U32(b, Offset::Reserved_4)));
  line(8, "reserved", std::to_string(Get_U32(b, 8)));
  line(Offset::Reserved_12, "reserved", std::to_string(Get_U32(b, Offset::Reserved_12)));
  line(Offset::Modbus_IP, "Modbus TCP slave IP address", Octets(b, Offset::Modbus_IP));
  line(Offset::Modbus_SM, "Modbus TCP slave subnet mask", Octets(b, Offset::Modbus_SM));
  line(Offset::Modbus_GAT, "Modbus TCP slave default gateway", Gateway_Text(b, Offset::Modbus_GAT));
  line(Offset::Reserved_52, "reserved", std::to_string(Get_U16(b, Offset::Reserved_52)));
  uint16_t port = Get_U16(b, Offset::Modbus_Port);
  uint16_t port_copy = Get_U16(b, Offset::Modbus_Port_Copy);
  line(Offset::Modbus_Port, "Modbus TCP port", std::to_string(port));
  line(Offset::Modbus_Port_Copy, "Modbus TCP port, second copy",
       std::to_string(port_copy) + (port_copy == port ? "" : " (differs from the port)"));
  line(Offset::Client_IP, "IEC 61850 client IP address", Octets(b, Offset::Client_IP));
  line(Offset::Client_SM, "IEC 61850 client subnet mask", Octets(b, Offset::Client_SM));
  line(Offset::Client_GAT, "IEC 61850 client default gateway", Gateway_Text(b, Offset::Client_GAT));
  std::string eights;
  for (int i = 0; i < 8; ++i)
    eights += (i ? " " : "") + std::to_string(b[Offset::Reserved_436 + i]);
  line(Offset::Reserved_436, "reserved", eights);
  uint32_t tables = Get_U32(b, Offset::Client_Tables_Add);
  line(Offset::Client_Tables_Add, "client tables address",
       Hex32(tables) + (tables == Client_Tables_Base ? "" : " (not where bank2 is loaded)"));
  uint32_t checksum = Get_U32(b, Offset::Checksum);
  line(
      Offset::Checksum, "checksum",
      std::to_string(checksum) + (checksum == General_Block_Checksum(b) ? " (valid)" : " (wrong)"));

  TGeneral_Block expected;
  Reset_General_Block(expected);
  std::string differing;
  size_t count = 0;
  for (size_t i = 0; i < b.size() && i < expected.size(); ++i)
    if (Is_Reserved(i) && b[i] != expected[i] && ++count <= 16)
      differing += " " + std::to_string(i);
  if (count == 0)
    out << "  reserved bytes: all hold their fixed values\n";
  else
    out << "  reserved bytes: " << count << " differ from their fixed values, at offsets"
        << differing << (count > 16 ? " ..." : "") << "\n";
}

void Describe_Bank2(const std::string& bytes, std::ostream& out) {
  Bank2_View view(bytes);
  std::span<const uint8_t> b = view.Bytes();
  const size_t n_variable = static_cast<size_t>(view.nVariable());
  const size_t n_data_set = static_cast<size_t>(view.nDataSet());
  out << "bank2.bin: IEC 61850 client tables, " << bytes.size() << " bytes at device address "
      << Hex32(Client_Tables_Base) << "\n";
  out << "header\n"
      << "  nVariable: " << n_variable << "\n"
      << "  nDataSet: " << n_data_set << "\n"
      << "  vLan: " << static_cast<int32_t>(Get_U32(b, 8)) << "\n"
      << "  appID: " << static_cast<int32_t>(Get_U32(b, 12)) << "\n"
      << "  Variable_Add: " << Hex32(Get_U32(b, 16)) << "\n"
      << "  DataSet_Add: " << Hex32(Get_U32(b, 20)) << "\n";

  for (size_t i = 0; i < n_variable && out; ++i) {
    size_t r = view.Variable_Offset(i);
    out << "variable " << i + 1 << " at " << Hex32(Client_Tables_Base + r) << "\n"
        << "  fc: " << Quoted(b.subspan(r, 2)) << "\n"
        << "  rw: " << int{b[r + 2]}
        << (b[r + 2] == 0   ? " (read)"
            : b[r + 2] == 1 ? " (write)"
                            : " (unknown)")
        << "\n"
        << "  bit_address: " << int{b[r + 3]} << "\n"
        << "  options: " << Options_Text(b[r + 4]) << "\n"
        << "  conversion: " << Conversion_Text(b[r + 5]) << "\n"
        << "  spare: " << int{b[r + 6]} << " " << int{b[r + 7]} << "\n"
        << "  position: " << Get_U16(b, r + 8) << "\n"
        << "  tcpPort: " << Get_U16(b, r + 10) << "\n"
        << "  time: " << Get_U32(b, r + 12) << " ms\n"
        << "  moltFactor: " << Float_Text(Get_Float(b, r + 16)) << "\n"
        << "  bType: " << Text_Field(view, r, 20) << "\n"
        << "  hostname: " << Text_Field(view, r, 24) << "\n"
        << "  reference: " << Text_Field(view, r, 28) << "\n";
  }

  // Several data sets may point at the same member records. Each record is listed in full once;
  // later lists refer back to it, so the report grows with the file, not with the references.
  std::map<size_t, Member_Listing> listed;  // by file offset
  for (size_t i = 0; i < n_data_set && out; ++i) {
    size_t r = view.DataSet_Offset(i);
    uint32_t members_add = Get_U32(b, r + 24);
    out << "data set " << i + 1 << " at " << Hex32(Client_Tables_Base + r) << "\n"
        << "  nVariable: " << int{b[r]} << "\n"
        << "  options: " << Options_Text(b[r + 1]) << "\n"
        << "  tcpPort: " << Get_U16(b, r + 2) << "\n"
        << "  enGoose: " << int{b[r + 4]} << "\n"
        << "  spare: " << int{b[r + 5]} << " " << int{b[r + 6]} << " " << int{b[r + 7]} << "\n"
        << "  time: " << Get_U32(b, r + 8) << " ms\n"
        << "  goose_name: " << Text_Field(view, r, 12) << "\n"
        << "  reference: " << Text_Field(view, r, 16) << "\n"
        << "  hostname: " << Text_Field(view, r, 20) << "\n"
        << "  VariableList_Add: " << Hex32(members_add) << "\n";
    const size_t first = static_cast<size_t>(view.Offset_Of(members_add));
    const size_t count = b[r];
    for (size_t k = 0; k < count && out;) {
      const size_t m = first + Member_Record_Size * k;
      auto known = listed.find(m);
      if (known == listed.end()) {
        listed.emplace(m, Member_Listing{i + 1, k + 1});
        Describe_Member(view, m, k + 1, out);
        ++k;
        continue;
      }
      // A run of records listed before: one line for the whole run.
      const size_t start = k;
      const Member_Listing origin = known->second;
      bool one_list = true;  // the run is consecutive members of one earlier data set
      for (++k; k < count; ++k) {
        auto earlier = listed.find(first + Member_Record_Size * k);
        if (earlier == listed.end()) break;
        one_list = one_list && earlier->second.data_set == origin.data_set &&
                   earlier->second.member == origin.member + (k - start);
      }
      Refer_To_Listed(start + 1, k, origin, one_list, first + Member_Record_Size * start,
                      first + Member_Record_Size * (k - 1), out);
    }
  }
}

std::string Describe_Bank1(const std::string& bytes) {
  std::ostringstream out;
  Describe_Bank1(bytes, out);
  return out.str();
}

std::string Describe_Bank2(const std::string& bytes) {
  std::ostringstream out;
  Describe_Bank2(bytes, out);
  return out.str();
}

void Describe_Image(const std::string& bytes, std::ostream& out) {
  const util::Check_Result bank1 = Check_Bank1(bytes);
  if (!bank1) return Describe_Bank1(bytes, out);
  const util::Check_Result bank2 = Check_Bank2(bytes);
  if (!bank2) return Describe_Bank2(bytes, out);
  throw Image_Error("neither a bank1.bin (" + *bank1 + ") nor a bank2.bin (" + *bank2 + ")");
}

std::string Describe_Image(const std::string& bytes) {
  std::ostringstream out;
  Describe_Image(bytes, out);
  return out.str();
}

}  // namespace USaveBincc
