// Tree filter benchmark. Builds a server of about 300,000 attributes (logical nodes of the
// usual classes with their usual data objects), loads it into the access editor as a person
// would (Add IEC Device, then choosing the server), and types search texts into the filter one
// key at a time. For every keystroke it prints the filter's time in the index, the time until
// the tree is filled, and the time until the tree has painted itself (grabbed into an image),
// the best of five runs. Runs offscreen unless QT_QPA_PLATFORM says otherwise.
//
//   tree_filter_bench [--attributes N]    (default 300000)
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "access_ui/access_window.h"
#include "access_ui/tree_filter_qt.h"
#include "app/context.h"
#include "app/main_window.h"
#include "scl/tree_filter.h"
#include "util/files.h"
#include "util/messages_qt.h"

namespace {

using namespace UIEC_Client_Decode;

// Messages are not expected; any is printed.
struct Print_Messages : ui::Messages {
  void Error(QWidget*, const std::string& text) override {
    std::printf("error: %s\n", text.c_str());
  }
  void Warning(QWidget*, const std::string& text) override {
    std::printf("warning: %s\n", text.c_str());
  }
  Answer Question(QWidget*, const std::string&, bool) override { return Answer::Yes; }
};

// A type: attributes (name, FC, bType, sub attributes) as the templates of real servers have.
struct Da_Shape {
  const char* name;
  const char* fc;
  const char* bType;
  std::vector<Da_Shape> subs;
};
struct Do_Shape {
  const char* name;
  std::vector<Do_Shape> sdos;
  std::vector<Da_Shape> das;
};

const Da_Shape Analogue(const char* name, const char* fc) {
  return {name, fc, "Struct", {{"f", "", "FLOAT32", {}}, {"i", "", "INT32", {}}}};
}
std::vector<Da_Shape> Mv() {
  return {Analogue("mag", "MX"),
          {"q", "MX", "Quality", {}},
          {"t", "MX", "Timestamp", {}},
          {"units", "CF", "Struct", {{"SIUnit", "", "Enum", {}}, {"multiplier", "", "Enum", {}}}},
          {"db", "CF", "INT32U", {}},
          {"zeroDb", "CF", "INT32U", {}},
          {"d", "DC", "VisString255", {}}};
}
std::vector<Da_Shape> Cmv() {
  return {{"cVal", "MX", "Struct", {Analogue("mag", ""), Analogue("ang", "")}},
          {"q", "MX", "Quality", {}},
          {"t", "MX", "Timestamp", {}},
          {"db", "CF", "INT32U", {}}};
}
std::vector<Da_Shape> Dpc() {
  return {{"stVal", "ST", "Dbpos", {}},
          {"q", "ST", "Quality", {}},
          {"t", "ST", "Timestamp", {}},
          {"ctlModel", "CF", "Enum", {}},
          {"Oper",
           "CO",
           "Struct",
           {{"ctlVal", "", "BOOLEAN", {}},
            {"origin", "", "Struct", {{"orCat", "", "Enum", {}}, {"orIdent", "", "Octet64", {}}}},
            {"ctlNum", "", "INT8U", {}},
            {"T", "", "Timestamp", {}},
            {"Test", "", "BOOLEAN", {}},
            {"Check", "", "Check", {}}}},
          {"d", "DC", "VisString255", {}}};
}
std::vector<Da_Shape> Spc() {
  std::vector<Da_Shape> das = Dpc();
  das[0].bType = "BOOLEAN";
  return das;
}
std::vector<Da_Shape> Ins() {
  return {{"stVal", "ST", "INT32", {}}, {"q", "ST", "Quality", {}}, {"t", "ST", "Timestamp", {}}};
}
Do_Shape Wye(const char* name) {
  return {name,
          {{"phsA", {}, Cmv()}, {"phsB", {}, Cmv()}, {"phsC", {}, Cmv()}},
          {{"d", "DC", "VisString255", {}}}};
}

struct Ln_Shape {
  const char* prefix;
  const char* lnClass;
  std::vector<Do_Shape> dos;
};

std::vector<Ln_Shape> Ln_Kinds() {
  const Do_Shape mod{"Mod", {}, Ins()}, beh{"Beh", {}, Ins()}, health{"Health", {}, Ins()};
  return {
      {"",
       "MMXU",
       {mod,
        beh,
        health,
        {"TotW", {}, Mv()},
        {"TotVAr", {}, Mv()},
        {"TotVA", {}, Mv()},
        {"TotPF", {}, Mv()},
        {"Hz", {}, Mv()},
        Wye("PPV"),
        Wye("PhV"),
        Wye("A"),
        Wye("W")}},
      {"Q0",
       "XCBR",
       {mod,
        beh,
        health,
        {"Pos", {}, Dpc()},
        {"BlkOpn", {}, Spc()},
        {"BlkCls", {}, Spc()},
        {"OpCnt", {}, Ins()}}},
      {"Q0", "CSWI", {mod, beh, health, {"Pos", {}, Dpc()}}},
      {"",
       "GGIO",
       {mod,
        beh,
        health,
        {"Ind1", {}, Ins()},
        {"Ind2", {}, Ins()},
        {"SPCSO1", {}, Spc()},
        {"SPCSO2", {}, Spc()},
        {"AnIn1", {}, Mv()}}},
      {"", "PTOC", {mod, beh, health, {"Str", {}, Ins()}, {"Op", {}, Ins()}}},
  };
}

template <typename Parent>
size_t Add_Da(TIEC_Device& device, Parent& parent, const Da_Shape& shape,
              const std::string& parent_fc) {
  TIEC_DA& da =
      device.Add_DA(parent, shape.name, shape.bType, *shape.fc ? std::string(shape.fc) : parent_fc);
  size_t count = 1;
  for (const Da_Shape& sub : shape.subs) count += Add_Da(device, da, sub, da.FC());
  return count;
}

template <typename Parent>
size_t Add_Do(TIEC_Device& device, Parent& parent, const Do_Shape& shape) {
  TIEC_DO& dobj = device.Add_DO(parent, shape.name);
  size_t count = 0;
  for (const Do_Shape& sub : shape.sdos) count += Add_Do(device, dobj, sub);
  for (const Da_Shape& da : shape.das) count += Add_Da(device, dobj, da, "");
  return count;
}

// A server of at least `attributes` attributes: logical devices of 40 logical nodes each.
std::unique_ptr<TIEC_Device> Make_Server(size_t attributes, size_t& made) {
  auto device = std::make_unique<TIEC_Device>();
  device->Set_Name("BAY_IED");
  device->Set_FileName("big.icd");
  const std::vector<Ln_Shape> kinds = Ln_Kinds();
  made = 0;
  for (int l = 0; made < attributes; ++l) {
    TIEC_LDevice& ld = device->Add_LDevice("LD" + std::to_string(l));
    for (int n = 0; n < 40 && made < attributes; ++n) {
      const Ln_Shape& kind = kinds[static_cast<size_t>(n) % kinds.size()];
      TIEC_LN& ln = device->Add_LN(
          ld, kind.lnClass, std::to_string(n / static_cast<int>(kinds.size()) + 1), kind.prefix);
      for (const Do_Shape& dobj : kind.dos) made += Add_Do(*device, ln, dobj);
    }
  }
  return device;
}

double Ms(const QElapsedTimer& timer) { return static_cast<double>(timer.nsecsElapsed()) / 1e6; }

// This thread's processor time in ms: on a busy machine the steadier figure.
double Cpu_Ms() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  size_t attributes = 300'000;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--attributes") == 0)
      attributes = std::strtoul(argv[i + 1], nullptr, 10);
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication application(argc, argv);

