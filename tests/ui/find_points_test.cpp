// Finding and adding points fast in the access editor: several IEDs of one SCL file through the
// chooser, the tree filter, several attributes at once, addresses from the SCL file, and
// fill-down, copy and paste in the tables. Driven with real clicks and keystrokes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeView>
#include <cstdio>

#include "access/access_strings.h"
#include "access_ui/access_window.h"
#include "access_ui/ied_chooser_dialog.h"
#include "access_ui/selection_grid_qt.h"
#include "access_ui/tree_filter_qt.h"
#include "scl/ied_catalog.h"
#include "support/access_editor.h"
#include "support/check_report.h"
#include "support/configurator.h"
#include "support/recording_messages.h"
#include "support/table_text.h"
#include "support/test_support.h"
#include "support/user_input.h"
#include "util/files.h"

namespace {

using namespace UIEC_61850_Access;

std::string Scl_Fixture(const std::string& name) {
  return test::Data_Dir() + "/scl/fixtures/" + name;
}

struct Find_Points : test::Access_Editor {
  void SetUp() override {
    Access_Editor::SetUp();
    ASSERT_TRUE(Open_Editor());
  }
  // The first IED of model.icd (it holds two), chosen in the server list.
  void Show_Model() {
    window->Choose_IEDs = [](const std::string&, const std::vector<IED_Info>&) {
      return std::vector<size_t>{0};
    };
    // The file's faults (it is the import's fixture of them) are shown first.
    test::On_Check_Report([](TFCheck_Report& report) { test::Click(report.Btn_Go_On); });
    Add_Server(Scl_Fixture("model.icd"));
    QApplication::setActiveWindow(window.get());  // back from the report, as the desktop does
    Choose_Server(window->LB_IEC_Devices->count() - 1);
  }
  void Type_Filter(const char* text) { test::Retype(window->Tree_Filter->E_Tree_Filter, text); }
  // Every node of the tree, in tree order, as "text" indented by depth; matches marked "*",
  // expanded nodes "+".
  std::string Tree() const {
    std::string out;
    std::function<void(test::Tree_Item, int)> walk = [&](test::Tree_Item item, int depth) {
      out += std::string(static_cast<size_t>(depth), ' ') + item->text(0).toStdString();
      if (item->background(0).style() != Qt::NoBrush) out += "*";
      if (item->childCount() > 0 && item->isExpanded()) out += "+";
      out += "\n";
      for (int c = 0; c < item->childCount(); ++c) walk(item->child(c), depth + 1);
    };
    for (int i = 0; i < test::Top_Count(window->TV_IEC_Device); ++i)
      walk(test::Top(window->TV_IEC_Device, i), 0);
    return out;
  }
  test::Tree_Item Find(const QString& text) const {
    const auto found = test::Find_Items(window->TV_IEC_Device, text);
    return found.empty() ? nullptr : found.front();
  }
  void Click_Node(const QString& text, Qt::KeyboardModifiers modifiers = {}) {
    test::Tree_Item item = Find(text);
    ASSERT_NE(item, nullptr) << text.toStdString();
    test::Click_Item(window->TV_IEC_Device, item, modifiers);
  }
  std::string Cell(int row, int column) const { return window->State().ACG_DA.Cell(row, column); }
  // A click on a cell of `grid` (columns are the table's own numbers, DA_Col).
  static void Click_Cell(Selection_Grid* grid, int row, int column,
                         Qt::KeyboardModifiers modifiers = {}) {
    test::Click_Cell(grid, row, column - 1, modifiers);
  }
};

// ---------------------------------------------------------------------------------------------
// Several IEDs in one file

TEST(Ied_Chooser, Lists_Every_Ied_And_Returns_The_Picked_Rows) {
  const std::vector<IED_Info> ieds = {{"P1", "Maker", "Relay", "Feeder", "10.0.0.1", true},
                                      {"P2", "", "", "", "", false},
                                      {"P3", "", "", "", "10.0.0.3", true}};
  TFIED_Chooser chooser("plant.scd", ieds, test::English());
  chooser.show();
  ASSERT_EQ(chooser.SG_IEDs->rowCount(), 3);
  EXPECT_EQ(chooser.SG_IEDs->item(0, 4)->text(), "10.0.0.1");
  EXPECT_EQ(chooser.SG_IEDs->item(0, 5)->text(), test::Table_Text(access_strings::Text_Yes));
  EXPECT_EQ(chooser.SG_IEDs->item(1, 5)->text(), test::Table_Text(access_strings::Text_No));
  EXPECT_NE(chooser.SG_IEDs->item(1, 0)->foreground().color(),
            chooser.SG_IEDs->item(0, 0)->foreground().color());
  EXPECT_TRUE(chooser.L_Prompt->text().contains("plant.scd"));
  // Nothing chosen yet: the first row is current but not taken until clicked.
  chooser.SG_IEDs->clearSelection();
  EXPECT_FALSE(chooser.Btn_OK->isEnabled());
  QTableWidget* grid = chooser.SG_IEDs;
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                    grid->visualItemRect(grid->item(2, 0)).center());
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier,
                    grid->visualItemRect(grid->item(0, 1)).center());
  EXPECT_TRUE(chooser.Btn_OK->isEnabled());
  EXPECT_EQ(chooser.Chosen(), (std::vector<size_t>{0, 2}));
  // Select all leaves P2 out: it has no server.
  QTest::mouseClick(chooser.Btn_Select_All, Qt::LeftButton);
  EXPECT_EQ(chooser.Chosen(), (std::vector<size_t>{0, 2}));
}

