#include "access/access_check.h"

#include <gtest/gtest.h>

#include "access/access_strings.h"
#include "app/all_texts.h"

namespace {

using namespace UIEC_61850_Access;

// A variable row that passes every check.
Row Good_Row() {
  Row row(DA_Col::Count);
  row[DA_Col::Index] = "0";
  row[DA_Col::bType] = "FLOAT32";
  row[DA_Col::IPAddress] = "127.0.0.1";
  row[DA_Col::Port] = "102";
  row[DA_Col::OnChange] = row[DA_Col::OnCMD] = row[DA_Col::OnTimer] = "N";
  row[DA_Col::Position] = "0";
  row[DA_Col::MoltFact] = "1";
  row[DA_Col::ReadWrite] = "Read";
  return row;
}

Table With_Rows(const std::vector<Row>& rows) {
  Table table(DA_Col::Count);
  for (size_t i = 0; i < rows.size(); ++i) {
    const int r = i == 0 ? 0 : table.Append();
    for (int c = 1; c < DA_Col::Count; ++c) table.Set_Cell(r, c, rows[i][c]);
  }
  return table;
}

const lang::Lang_Strings& Strings() {
  static const lang::Lang_Strings strings = lang::English_Strings();
  return strings;
}

std::string Check(const Row& row, char separator = ',') {
  return Controllo_dati(With_Rows({row}), Strings(), separator).value_or("pass");
}

const std::string IP =
    "Error row 1!! IP Address must be a valid TCP IP Address (Ex. 192.168.1.125)";
const std::string Port = "Error row 1!! Port must be between 0 and 65535";
const std::string Time = "Error row 1!! Time must be between 1 and 100000000 ms";
const std::string Position = "Error row 1!! Position must be between 0 and 1399";
const std::string Factor = "Error row 1!! Mult. Factor must be a valid Float";
const std::string Direction = "Error row 1!! R/W must be Read or Write";
const std::string StartBit = "Error row 1!! Start Bit must be between 0 and 7";
const std::string Conversion = "Error row 1!! Convertion must be None or ItoF/FtoI";

TEST(Controllo_dati, Each_Column_In_Its_Order) {
  struct Case {
    int column;
    const char* text;
    const char* on_timer;
    std::string expected;
  };
  const Case cases[] = {
      {DA_Col::IPAddress, "192.168.1.125", "N", "pass"},
      {DA_Col::IPAddress, "", "N", IP},
      {DA_Col::IPAddress, "256.1.1.1", "N", IP},
      {DA_Col::IPAddress, "1.2.3", "N", IP},
      {DA_Col::Port, "0", "N", "pass"},
      {DA_Col::Port, "65535", "N", "pass"},
      {DA_Col::Port, "65536", "N", Port},
      {DA_Col::Port, "-1", "N", Port},
      {DA_Col::Port, "", "N", Port},
      {DA_Col::Port, "0x66", "N", "pass"},
      {DA_Col::Port, "102 ", "N", Port},
      {DA_Col::Time, "0", "N", "pass"},
      {DA_Col::Time, "0", "Y", Time},
      {DA_Col::Time, "0", " Y ", Time},
      {DA_Col::Time, "1", "Y", "pass"},
      {DA_Col::Time, "100000000", "Y", "pass"},
      {DA_Col::Time, "100000001", "Y", Time},
      {DA_Col::Time, "", "Y", Time},
      {DA_Col::Time, "", "y", "pass"},
      {DA_Col::Position, "1399", "N", "pass"},
      {DA_Col::Position, "1400", "N", Position},
      {DA_Col::Position, "-1", "N", Position},
      {DA_Col::Position, "", "N", Position},
      {DA_Col::MoltFact, " none ", "N", "pass"},
      {DA_Col::MoltFact, "NoNe", "N", "pass"},
      {DA_Col::MoltFact, "1,5", "N", "pass"},
      {DA_Col::MoltFact, "1.5", "N", "pass"},
      {DA_Col::MoltFact, "-0.25", "N", "pass"},
      {DA_Col::MoltFact, "", "N", Factor},
      {DA_Col::MoltFact, "1.5.", "N", Factor},
      {DA_Col::MoltFact, "abc", "N", Factor},
      {DA_Col::ReadWrite, "Write", "N", "pass"},
      {DA_Col::ReadWrite, "", "N", Direction},
      {DA_Col::ReadWrite, "read", "N", Direction},
      {DA_Col::ReadWrite, "Write ", "N", Direction},
      {DA_Col::StartBit, "", "N", "pass"},
      {DA_Col::StartBit, "7", "N", "pass"},
      {DA_Col::StartBit, "8", "N", StartBit},
      {DA_Col::StartBit, " 1", "N", StartBit},
      {DA_Col::Convertion, "", "N", "pass"},
      {DA_Col::Convertion, "ItoF/FtoI", "N", "pass"},
      {DA_Col::Convertion, "none", "N", Conversion},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.column) + " = '" + c.text + "', On Timer '" + c.on_timer + "'");
    Row row = Good_Row();
    row[c.column] = c.text;
    row[DA_Col::OnTimer] = c.on_timer;
    EXPECT_EQ(Check(row), c.expected);
  }
}

