// The access editor's tree model over a server's SCL model: only what the view needs is made,
// nodes lead to the model's objects, the filter shows its matches with their ancestors, and the
// model stays consistent for the view (QAbstractItemModelTester) while nodes are made on demand.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>
#include <cstdlib>
#include <memory>
#include <string>

#include "access/access_strings.h"
#include "access/access_test_models.h"
#include "access_ui/device_tree_model_qt.h"
#include "access_ui/tree_filter_qt.h"
#include "access_ui/tree_panel_qt.h"
#include "app/all_texts.h"
#include "scl/model_walk.h"
#include "scl/scl_model.h"
#include "scl/tree_filter.h"
#include "text/lang_strings.h"

namespace {

using namespace UIEC_Client_Decode;
using UIEC_61850_Access::Device_Tree_Model;
using UIEC_61850_Access::Node_Kind;
using UIEC_61850_Access::Tree_Index;

// A server of `lns` logical nodes in one logical device, each with `dos` data objects of `das`
// attributes, the last attribute a structure of two; and a data set per node.
std::unique_ptr<TIEC_Device> Generated_Server(int lns, int dos, int das) {
  auto device = std::make_unique<TIEC_Device>();
  device->Set_Name("GEN");
  TIEC_LDevice& ld = device->Add_LDevice("LD0");
  for (int n = 0; n < lns; ++n) {
    TIEC_LN& ln = device->Add_LN(ld, "GGIO", std::to_string(n + 1));
    TIEC_DataSet& data_set = device->Add_DataSet(ln, "DS");
    for (int d = 0; d < dos; ++d) {
      TIEC_DO& data_object = device->Add_DO(ln, "Ind" + std::to_string(d + 1));
      for (int a = 0; a + 1 < das; ++a)
        device->Add_DA(data_object, "a" + std::to_string(a), "INT32", "ST");
      TIEC_DA& structure = device->Add_DA(data_object, "s", "Struct", "MX");
      device->Add_DA(structure, "f", "FLOAT32", "MX");
      device->Add_DA(structure, "i", "INT32", "MX");
      if (d == 0) device->Add_Member(data_set, *data_object.List_DA[0]);
    }
    device->Set_FCDA_Count(data_set, 1);
  }
  return device;
}

struct Device_Tree : ::testing::Test {
  lang::Lang_Strings strings = lang::English_Strings();
  Device_Tree_Model model{strings};
  QTreeView view;

  void SetUp() override { view.setModel(&model); }
  // Counts every attribute of a model through its own walk.
  static size_t Attributes(const TIEC_Device& device) {
    size_t count = 0;
    For_Each_Object(device, [&](const auto& object) {
      if constexpr (std::is_same_v<std::decay_t<decltype(object)>, TIEC_DA>) ++count;
    });
    return count;
  }
};

TEST_F(Device_Tree, Shows_Texts_Colours_And_Tooltips_Of_The_Model) {
  auto device = test::Make_Device("IED1", "a.icd");
  model.Show_Device(*device);
  const QModelIndex top = model.index(0, 0);
  EXPECT_EQ(top.data().toString(), "IED1");
  EXPECT_EQ(model.Kind_At(top), Node_Kind::Server);
  const QModelIndex lln0 = model.Index_At({0, 0, 0});
  ASSERT_EQ(model.rowCount(lln0), 3);  // Mod, then the data sets
  EXPECT_EQ(model.index(0, 0, lln0).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::blue));
  EXPECT_EQ(model.index(1, 0, lln0).data().toString(), "DS1 (3 members)");
  EXPECT_EQ(model.index(1, 0, lln0).data(Qt::ForegroundRole).value<QColor>(),
            QColor(0x00, 0x80, 0x00));
  EXPECT_EQ(model.Object_At(model.index(2, 0, lln0)),
            device->List_LDevice[0]->List_LN[0]->List_DataSet[1]);
  EXPECT_EQ(model.Index_At({0, 0, 1}).data().toString(), "MMXU1");