  size_t made = 0;
  QElapsedTimer timer;
  timer.start();
  std::unique_ptr<TIEC_Device> server = Make_Server(attributes, made);
  std::printf("server: %zu attributes, %zu logical devices (built in %.0f ms)\n", made,
              server->List_LDevice.size(), Ms(timer));

  // A configuration whose catalog holds a small stand-in file; the import hands over the server.
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("tree_filter_bench_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir / "conf");
  util::Write_File_Atomic((dir / "big.icd").string(),
                          "<SCL><IED name='BAY_IED'/><DataTypeTemplates/></SCL>");
  app::App_Context ctx;
  ctx.Active_Conf_Dir = (dir / "conf").string();
  ctx.Set_Files();
  Print_Messages messages;
  TFIEC_61850_Access window(app::Access_Editor_Options(ctx), messages);
  window.Choose_File = [&] { return (dir / "big.icd").string(); };
  window.Import_Scl = [&](const std::string&, util::Progress*) { return std::move(server); };
  window.FormShow();
  window.show();
  window.Btn_Add_IEC_DeviceClick();
  timer.restart();
  window.LB_IEC_Devices->setCurrentRow(0);
  const double choose_ms = Ms(timer);
  const TIEC_Device& device = *window.State().List_IEC_Dev.at(0);
  timer.restart();
  const UIEC_61850_Access::Tree_Index index(device);
  std::printf(
      "index of the server: %zu nodes, %.1f ms; choosing the server (index and tree): "
      "%.1f ms\n\n",
      index.Entries().size(), Ms(timer), choose_ms);

  // Texts typed one key at a time; each prefix is one keystroke.
  const std::vector<std::pair<std::string, std::string>> searches = {
      {"phsb.cval.mag", ""}, {"ld7/q0xcbr", ""}, {"oper.ctlval", ""},
      {"stval", "ST"},       {"zz", ""},         {"", "CO"}};
  std::printf("%-24s %-4s %9s %9s %10s %10s %11s %11s\n", "text", "FC", "matches", "shown",
              "filter ms", "tree ms", "painted ms", "painted cpu");
  QLineEdit* edit = window.Tree_Filter->E_Tree_Filter;
  QComboBox* fcs = window.Tree_Filter->CB_Tree_FC;
  double worst = 0, worst_cpu = 0;
  for (const auto& [text, fc] : searches) {
    edit->clear();
    fcs->setCurrentIndex(std::max(0, fcs->findText(QString::fromStdString(fc))));
    const size_t steps = text.empty() ? 1 : text.size();
    for (size_t k = 1; k <= steps; ++k) {
      const std::string typed = text.substr(0, text.empty() ? 0 : k);
      double best_filter = 1e9, best_tree = 1e9, best_paint = 1e9, best_cpu = 1e9;
      UIEC_61850_Access::Tree_Index::Result result;
      for (int run = 0; run < 5; ++run) {
        timer.restart();
        result = index.Filter(typed, fc, UIEC_61850_Access::Max_Filter_Matches);
        best_filter = std::min(best_filter, Ms(timer));
        // The keystroke in the window: the edit (or the FC list) changes, the tree is
        // refilled, then painted.
        double tree_ms = 0;
        const double cpu_start = Cpu_Ms();
        if (text.empty()) {
          const int wanted = fcs->currentIndex();
          fcs->setCurrentIndex(0);
          timer.restart();
          fcs->setCurrentIndex(wanted);
          tree_ms = Ms(timer);
        } else {
          edit->setText(QString::fromStdString(text.substr(0, k - 1)));
          timer.restart();
          edit->setText(QString::fromStdString(typed));
          tree_ms = Ms(timer);
        }
        (void)window.TV_IEC_Device->grab();
        best_tree = std::min(best_tree, tree_ms);
        best_paint = std::min(best_paint, Ms(timer));
        best_cpu = std::min(best_cpu, Cpu_Ms() - cpu_start);
      }
      worst = std::max(worst, best_paint);
      worst_cpu = std::max(worst_cpu, best_cpu);
      std::printf("%-24s %-4s %9zu %9zu %10.2f %10.2f %11.2f %11.2f\n", typed.c_str(), fc.c_str(),
                  result.matches, result.shown.size(), best_filter, best_tree, best_paint,
                  best_cpu);
    }
  }
  std::printf("\nslowest keystroke, painted: %.1f ms (processor time %.1f ms)\n", worst, worst_cpu);
  window.hide();
  std::filesystem::remove_all(dir);
  return 0;
}