TEST(Controllo_dati, Decimal_Separator_Of_Either_Kind) {
  Row row = Good_Row();
  for (const char* text : {"1,5", "1.5", "2"}) {
    row[DA_Col::MoltFact] = text;
    EXPECT_EQ(Check(row, '.'), "pass") << text;
    EXPECT_EQ(Check(row, ','), "pass") << text;
  }
}

TEST(Controllo_dati, First_Failing_Check_Of_First_Failing_Row_Wins) {
  Row bad_port_and_position = Good_Row();
  bad_port_and_position[DA_Col::Port] = "70000";
  bad_port_and_position[DA_Col::Position] = "5000";
  bad_port_and_position[DA_Col::ReadWrite] = "";
  EXPECT_EQ(Check(bad_port_and_position), Port);
  // The direction is checked last in its row.
  Row bad_factor_and_direction = Good_Row();
  bad_factor_and_direction[DA_Col::MoltFact] = "";
  bad_factor_and_direction[DA_Col::ReadWrite] = "";
  EXPECT_EQ(Check(bad_factor_and_direction), Factor);

  Row position_1400 = Good_Row();
  position_1400[DA_Col::Position] = "1400";
  Row no_type(DA_Col::Count);  // an attribute without basic type is never checked
  no_type[DA_Col::Index] = "0";
  const Table table = With_Rows({Good_Row(), no_type, position_1400, Row(DA_Col::Count)});
  EXPECT_EQ(Controllo_dati(table, Strings(), ','),
            "Error row 3!! Position must be between 0 and 1399");
}

TEST(Controllo_dati, Freshly_Added_Row_Fails_On_Its_Address) {
  Row fresh(DA_Col::Count);
  fresh[DA_Col::Index] = "0";
  fresh[DA_Col::bType] = "BOOLEAN";
  fresh[DA_Col::OnChange] = fresh[DA_Col::OnCMD] = fresh[DA_Col::OnTimer] = "N";
  EXPECT_EQ(Check(fresh), IP);
  EXPECT_FALSE(Controllo_dati(Table(DA_Col::Count), Strings(), ',').has_value());
}

TEST(Controllo_dati, Messages_Follow_The_Language) {
  lang::Lang_Strings strings = lang::English_Strings();
  strings.Set(access_strings::Text_Error_Row, "Errore riga ");
  strings.Set(access_strings::Text_Row_Bad_Position, " Posizione 0..");
  Row row = Good_Row();
  row[DA_Col::Position] = "2000";
  EXPECT_EQ(Controllo_dati(With_Rows({row}), strings, ','), "Errore riga 1 Posizione 0..1399");
}

// OK checks the members of every data set row after the variable rows, as it checks a variable's
// position, start bit, factor and conversion.
TEST(Controllo_dati, Members_Like_Variable_Rows) {
  Access_State state;
  state.ACG_DA = With_Rows({Good_Row()});
  state.ACG_DataSet.Set_Cell(0, DS_Col::Index, "0");
  state.ACG_DataSet.Set_Cell(state.ACG_DataSet.Append(), DS_Col::Index, "0");
  TDataSet_DA good;
  good.Position = "1399";
  good.multFactor = " none ";
  good.bitAddress = "7";
  state.List_DataSet.resize(2);
  state.List_DataSet[0].List_DAs = {good};
  state.List_DataSet[1].List_DAs = {good, good};
  EXPECT_FALSE(Controllo_dati(state, Strings(), ',').has_value());

  const std::string prefix = "Error data set row 2 member 2";
  const struct {
    std::string TDataSet_DA::*field;
    const char* text;
    std::string expected;
  } cases[] = {
      {&TDataSet_DA::Position, "", prefix + "!! Position must be between 0 and 1399"},
      {&TDataSet_DA::Position, "1400", prefix + "!! Position must be between 0 and 1399"},
      {&TDataSet_DA::Position, "abc", prefix + "!! Position must be between 0 and 1399"},
      {&TDataSet_DA::Position, "65536", prefix + "!! Position must be between 0 and 1399"},
      {&TDataSet_DA::bitAddress, "8", prefix + "!! Start Bit must be between 0 and 7"},
      {&TDataSet_DA::multFactor, "x1", prefix + "!! Mult. Factor must be a valid Float"},
      {&TDataSet_DA::multFactor, "", prefix + "!! Mult. Factor must be a valid Float"},
      {&TDataSet_DA::conversion, "FtoI", prefix + "!! Convertion must be None or ItoF/FtoI"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TDataSet_DA& member = state.List_DataSet[1].List_DAs[1];
    const std::string kept = member.*c.field;
    member.*c.field = c.text;
    EXPECT_EQ(Controllo_dati(state, Strings(), ',').value_or("pass"), c.expected);
    member.*c.field = kept;
  }

  // The variable rows come first.
  state.List_DataSet[0].List_DAs[0].Position = "";
  EXPECT_EQ(Controllo_dati(state, Strings(), ',').value_or("pass"),
            "Error data set row 1 member 1!! Position must be between 0 and 1399");
  state.ACG_DA.Set_Cell(0, DA_Col::Port, "");
  EXPECT_EQ(Controllo_dati(state, Strings(), ',').value_or("pass"), Port);
}

}  // namespace