TEST_F(Find_Points, Add_IEC_Device_Offers_The_Ieds_Of_A_File_With_Several) {
  chosen = Scl_Fixture("multi.scd");
  // Picks P1, then Ctrl+clicks A/B, which has no server: it is greyed out, says why, and stays
  // out of the choice.
  QString refusal;
  test::While_Modal([&refusal] {
    auto* chooser = qobject_cast<TFIED_Chooser*>(QApplication::activeModalWidget());
    if (chooser == nullptr) return;
    QTableWidget* grid = chooser->SG_IEDs;
    EXPECT_EQ(grid->rowCount(), 4);
    refusal = grid->item(2, 0)->toolTip();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualItemRect(grid->item(0, 0)).center());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      grid->visualItemRect(grid->item(2, 0)).center());
    EXPECT_EQ(chooser->Chosen(), (std::vector<size_t>{0}));
    QTest::mouseClick(chooser->Btn_OK, Qt::LeftButton);
  });
  QTest::mouseClick(window->Btn_Add_IEC_Device, Qt::LeftButton);
  EXPECT_TRUE(refusal.contains("no server")) << refusal.toStdString();
  EXPECT_EQ(Servers(), (std::vector<std::string>{"P1"}));
  EXPECT_TRUE(util::File_Exists(Catalog("multi_P1.scd")));
  EXPECT_FALSE(util::File_Exists(Catalog("multi_A_B.scd")));
  EXPECT_FALSE(util::File_Exists(Catalog("multi.scd")));
  EXPECT_TRUE(messages.shown.empty());

  // Cancel in the chooser adds nothing.
  test::While_Modal([] {
    if (auto* chooser = qobject_cast<TFIED_Chooser*>(QApplication::activeModalWidget()))
      QTest::mouseClick(chooser->Btn_Cancel, Qt::LeftButton);
  });
  QTest::mouseClick(window->Btn_Add_IEC_Device, Qt::LeftButton);
  EXPECT_EQ(Servers().size(), 1u);

  // Adding P1 again: its catalog file is taken and the user keeps it.
  messages.answers = {ui::Messages::Answer::No};  // P1's file is taken: keep it
  window->Choose_IEDs = [](const std::string&, const std::vector<IED_Info>&) {
    return std::vector<size_t>{0};
  };
  QTest::mouseClick(window->Btn_Add_IEC_Device, Qt::LeftButton);
  EXPECT_EQ(Servers(), (std::vector<std::string>{"P1", "P1"}));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, "question");
}