  const QModelIndex mod = model.index(0, 0, lln0);
  EXPECT_TRUE(model.hasChildren(mod));
  EXPECT_EQ(model.rowCount(mod), 0);
  ASSERT_TRUE(model.canFetchMore(mod));
  model.fetchMore(mod);
  EXPECT_FALSE(model.canFetchMore(mod));
  ASSERT_EQ(model.rowCount(mod), 3);
  const QModelIndex stval = model.index(0, 0, mod);
  EXPECT_EQ(model.parent(stval), mod);
  EXPECT_EQ(stval.data(Qt::ToolTipRole).toString(),
            "Reference: IED1LD0/LLN0.Mod.stVal\nFC: ST\nbType: Enum");
  EXPECT_FALSE(model.hasChildren(stval));

  model.Clear();
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_EQ(model.Device(), nullptr);
  EXPECT_EQ(model.Node_Count(), 0u);
}

// 300,000 attributes: the server shows with its logical nodes and data objects, and no node is
// made for an attribute until its data object is opened.
TEST_F(Device_Tree, Large_Server_Makes_Only_What_Is_Shown) {
  // 27 attributes and a structure of two under each data object: 30 attributes.
  constexpr int LNs = 100, DOs = 100, DAs = 28;
  auto device = Generated_Server(LNs, DOs, DAs);
  ASSERT_EQ(Attributes(*device), 300'000u);
  model.Show_Device(*device);
  view.expandRecursively(model.index(0, 0), 2);
  // The server, its logical device, the nodes, and each node's data objects and data set.
  EXPECT_EQ(model.Node_Count(), 2u + LNs + LNs * (DOs + 1));

  const QModelIndex ind7 = model.Index_At({0, 0, 41, 6});
  ASSERT_EQ(ind7.data().toString(), "Ind7");
  view.expand(ind7);
  view.doItemsLayout();  // the view makes the children of what it unfolds
  ASSERT_EQ(model.rowCount(ind7), DAs);
  const QModelIndex structure = model.index(DAs - 1, 0, ind7);
  EXPECT_EQ(structure.data().toString(), "s");
  view.expand(structure);
  view.doItemsLayout();
  ASSERT_EQ(model.rowCount(structure), 2);
  EXPECT_EQ(model.Node_Count(), 2u + LNs + LNs * (DOs + 1) + DAs + 2);
  const auto* f = dynamic_cast<const TIEC_DA*>(model.Object_At(model.index(0, 0, structure)));
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->Reference(), "GENLD0/GGIO42.Ind7.s.f");

  // A new server: nothing of the old one is left.
  auto other = test::Make_Device("IED2", "b.icd");
  model.Show_Device(*other);
  device.reset();
  EXPECT_EQ(model.index(0, 0).data().toString(), "IED2");
}

TEST_F(Device_Tree, Filter_Shows_Matches_With_Their_Ancestors_Only) {
  auto device = Generated_Server(50, 20, 5);
  const Tree_Index index(*device);
  const Tree_Index::Result result = index.Filter("ggio7.ind3.s.f", "", 100);
  ASSERT_EQ(result.matches, 1u);
  model.Show_Filtered(*device, index, result);
  EXPECT_TRUE(model.Filtered());
  EXPECT_EQ(model.Node_Count(), result.shown.size());
  const QModelIndex f = model.Index_At({0, 0, 0, 0, 0, 0});
  ASSERT_TRUE(f.isValid());
  EXPECT_EQ(f.data().toString(), "f");
  EXPECT_TRUE(f.data(Device_Tree_Model::Matched_Role).toBool());
  EXPECT_TRUE(f.data(Qt::BackgroundRole).isValid());
  const QModelIndex ln = f.parent().parent().parent();
  EXPECT_EQ(ln.data().toString(), "GGIO7");
  EXPECT_FALSE(ln.data(Qt::BackgroundRole).isValid());
  EXPECT_EQ(model.rowCount(ln), 1);  // the one data object that leads to the match
  EXPECT_FALSE(model.canFetchMore(ln));
  // A data set shows its plain name in a filtered tree, as the filter compares it.
  const Tree_Index::Result sets = index.Filter("ggio3.ds", "", 100);
  model.Show_Filtered(*device, index, sets);
  EXPECT_EQ(model.Index_At({0, 0, 0, 0}).data().toString(), "DS");
}

