#include "image/client_tables.h"

#include <algorithm>

#include "access/access_strings.h"
#include "access/client_file.h"
#include "image/image_strings.h"
#include "image/le_bytes.h"
#include "util/files.h"
#include "util/text.h"
#include "util/utf.h"

namespace USaveBincc {

namespace {

using UIEC_61850_Access::Client_Data_Set;
using UIEC_61850_Access::Client_Member;
using UIEC_61850_Access::Client_Variable;
namespace DA_Col = UIEC_61850_Access::DA_Col;
namespace DS_Col = UIEC_61850_Access::DS_Col;
namespace Var_Col = UIEC_61850_Access::Var_Col;

// The integer text rule with the table's default for text that is not an integer.
int32_t Int(const std::string& text, int32_t fallback) {
  return util::Str_To_Int_Def(text, fallback);
}

// The multiplication factor, typed with either "," or "." as separator whatever the machine's
// own is, so the same file gives the same image everywhere; 1.0 when it is not a number.
float Molt_Fact(const std::string& text) { return util::Str_To_Float(text, '.').value_or(1.0f); }

// Attributes that are only compared count as different when they are missing (read as empty).
uint8_t Yes_Flag(const std::string& text, uint8_t bit) { return text == "Y" ? bit : 0; }
uint8_t Conversion(const std::string& text) { return text == "ItoF/FtoI" ? 1 : 0; }

TIEC61850_Variable Read_Variable(const Client_Variable& item) {
  TIEC61850_Variable v;
  v.bType = item[DA_Col::bType];
  // The device keeps two bytes of the functional constraint: the low byte of each of its first
  // two characters, zero where the text is shorter.
  std::string fc = util::Low_Bytes(item[DA_Col::fc]);
  for (size_t i = 0; i < 2 && i < fc.size(); ++i) v.fc[i] = static_cast<uint8_t>(fc[i]);
  v.reference = item[DA_Col::Reference];
  v.hostname = item[DA_Col::IPAddress];
  v.tcpPort = static_cast<uint16_t>(Int(item[DA_Col::Port], 0));
  v.options = Yes_Flag(item[DA_Col::OnChange], Option_On_Change) |
              Yes_Flag(item[DA_Col::OnCMD], Option_On_CMD) |
              Yes_Flag(item[DA_Col::OnTimer], Option_On_Timer);
  v.time = static_cast<uint32_t>(Int(item[DA_Col::Time], 1000));
  v.position = static_cast<uint16_t>(Int(item[DA_Col::Position], 0));
  v.bit_address = static_cast<uint8_t>(Int(item[DA_Col::StartBit], 0));
  v.rw = item[DA_Col::ReadWrite] == "Read" ? 0 : 1;
  v.conversion = Conversion(item[DA_Col::Convertion]);
  v.moltFactor = Molt_Fact(item[DA_Col::MoltFact]);
  return v;
}

TIEC61850_Variable_DS Read_Member(const Client_Member& item) {
  TIEC61850_Variable_DS m;
  m.bType = item[Var_Col::bType];
  m.reference = item[Var_Col::Reference];
  m.position = static_cast<uint16_t>(Int(item[Var_Col::Position], 0));
  m.bitAddress = static_cast<uint8_t>(Int(item[Var_Col::StartBit], 0));
  m.conversion = Conversion(item[Var_Col::Convertion]);
  m.moltFactor = Molt_Fact(item[Var_Col::MultFact]);
  return m;
}

TDataSet Read_DataSet(const Client_Data_Set& item, const std::string& file,
                      const lang::Lang_Strings& texts) {
  TDataSet d;
  d.options = Option_On_Timer;
  d.tcpPort = static_cast<uint16_t>(Int(item[DS_Col::Port], 0));
  d.enGoose = item[DS_Col::EnGoose] == "Y" ? 1 : 0;
  d.time = static_cast<uint32_t>(Int(item[DS_Col::Time], 1000));
  d.goose_name = item[DS_Col::GooseName];
  d.reference = item[DS_Col::Reference];
  d.hostname = item[DS_Col::IPAddress];

  if (item.Members.size() > Max_DataSet_Members)
    throw Image_Error(
        file + texts[access_strings::Text_Client_Line] + std::to_string(item.Line) + ": " +
        texts[image_strings::Text_Too_Many_Members] + std::to_string(item.Members.size()) +
        texts[image_strings::Text_Too_Many_Members_2] + std::to_string(Max_DataSet_Members) + ".");
  d.nVariable = static_cast<uint8_t>(item.Members.size());
  d.VariableList.reserve(item.Members.size());
  for (const Client_Member& member : item.Members) d.VariableList.push_back(Read_Member(member));
  return d;
}

// Reads both lists of the client file through its one reader; the tables are left alone when
// anything is wrong.
void Read_Lists(TIEC61850_Client& Client_Tables, const std::string& xml,
                const std::string& IEC_Client_File, const lang::Lang_Strings& texts) {
  const UIEC_61850_Access::Client_File_Data data = UIEC_61850_Access::Read_Client_Data(
      xml, IEC_Client_File, UIEC_61850_Access::Client_Reading::Image, texts);

  std::vector<TIEC61850_Variable> variables;
  variables.reserve(data.Variables.size());
  for (const Client_Variable& item : data.Variables) variables.push_back(Read_Variable(item));

  std::vector<TDataSet> data_sets;
  data_sets.reserve(data.Data_Sets.size());
  for (const Client_Data_Set& item : data.Data_Sets)
    data_sets.push_back(Read_DataSet(item, IEC_Client_File, texts));

  Client_Tables.VariableList = std::move(variables);
  Client_Tables.nVariable = static_cast<int32_t>(Client_Tables.VariableList.size());
  Client_Tables.DataSetList = std::move(data_sets);
  Client_Tables.nDataSet = static_cast<int32_t>(Client_Tables.DataSetList.size());
}

// The device's bytes for a text: the low byte of each UTF-16 code unit, zero-terminated.
std::string Device_Text(const std::string& text) { return util::Low_Bytes(text) + '\0'; }

uint64_t Device_Text_Size(const std::string& text) { return util::Utf8_To_Utf16(text).size() + 1; }

// Calls f on every pooled text with its address field, in the order of the string pool.
template <typename Tables, typename F>
void For_Each_Text(Tables& t, F f) {
  for (auto& v : t.VariableList) {
    f(v.bType, v.bType_Add);
    f(v.hostname, v.hostname_Add);
    f(v.reference, v.reference_Add);
  }
  for (auto& d : t.DataSetList) {
    f(d.goose_name, d.goose_name_Add);
    f(d.reference, d.reference_Add);
    f(d.hostname, d.hostname_Add);
  }
  for (auto& d : t.DataSetList)
    for (auto& m : d.VariableList) {
      f(m.bType, m.bType_Add);
      f(m.reference, m.reference_Add);
    }
}

}  // namespace

void Reset_Client_Tables(TIEC61850_Client& Client_Tables) { Client_Tables = TIEC61850_Client{}; }

void Load_Client_Tables(TIEC61850_Client& Client_Tables, const std::string& IEC_Client_File,
                        uint32_t base, const lang::Lang_Strings& texts) {
  // Anything in the file's place that is not a readable file stops the build (Read_File).
  if (util::Path_Present(IEC_Client_File))
    Read_Lists(Client_Tables, util::Read_File(IEC_Client_File), IEC_Client_File, texts);
  Assign_Client_Tables_Addresses(Client_Tables, base);
}

void Load_Client_Tables_Text(TIEC61850_Client& Client_Tables, const std::string& xml,
                             const std::string& name, uint32_t base,
                             const lang::Lang_Strings& texts) {
  Read_Lists(Client_Tables, xml, name, texts);
  Assign_Client_Tables_Addresses(Client_Tables, base);
}

void Assign_Client_Tables_Addresses(TIEC61850_Client& Client_Tables, uint32_t base) {
  TIEC61850_Client& t = Client_Tables;
  // Kept in 64 bits so that tables too large for the device cannot wrap around; the writer
  // refuses them.
  uint64_t c = base;
  t.Variable_Add = static_cast<uint32_t>(c + Header_Size);
  c += Header_Size + uint64_t{Variable_Record_Size} * t.VariableList.size();
  t.DataSet_Add = static_cast<uint32_t>(c);
  c += uint64_t{DataSet_Record_Size} * t.DataSetList.size();
  for (TDataSet& d : t.DataSetList) {
    d.VariableList_Add = static_cast<uint32_t>(c);
    c += uint64_t{Member_Record_Size} * d.VariableList.size();
  }
  For_Each_Text(t, [&](const std::string& text, uint32_t& address) {
    address = static_cast<uint32_t>(c);
    c += Device_Text_Size(text);
  });
}

size_t Client_Tables_Length(const TIEC61850_Client& Client_Tables) {
  const TIEC61850_Client& t = Client_Tables;
  uint64_t length = Header_Size + uint64_t{Variable_Record_Size} * t.VariableList.size() +
                    uint64_t{DataSet_Record_Size} * t.DataSetList.size();
  for (const TDataSet& d : t.DataSetList)
    length += uint64_t{Member_Record_Size} * d.VariableList.size();
  For_Each_Text(
      t, [&](const std::string& text, const uint32_t&) { length += Device_Text_Size(text); });
  return static_cast<size_t>(length);
}

int32_t Write_Client_Tables(const TIEC61850_Client& Client_Tables, int32_t pos,
                            std::span<uint8_t> buffer, int32_t limit,
                            const lang::Lang_Strings& texts) {
  const TIEC61850_Client& t = Client_Tables;
  const uint64_t length = Client_Tables_Length(t);
  const int64_t end = static_cast<int64_t>(pos) + static_cast<int64_t>(length);
  if (pos < 0 || end - 1 > limit || end > static_cast<int64_t>(buffer.size()))
    throw Image_Error(
        util::Fill_Text(texts[image_strings::Text_Client_Tables_No_Room],
                        {std::to_string(length), std::to_string(int64_t{limit} - pos + 1)}));

  size_t p = static_cast<size_t>(pos);
  Put_U32(buffer, p + 0, static_cast<uint32_t>(t.nVariable));
  Put_U32(buffer, p + 4, static_cast<uint32_t>(t.nDataSet));
  Put_U32(buffer, p + 8, static_cast<uint32_t>(t.vLan));
  Put_U32(buffer, p + 12, static_cast<uint32_t>(t.appID));
  Put_U32(buffer, p + 16, t.Variable_Add);
  Put_U32(buffer, p + 20, t.DataSet_Add);
  p += Header_Size;

  for (const TIEC61850_Variable& v : t.VariableList) {
    Put_U8(buffer, p + 0, v.fc[0]);
    Put_U8(buffer, p + 1, v.fc[1]);
    Put_U8(buffer, p + 2, v.rw);
    Put_U8(buffer, p + 3, v.bit_address);
    Put_U8(buffer, p + 4, v.options);
    Put_U8(buffer, p + 5, v.conversion);
    Put_U8(buffer, p + 6, v.spare[0]);
    Put_U8(buffer, p + 7, v.spare[1]);
    Put_U16(buffer, p + 8, v.position);
    Put_U16(buffer, p + 10, v.tcpPort);
    Put_U32(buffer, p + 12, v.time);
    Put_Float(buffer, p + 16, v.moltFactor);
    Put_U32(buffer, p + 20, v.bType_Add);
    Put_U32(buffer, p + 24, v.hostname_Add);
    Put_U32(buffer, p + 28, v.reference_Add);
    p += Variable_Record_Size;
  }

  for (const TDataSet& d : t.DataSetList) {
    Put_U8(buffer, p + 0, d.nVariable);
    Put_U8(buffer, p + 1, d.options);
    Put_U16(buffer, p + 2, d.tcpPort);
    Put_U8(buffer, p + 4, d.enGoose);
    for (int i = 0; i < 3; ++i) Put_U8(buffer, p + 5 + i, d.spare[i]);
    Put_U32(buffer, p + 8, d.time);
    Put_U32(buffer, p + 12, d.goose_name_Add);
    Put_U32(buffer, p + 16, d.reference_Add);
    Put_U32(buffer, p + 20, d.hostname_Add);
    Put_U32(buffer, p + 24, d.VariableList_Add);
    p += DataSet_Record_Size;
  }

  for (const TDataSet& d : t.DataSetList)
    for (const TIEC61850_Variable_DS& m : d.VariableList) {
      Put_U16(buffer, p + 0, m.position);
      Put_U8(buffer, p + 2, m.bitAddress);
      Put_U8(buffer, p + 3, m.conversion);
      Put_Float(buffer, p + 4, m.moltFactor);
      Put_U32(buffer, p + 8, m.bType_Add);
      Put_U32(buffer, p + 12, m.reference_Add);
      p += Member_Record_Size;
    }

  For_Each_Text(t, [&](const std::string& text, const uint32_t&) {
    std::string bytes = Device_Text(text);
    std::copy(bytes.begin(), bytes.end(), buffer.begin() + static_cast<std::ptrdiff_t>(p));
    p += bytes.size();
  });
  return static_cast<int32_t>(p);
}

}  // namespace USaveBincc