// Clicks the given rows of the chooser that opens (Ctrl for the second and later), then Add.
void Pick_In_Chooser(std::vector<int> rows) {
  test::While_Modal([rows] {
    auto* chooser = qobject_cast<TFIED_Chooser*>(QApplication::activeModalWidget());
    if (chooser == nullptr) return;
    QTableWidget* grid = chooser->SG_IEDs;
    for (size_t i = 0; i < rows.size(); ++i)
      QTest::mouseClick(grid->viewport(), Qt::LeftButton,
                        i == 0 ? Qt::KeyboardModifiers() : Qt::ControlModifier,
                        grid->visualItemRect(grid->item(rows[i], 0)).center());
    QTest::mouseClick(chooser->Btn_OK, Qt::LeftButton);
  });
}

// "a/b" and "a\b" make the same catalog name: the second IED gets a numbered file of its own,
// and adding it again asks about that file, naming it and the IED.
TEST_F(Find_Points, Ieds_Whose_Names_Make_The_Same_File_Name_Get_Files_Of_Their_Own) {
  const std::string server = "'><AccessPoint name='A'><Server><LDevice inst='";
  test::Write(dir / "s.scd", "<SCL><IED name='a/b" + server + "X'/></Server></AccessPoint></IED>" +
                                 "<IED name='a\\b" + server +
                                 "Y'/></Server></AccessPoint></IED><DataTypeTemplates/></SCL>");
  chosen = dir / "s.scd";
  Pick_In_Chooser({0, 1});
  QTest::mouseClick(window->Btn_Add_IEC_Device, Qt::LeftButton);
  EXPECT_EQ(Servers(), (std::vector<std::string>{"a/b", "a\\b"}));
  EXPECT_TRUE(messages.shown.empty());
  const auto& devices = window->State().List_IEC_Dev;
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0]->FileName(), "s_a_b.scd");
  EXPECT_EQ(devices[1]->FileName(), "s_a_b_2.scd");
  EXPECT_EQ(devices[1]->List_LDevice.at(0)->Name(), "Y");  // its own file, not the first's
  EXPECT_EQ(UIEC_Client_Decode::List_IEDs(Catalog("s_a_b.scd")).at(0).name, "a/b");
  EXPECT_EQ(UIEC_Client_Decode::List_IEDs(Catalog("s_a_b_2.scd")).at(0).name, "a\\b");

  messages.answers = {ui::Messages::Answer::No};
  Pick_In_Chooser({1});
  QTest::mouseClick(window->Btn_Add_IEC_Device, Qt::LeftButton);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text,
            "File s_a_b_2.scd (IED \"a\\b\") already exists in catalog directory. Do you want "
            "to overwrite file?");
  ASSERT_EQ(devices.size(), 3u);
  EXPECT_EQ(devices[2]->Name(), "a\\b");
  EXPECT_EQ(devices[2]->FileName(), "s_a_b_2.scd");
  EXPECT_FALSE(util::File_Exists(Catalog("s_a_b_3.scd")));
}