// A server handed in before its filter index: the whole tree and "indexing..." while the filter
// waits, the matches once the index comes.
TEST_F(Device_Tree, Filter_Waits_For_An_Index_That_Comes_Later) {
  UIEC_61850_Access::Tree_Panel panel(strings, nullptr);
  panel.show();
  auto device = Generated_Server(20, 5, 3);
  QTest::keyClicks(panel.Tree_Filter->E_Tree_Filter, "ggio12.ind4.s");
  panel.Show_Server(*device, nullptr);
  EXPECT_FALSE(panel.Model->Filtered());
  EXPECT_EQ(panel.Model->rowCount(panel.Model->Index_At({0, 0})), 20);
  EXPECT_EQ(panel.Tree_Filter->L_Tree_Matches->text().toStdString(),
            strings[access_strings::Text_Filter_Indexing]);
  EXPECT_TRUE(panel.Tree_Filter->L_Tree_Matches->isVisible());

  panel.Set_Index(std::make_shared<const Tree_Index>(*device));
  EXPECT_TRUE(panel.Model->Filtered());
  EXPECT_EQ(panel.Model->Index_At({0, 0, 0, 0, 0}).data().toString(), "s");
  // The structure and its two attributes.
  EXPECT_EQ(panel.Tree_Filter->L_Tree_Matches->text(),
            QString::fromStdString(strings[access_strings::Text_Matches]).arg(3));
  // The node clicked is the object the editor selects.
  const QModelIndex s = panel.Model->Index_At({0, 0, 0, 0, 0});
  QTest::mouseClick(panel.TV_IEC_Device->viewport(), Qt::LeftButton, {},
                    panel.TV_IEC_Device->visualRect(s).center());
  EXPECT_EQ(panel.Current_Object(), panel.Model->Object_At(s));
}

// The tester checks every answer of the model after each change: a reset, and the rows each
// fetchMore inserts. (It fetches nothing itself: this Qt's tester fetches while a reset is still
// in flight and then takes its own fetch for a fault.)
TEST_F(Device_Tree, Stays_Consistent_For_The_View) {
  Device_Tree_Model alone(strings);  // no view: the tester alone asks
  QAbstractItemModelTester tester(&alone, QAbstractItemModelTester::FailureReportingMode::Fatal);
  tester.setUseFetchMore(false);
  auto small = test::Make_Device("IED1", "a.icd");
  alone.Show_Device(*small);
  auto device = Generated_Server(4, 3, 3);
  alone.Show_Device(*device);
  // Every node opened, as the view opens them, each fetch checked.
  std::vector<QModelIndex> open{alone.index(0, 0)};
  while (!open.empty()) {
    const QModelIndex at = open.back();
    open.pop_back();
    if (alone.canFetchMore(at)) alone.fetchMore(at);
    for (int r = 0; r < alone.rowCount(at); ++r) open.push_back(alone.index(r, 0, at));
  }
  EXPECT_EQ(alone.Node_Count(), 2u + 4 + 4 * (3 + 1) + 4 * 3 * (3 + 2));
  const Tree_Index index(*device);
  alone.Show_Filtered(*device, index, index.Filter("ind2", "", 100));
  alone.Show_Filtered(*device, index, index.Filter("", "MX", 100));
  alone.Clear();
  EXPECT_EQ(alone.rowCount(), 0);
}

// The same on a generated SCL file, where one is named (RQ_TREE_MODEL_SCL; the import
// benchmark's generator writes one): every object of the import is reachable through the tree.
TEST_F(Device_Tree, Imported_Server_Reaches_Every_Object) {
  const char* file = std::getenv("RQ_TREE_MODEL_SCL");
  if (file == nullptr) GTEST_SKIP() << "RQ_TREE_MODEL_SCL names no SCL file";
  TIEC_Device device(file);
  model.Show_Device(device);
  size_t objects = 0;
  For_Each_Object(device, [&](const auto&) { ++objects; });
  // Open everything, level by level, as the view would.
  std::vector<QModelIndex> open{model.index(0, 0)};
  size_t seen = 0;
  while (!open.empty()) {
    const QModelIndex at = open.back();
    open.pop_back();
    ++seen;
    if (model.canFetchMore(at)) model.fetchMore(at);
    for (int r = 0; r < model.rowCount(at); ++r) open.push_back(model.index(r, 0, at));
  }
  EXPECT_EQ(seen, objects + 1);  // and the server's node
  std::printf("%zu attributes, %zu objects through the tree\n", Attributes(device), objects);
}

}  // namespace