// An IED whose name holds a control character cannot be chosen: its row is grey, says why, and
// neither a click nor Select All takes it. Every file written is accepted by another parser.
TEST_F(Find_Points, An_Ied_Name_Xml_Cannot_Hold_Cannot_Be_Chosen) {
  const std::string server = "'><AccessPoint name='A'><Server/></AccessPoint></IED>";
  test::Write(dir / "c.scd", "<SCL><IED name='good" + server + "<IED name='bad&#1;" + server +
                                 "<IED name='fine" + server + "<DataTypeTemplates/></SCL>");
  chosen = dir / "c.scd";
  test::While_Modal([] {
    auto* chooser = qobject_cast<TFIED_Chooser*>(QApplication::activeModalWidget());
    if (chooser == nullptr) return;
    QTableWidget* grid = chooser->SG_IEDs;
    EXPECT_EQ(grid->item(1, 0)->toolTip().toStdString(),
              test::English()[access_strings::Text_Chooser_Name_Not_Xml]);
    EXPECT_EQ(grid->item(0, 0)->toolTip(), "");
    EXPECT_NE(grid->item(1, 0)->foreground().color(), grid->item(0, 0)->foreground().color());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualItemRect(grid->item(1, 0)).center());
    EXPECT_EQ(chooser->Chosen(), (std::vector<size_t>{0}));  // the first row stays chosen
    QTest::mouseClick(chooser->Btn_Select_All, Qt::LeftButton);
    EXPECT_EQ(chooser->Chosen(), (std::vector<size_t>{0, 2}));
    QTest::mouseClick(chooser->Btn_OK, Qt::LeftButton);
  });
  QTest::mouseClick(window->Btn_Add_IEC_Device, Qt::LeftButton);
  EXPECT_EQ(Servers(), (std::vector<std::string>{"good", "fine"}));
  EXPECT_TRUE(messages.shown.empty());
  for (const char* file : {"c_good.scd", "c_fine.scd"}) {
    const test::Run_Result lint = test::Run_Program("xmllint", {"--noout", Catalog(file)});
    EXPECT_EQ(lint.status, 0) << file << ": " << lint.err;
  }

  // A file whose one IED has such a name is refused with a message; nothing is copied.
  test::Write(dir / "one.icd", "<SCL><IED name='x&#27;y'/><DataTypeTemplates/></SCL>");
  chosen = dir / "one.icd";
  QTest::mouseClick(window->Btn_Add_IEC_Device, Qt::LeftButton);
  EXPECT_EQ(Servers().size(), 2u);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, "error");
  EXPECT_NE(messages.shown[0].text.find("control character"), std::string::npos);
  EXPECT_FALSE(util::Path_Present(Catalog("one.icd")));
}

TEST_F(Find_Points, Fifteen_Ieds_All_At_Once) {
  std::string text = "<SCL>";
  for (int i = 1; i <= 15; ++i)
    text += "<IED name='IED" + std::to_string(i) +
            "'><AccessPoint name='A'><Server><LDevice inst='LD0'/></Server></AccessPoint></IED>";
  test::Write(dir / "station.scd", text + "<DataTypeTemplates/></SCL>");
  chosen = dir / "station.scd";
  test::While_Modal([] {
    auto* chooser = qobject_cast<TFIED_Chooser*>(QApplication::activeModalWidget());
    if (chooser == nullptr) return;
    EXPECT_EQ(chooser->SG_IEDs->rowCount(), 15);
    QTest::mouseClick(chooser->Btn_Select_All, Qt::LeftButton);
    QTest::mouseClick(chooser->Btn_OK, Qt::LeftButton);
  });
  QTest::mouseClick(window->Btn_Add_IEC_Device, Qt::LeftButton);
  ASSERT_EQ(Servers().size(), 15u);
  EXPECT_EQ(Servers()[14], "IED15");
  EXPECT_TRUE(util::File_Exists(Catalog("station_IED15.scd")));
  EXPECT_EQ(window->State().List_IEC_Dev[14]->List_LDevice.size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// Tree filter

// A server with hundreds of thousands of objects shows at once: the tree holds its logical
// devices, nodes, their data objects and data sets, and builds what lies below a data object
// when it is expanded.
TEST_F(Find_Points, A_Large_Model_Shows_Without_Building_Every_Node) {
  constexpr int LNs = 300, DOs = 40, DAs = 10, BDAs = 4;
  std::string text = "<SCL><IED name='Big'><AccessPoint name='A'><Server><LDevice inst='LD'>";
  for (int i = 0; i < LNs; ++i)
    text += "<LN lnClass='GGIO' inst='" + std::to_string(i) + "' lnType='N'/>";
  text += "</LDevice></Server></AccessPoint></IED><DataTypeTemplates><LNodeType id='N'>";
  for (int i = 0; i < DOs; ++i) text += "<DO name='d" + std::to_string(i) + "' type='D'/>";
  text += "</LNodeType><DOType id='D'>";
  for (int i = 0; i < DAs; ++i)
    text += "<DA name='a" + std::to_string(i) + "' fc='MX' bType='Struct' type='T'/>";
  text += "</DOType><DAType id='T'>";
  for (int i = 0; i < BDAs; ++i) text += "<BDA name='b" + std::to_string(i) + "' bType='INT32'/>";
  test::Write(dir / "big.icd", text + "</DAType></DataTypeTemplates></SCL>");
  chosen = dir / "big.icd";
  QTest::mouseClick(window->Btn_Add_IEC_Device, Qt::LeftButton);
  ASSERT_EQ(Servers(), (std::vector<std::string>{"Big"}));

  Choose_Server(0);
  auto items = [this] { return static_cast<int>(test::All_Items(window->TV_IEC_Device).size()); };
  EXPECT_EQ(items(), 2 + LNs + LNs * DOs);  // of 612,000 objects

  // Expanding a data object, then one of its attributes, builds their children.
  test::Tree_Item dobj = test::Top(window->TV_IEC_Device, 0)->child(0)->child(7)->child(3);
  ASSERT_EQ(dobj->text(0), "d3");
  test::Click_Item(window->TV_IEC_Device, dobj);
  QTest::keyClick(window->TV_IEC_Device, Qt::Key_Right);
  ASSERT_EQ(dobj->childCount(), DAs);
  test::Click_Item(window->TV_IEC_Device, dobj->child(2));
  QTest::keyClick(window->TV_IEC_Device, Qt::Key_Right);
  ASSERT_EQ(dobj->child(2)->childCount(), BDAs);
  EXPECT_EQ(dobj->child(2)->child(1)->toolTip(0).toStdString(),
            "Reference: BigLD/GGIO7.d3.a2.b1\nFC: MX\nbType: INT32");
  EXPECT_EQ(items(), 2 + LNs + LNs * DOs + DAs + BDAs);
}

// A file whose types nest deeper than the import allows is refused with a message at once.
TEST_F(Find_Points, A_Too_Deep_File_Is_Refused_With_A_Message) {
  std::string text =
      "<SCL><IED name='Deep'><AccessPoint name='A'><Server><LDevice inst='LD'><LN lnClass='GGIO' "
      "inst='1' lnType='N'/></LDevice></Server></AccessPoint></IED><DataTypeTemplates>"
      "<LNodeType id='N'><DO name='d' type='D'/></LNodeType><DOType id='D'><DA name='a' "
      "fc='ST' bType='Struct' type='T0'/></DOType>";
  // A well-formed chain (its last type ends in a plain attribute), so the check finds nothing
  // and only the depth stops the import.
  for (int i = 0; i < 300'000; ++i)
    text += "<DAType id='T" + std::to_string(i) + "'><BDA name='b' bType='Struct' type='T" +
            std::to_string(i + 1) + "'/></DAType>";
  text += "<DAType id='T300000'><BDA name='b' bType='INT32'/></DAType>";
  test::Write(dir / "deep.icd", text + "</DataTypeTemplates></SCL>");
  chosen = dir / "deep.icd";
  QTest::mouseClick(window->Btn_Add_IEC_Device, Qt::LeftButton);
  EXPECT_TRUE(Servers().empty());
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, "error");
  EXPECT_NE(
      messages.shown[0].text.find("more than 64 levels deep below a data object (type \"T63\")"),
      std::string::npos)
      << messages.shown[0].text;
}

TEST_F(Find_Points, Filter_By_Name_Reference_And_Fc_Then_Clear) {
  Show_Model();
  const std::string full = Tree();
  Type_Filter("TOTW.mag.F");
  EXPECT_EQ(Tree(), "IED1+\n LD0+\n  MMXU1+\n   TotW+\n    mag+\n     f*\n");
  EXPECT_EQ(window->Tree_Filter->L_Tree_Matches->text(),
            test::Table_Text(access_strings::Text_One_Match));
  EXPECT_TRUE(window->Tree_Filter->L_Tree_Matches->isVisible());

  Type_Filter("q0xcbr1.trip");  // a data set's reference
  EXPECT_EQ(Tree(), "IED1+\n LD0+\n  Q0XCBR1+\n   Trip*\n");

  // The FC list offers the server's constraints; the second below "All FC" is CO.
  Type_Filter("");
  QComboBox* fc = window->Tree_Filter->CB_Tree_FC;
  EXPECT_EQ(fc->count(), 7);
  QTest::keyClick(fc, Qt::Key_Down);
  QTest::keyClick(fc, Qt::Key_Down);
  EXPECT_EQ(fc->currentText(), "CO");
  EXPECT_EQ(Tree(),
            "IED1+\n LD0+\n  Q0XCBR1+\n   Pos+\n    Oper+\n     ctlVal*\n     origin+\n"
            "      orCat*\n      orIdent*\n");
  test::Tree_Item ctl = Find("ctlVal");
  ASSERT_NE(ctl, nullptr);
  EXPECT_EQ(ctl->toolTip(0).toStdString(),
            "Reference: IED1LD0/Q0XCBR1.Pos.Oper.ctlVal\nFC: CO\nbType: BOOLEAN");

  // Back to all FCs and no text: the tree as it was.
  QTest::keyClick(fc, Qt::Key_Home);
  EXPECT_EQ(Tree(), full);
  EXPECT_FALSE(window->Tree_Filter->L_Tree_Matches->isVisible());
}

// ---------------------------------------------------------------------------------------------
// Several attributes at once; addresses from the SCL file

TEST_F(Find_Points, Add_Var_Adds_Every_Selected_Leaf_In_Tree_Order) {
  Show_Model();
  Type_Filter("oper");
  Click_Node("orIdent");
  Click_Node("ctlVal", Qt::ControlModifier);
  Click_Node("origin", Qt::ControlModifier);  // structured: adds nothing
  QTest::mouseClick(window->Btn_AddVar, Qt::LeftButton);
  ASSERT_EQ(window->State().ACG_DA.Row_Count(), 2);
  EXPECT_EQ(Cell(0, DA_Col::Reference), "IED1LD0/Q0XCBR1.Pos.Oper.ctlVal");
  EXPECT_EQ(Cell(1, DA_Col::Reference), "IED1LD0/Q0XCBR1.Pos.Oper.origin.orIdent");
  EXPECT_EQ(Cell(1, DA_Col::fc), "CO");
  EXPECT_EQ(Cell(1, DA_Col::OnTimer), "N");
  EXPECT_EQ(Cell(1, DA_Col::IPAddress), "");
  EXPECT_EQ(window->ACG_DA->rowCount(), 2);

  // One attribute selected: the editor's single add, unchanged.
  Click_Node("T");
  QTest::mouseClick(window->Btn_AddVar, Qt::LeftButton);
  EXPECT_EQ(Cell(2, DA_Col::Reference), "IED1LD0/Q0XCBR1.Pos.Oper.T");

  // A data set among the selected nodes becomes a data set row with its members.
  Type_Filter("lln0");
  Click_Node("Measures");
  Click_Node("stVal", Qt::ControlModifier);
  QTest::mouseClick(window->Btn_AddVar, Qt::LeftButton);
  ASSERT_EQ(window->State().ACG_DA.Row_Count(), 4);
  EXPECT_EQ(Cell(3, DA_Col::Reference), "IED1LD0/LLN0.Mod.stVal");
  ASSERT_EQ(window->State().ACG_DataSet.Row_Count(), 1);
  EXPECT_EQ(window->State().ACG_DataSet.Cell(0, DS_Col::Reference), "IED1LD0/LLN0.Measures");
  EXPECT_EQ(window->ACG_DataSet->rowCount(), 1);
  EXPECT_EQ(window->PC_DA_DataSet->currentWidget(), window->TS_DataSet);
}

TEST_F(Find_Points, Address_From_Scl_Option_Fills_Ip_And_Port) {
  for (const bool on : {false, true}) {
    SCOPED_TRACE(on);
    test::Click(window->Btn_Cancel);  // closes the editor; the changes of the first round go
    ASSERT_TRUE(Open_Editor());
    // The box beside Add Var sets the option.
    if (window->CB_Address_From_SCL->isChecked() != on) test::Click(window->CB_Address_From_SCL);
    EXPECT_EQ(ctx.Address_From_SCL, on);
    Show_Model();
    Type_Filter("q0xcbr1.pos.stval");
    Click_Node("stVal");
    QTest::mouseClick(window->Btn_AddVar, Qt::LeftButton);
    Type_Filter("lln0.measures");
    Click_Node("Measures");
    QTest::mouseClick(window->Btn_AddVar, Qt::LeftButton);
    EXPECT_EQ(Cell(0, DA_Col::IPAddress), on ? "10.0.0.1" : "");
    EXPECT_EQ(Cell(0, DA_Col::Port), on ? "102" : "");
    EXPECT_EQ(window->State().ACG_DataSet.Cell(0, DS_Col::IPAddress), on ? "10.0.0.1" : "");
    EXPECT_EQ(window->State().ACG_DataSet.Cell(0, DS_Col::Port), on ? "102" : "");
    EXPECT_EQ(window->ACG_DA->Text(0, DA_Col::IPAddress), on ? "10.0.0.1" : "");
  }
}

// A server whose file gives it no address leaves the address cells empty; a catalog file that
// cannot be read any more says why, and the row is still added.
TEST_F(Find_Points, Address_From_Scl_Without_An_Address_Or_A_File) {
  ctx.Address_From_SCL = true;
  window->Check_Scl = nullptr;  // the small files lack what a check asks for
  for (const char* ied : {"Bare", "Gone"})
    test::Write(dir / (std::string(ied) + ".icd"),
                std::string("<SCL><IED name='") + ied +
                    "'><AccessPoint name='A'><Server><LDevice inst='LD'><LN0 lnClass='LLN0' "
                    "inst='' lnType='N'/></LDevice></Server></AccessPoint></IED>"
                    "<DataTypeTemplates><LNodeType id='N' lnClass='LLN0'><DO name='Mod' "
                    "type='D'/></LNodeType><DOType id='D'><DA name='stVal' fc='ST' "
                    "bType='BOOLEAN'/></DOType></DataTypeTemplates></SCL>");
  Add_Server("Bare.icd");
  Add_Server("Gone.icd");
  ASSERT_EQ(Servers(), (std::vector<std::string>{"Bare", "Gone"}));
  Choose_Server(0);
  Add_Var({"Bare", "LD", "LLN0", "Mod", "stVal"});
  ASSERT_EQ(window->State().ACG_DA.Row_Count(), 1);
  EXPECT_EQ(Cell(0, DA_Col::IPAddress), "");
  EXPECT_EQ(Cell(0, DA_Col::Port), "");
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();

  ASSERT_EQ(std::remove(Catalog("Gone.icd").c_str()), 0);
  Choose_Server(1);
  Add_Var({"Gone", "LD", "LLN0", "Mod", "stVal"});
  ASSERT_EQ(window->State().ACG_DA.Row_Count(), 2);
  EXPECT_EQ(Cell(1, DA_Col::Port), "");
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, "error");
  EXPECT_NE(messages.Last().find(Catalog("Gone.icd")), std::string::npos) << messages.Last();
  EXPECT_NE(messages.Last().find(test::No_Such_File_Text()), std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// Fill-down, copy and paste

struct Table_Commands : Find_Points {
  void SetUp() override {
    Find_Points::SetUp();
    Show_Model();
    Type_Filter("stval");
    // Three variable rows: the stVal of Mod, Pos and the first Ind1.
    const auto found = test::Find_Items(window->TV_IEC_Device, "stVal");
    ASSERT_GE(found.size(), 3u);
    for (int i = 0; i < 3; ++i)
      test::Click_Item(window->TV_IEC_Device, found[i],
                       i == 0 ? Qt::KeyboardModifiers() : Qt::ControlModifier);
    QTest::mouseClick(window->Btn_AddVar, Qt::LeftButton);
    ASSERT_EQ(window->State().ACG_DA.Row_Count(), 3);
    grid = window->ACG_DA;
  }
  Selection_Grid* grid = nullptr;
};

TEST_F(Table_Commands, Fill_Down_From_The_Top_Cell) {
  Set_Cell(grid, 0, DA_Col::IPAddress, "127.0.0.1");
  Click_Cell(grid, 0, DA_Col::OnTimer);
  test::Press(Qt::Key_Space);
  Click_Cell(grid, 0, DA_Col::IPAddress);
  Click_Cell(grid, 2, DA_Col::OnTimer, Qt::ShiftModifier);  // IP address to On Timer
  QTest::keyClick(grid, Qt::Key_D, Qt::ControlModifier);
  for (int r = 1; r < 3; ++r) {
    EXPECT_EQ(Cell(r, DA_Col::IPAddress), "127.0.0.1");
    EXPECT_EQ(Cell(r, DA_Col::Port), "");
    EXPECT_EQ(Cell(r, DA_Col::OnChange), "N");
    EXPECT_EQ(Cell(r, DA_Col::OnTimer), "Y");
    EXPECT_EQ(grid->item(r, DA_Col::OnTimer - 1)->checkState(), Qt::Checked);
  }
  EXPECT_TRUE(messages.shown.empty());

  // Read-only cells are not filled, and counted.
  Click_Cell(grid, 0, DA_Col::Reference);
  Click_Cell(grid, 2, DA_Col::Reference, Qt::ShiftModifier);
  QTest::keyClick(grid, Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(Cell(2, DA_Col::Reference), "IED1LD1/LLN0.Mod.stVal");
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.Last(),
            "2 cells were left unchanged: read-only, or a value the cell does not offer.");
}

TEST_F(Table_Commands, Copy_And_Paste_Tab_Separated_Cells) {
  Set_Cell(grid, 0, DA_Col::IPAddress, "10.1.1.1");
  Set_Cell(grid, 1, DA_Col::Port, "102");
  Click_Cell(grid, 0, DA_Col::IPAddress);
  Click_Cell(grid, 1, DA_Col::OnChange, Qt::ShiftModifier);
  QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "10.1.1.1\t\tN\n\t102\tN");

  const struct {
    int row, column;
    const char* text;
    std::vector<std::pair<int, std::string>> cells;  // (column, text) of that row afterwards
    int unchanged;
  } cases[] = {
      // text cells, check boxes ("Y"/"N" only) and a spreadsheet's line end
      {2,
       DA_Col::IPAddress,
       "192.168.0.9\t502\tY\tmaybe\tN\r\n",
       {{DA_Col::IPAddress, "192.168.0.9"},
        {DA_Col::Port, "502"},
        {DA_Col::OnChange, "Y"},
        {DA_Col::OnCMD, "N"},
        {DA_Col::OnTimer, "N"}},
       1},
      // list cells take only their own texts
      {2,
       DA_Col::StartBit,
       "3\tRead\tFoo",
       {{DA_Col::StartBit, "3"}, {DA_Col::ReadWrite, "Read"}, {DA_Col::Convertion, ""}},
       1},
      // read-only columns keep their texts
      {2,
       DA_Col::Reference,
       "x\t10.0.0.5",
       {{DA_Col::Reference, "IED1LD1/LLN0.Mod.stVal"}, {DA_Col::IPAddress, "10.0.0.5"}},
       1},
      // lines beyond the last row are not pasted
      {1, DA_Col::Position, "7\n8\n9", {{DA_Col::Position, "7"}}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    messages.shown.clear();
    QApplication::clipboard()->setText(c.text);
    Click_Cell(grid, c.row, c.column);
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    for (const auto& [column, text] : c.cells) EXPECT_EQ(Cell(c.row, column), text) << column;
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.Last().rfind(std::to_string(c.unchanged) + " cells", 0), 0u);
  }
  EXPECT_EQ(Cell(2, DA_Col::Position), "8");

  // One value into every selected cell.
  messages.shown.clear();
  QApplication::clipboard()->setText("1,5");
  Click_Cell(grid, 0, DA_Col::MoltFact);
  Click_Cell(grid, 2, DA_Col::MoltFact, Qt::ShiftModifier);
  QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
  for (int r = 0; r < 3; ++r) EXPECT_EQ(Cell(r, DA_Col::MoltFact), "1,5");
  EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
