#include "scl_generate.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

namespace {

// One child of a type: a data attribute, or (for `sdo`) a sub data object.
struct Member {
  const char* name;
  const char* bType;  // "Struct" and "Enum" name their DAType kind or EnumType in `type`
  const char* fc;
  const char* type;
  bool optional;
  const char* trigger;  // "dchg", "qchg", "dupd" or empty
  bool sdo = false;
};

Member Sdo(const char* name, const char* cdc, bool optional) {
  return {name, "", "", cdc, optional, "", true};
}

// The structured attribute types, as common data classes use them.
const std::map<std::string, std::vector<Member>> Da_Kinds = {
    {"AnalogueValue", {{"f", "FLOAT32", "", "", false, ""}, {"i", "INT32", "", "", true, ""}}},
    {"Vector",
     {{"mag", "Struct", "", "AnalogueValue", false, ""},
      {"ang", "Struct", "", "AnalogueValue", true, ""}}},
    {"Unit",
     {{"SIUnit", "Enum", "", "SIUnitKind", false, ""},
      {"multiplier", "Enum", "", "multiplierKind", true, ""}}},
    {"RangeConfig",
     {{"hhLim", "Struct", "", "AnalogueValue", false, ""},
      {"hLim", "Struct", "", "AnalogueValue", false, ""},
      {"lLim", "Struct", "", "AnalogueValue", false, ""},
      {"llLim", "Struct", "", "AnalogueValue", false, ""},
      {"min", "Struct", "", "AnalogueValue", false, ""},
      {"max", "Struct", "", "AnalogueValue", false, ""}}},
    {"Originator",
     {{"orCat", "Enum", "", "orCategory", false, ""}, {"orIdent", "Octet64", "", "", false, ""}}},
    {"SPCOperate",
     {{"ctlVal", "BOOLEAN", "", "", false, ""},
      {"origin", "Struct", "", "Originator", false, ""},
      {"ctlNum", "INT8U", "", "", false, ""},
      {"T", "Timestamp", "", "", false, ""},
      {"Test", "BOOLEAN", "", "", false, ""},
      {"Check", "Check", "", "", false, ""}}},
    {"DPCOperate",
     {{"ctlVal", "BOOLEAN", "", "", false, ""},
      {"origin", "Struct", "", "Originator", false, ""},
      {"ctlNum", "INT8U", "", "", false, ""},
      {"T", "Timestamp", "", "", false, ""},
      {"Test", "BOOLEAN", "", "", false, ""},
      {"Check", "Check", "", "", false, ""}}},
    {"INCOperate",
     {{"ctlVal", "INT32", "", "", false, ""},
      {"origin", "Struct", "", "Originator", false, ""},
      {"ctlNum", "INT8U", "", "", false, ""},
      {"T", "Timestamp", "", "", false, ""},
      {"Test", "BOOLEAN", "", "", false, ""},
      {"Check", "Check", "", "", false, ""}}},
    {"PulseConfig",
     {{"cmdQual", "Enum", "", "cmdQual", false, ""},
      {"onDur", "INT32U", "", "", false, ""},
      {"offDur", "INT32U", "", "", false, ""},
      {"numPls", "INT32U", "", "", false, ""}}},
};

const Member Q_St = {"q", "Quality", "ST", "", false, "qchg"};
const Member T_St = {"t", "Timestamp", "ST", "", false, ""};
const Member Q_Mx = {"q", "Quality", "MX", "", false, "qchg"};
const Member T_Mx = {"t", "Timestamp", "MX", "", false, ""};
const Member D_Dc = {"d", "VisString255", "DC", "", true, ""};
const Member Units = {"units", "Struct", "CF", "Unit", true, "dchg"};

std::vector<Member> Controllable(const char* st_type, const char* operate) {
  return {{"origin", "Struct", "ST", "Originator", true, ""},
          {"ctlNum", "INT8U", "ST", "", true, ""},
          {"stVal", st_type, "ST", "", false, "dchg"},
          Q_St,
          T_St,
          {"stSeld", "BOOLEAN", "ST", "", true, "dchg"},
          {"ctlModel", "Enum", "CF", "ctlModel", false, "dchg"},
          {"sboTimeout", "INT32U", "CF", "", true, "dchg"},
          {"Oper", "Struct", "CO", operate, true, ""},
          {"SBOw", "Struct", "CO", operate, true, ""},
          {"Cancel", "Struct", "CO", operate, true, ""},
          D_Dc};
}

const std::map<std::string, std::vector<Member>> Cdcs = {
    {"SPS", {{"stVal", "BOOLEAN", "ST", "", false, "dchg"}, Q_St, T_St, D_Dc}},
    {"DPS", {{"stVal", "Dbpos", "ST", "", false, "dchg"}, Q_St, T_St, D_Dc}},
    {"INS", {{"stVal", "INT32", "ST", "", false, "dchg"}, Q_St, T_St, D_Dc}},
    {"ENS", {{"stVal", "Enum", "ST", "Beh", false, "dchg"}, Q_St, T_St}},
    {"ACT",
     {{"general", "BOOLEAN", "ST", "", false, "dchg"},
      {"phsA", "BOOLEAN", "ST", "", true, "dchg"},
      {"phsB", "BOOLEAN", "ST", "", true, "dchg"},
      {"phsC", "BOOLEAN", "ST", "", true, "dchg"},
      {"neut", "BOOLEAN", "ST", "", true, "dchg"},
      Q_St,
      T_St}},
    {"ACD",
     {{"general", "BOOLEAN", "ST", "", false, "dchg"},
      {"dirGeneral", "Enum", "ST", "dir", false, "dchg"},
      {"phsA", "BOOLEAN", "ST", "", true, "dchg"},
      {"dirPhsA", "Enum", "ST", "dir", true, "dchg"},
      {"phsB", "BOOLEAN", "ST", "", true, "dchg"},
      {"dirPhsB", "Enum", "ST", "dir", true, "dchg"},
      {"phsC", "BOOLEAN", "ST", "", true, "dchg"},
      {"dirPhsC", "Enum", "ST", "dir", true, "dchg"},
      Q_St,
      T_St}},
    {"MV",
     {{"mag", "Struct", "MX", "AnalogueValue", false, "dchg"},
      Q_Mx,
      T_Mx,
      Units,
      {"db", "INT32U", "CF", "", true, "dchg"},
      {"zeroDb", "INT32U", "CF", "", true, "dchg"},
      {"rangeC", "Struct", "CF", "RangeConfig", true, "dchg"},
      D_Dc}},
    {"CMV",
     {{"cVal", "Struct", "MX", "Vector", false, "dchg"},
      Q_Mx,
      T_Mx,
      Units,
      {"db", "INT32U", "CF", "", true, "dchg"}}},
    {"WYE",
     {Sdo("phsA", "CMV", false), Sdo("phsB", "CMV", false), Sdo("phsC", "CMV", false),
      Sdo("neut", "CMV", true), Sdo("net", "CMV", true), Sdo("res", "CMV", true), D_Dc}},
    {"DEL",
     {Sdo("phsAB", "CMV", false), Sdo("phsBC", "CMV", false), Sdo("phsCA", "CMV", false), D_Dc}},
    {"SPC", Controllable("BOOLEAN", "SPCOperate")},
    {"DPC",
     [] {
       auto members = Controllable("Dbpos", "DPCOperate");
       members.push_back({"pulseConfig", "Struct", "CF", "PulseConfig", true, "dchg"});
       return members;
     }()},
    {"INC", Controllable("INT32", "INCOperate")},
    {"LPL",
     {{"vendor", "VisString255", "DC", "", false, ""},
      {"swRev", "VisString255", "DC", "", false, ""},
      D_Dc,
      {"configRev", "VisString255", "DC", "", true, ""},
      {"ldNs", "VisString255", "EX", "", true, ""}}},
    {"DPL",
     {{"vendor", "VisString255", "DC", "", false, ""},
      {"hwRev", "VisString255", "DC", "", true, ""},
      {"swRev", "VisString255", "DC", "", true, ""},
      {"serNum", "VisString255", "DC", "", true, ""},
      {"model", "VisString255", "DC", "", true, ""},
      {"location", "VisString255", "DC", "", true, ""}}},
    {"BCR",
     {{"actVal", "INT64", "ST", "", false, "dchg"},
      Q_St,
      T_St,
      Units,
      {"pulsQty", "FLOAT32", "CF", "", false, "dchg"}}},
    {"ING",
     {{"setVal", "INT32", "SP", "", false, "dchg"},
      {"minVal", "INT32", "CF", "", true, "dchg"},
      {"maxVal", "INT32", "CF", "", true, "dchg"},
      {"stepSize", "INT32U", "CF", "", true, "dchg"},
      D_Dc}},
    {"ASG",
     {{"setMag", "Struct", "SP", "AnalogueValue", false, "dchg"},
      Units,
      {"minVal", "Struct", "CF", "AnalogueValue", true, "dchg"},
      {"maxVal", "Struct", "CF", "AnalogueValue", true, "dchg"},
      D_Dc}},
    {"SPG", {{"setVal", "BOOLEAN", "SP", "", false, "dchg"}, D_Dc}},
};

struct Do_Def {
  std::string name;
  const char* cdc;
  bool optional;
};

std::vector<Do_Def> Protection(std::vector<Do_Def> extra) {
  std::vector<Do_Def> dos = {{"Beh", "ENS", false},      {"Str", "ACD", false},
                             {"Op", "ACT", false},       {"StrVal", "ASG", true},
                             {"OpDlTmms", "ING", true},  {"TmMult", "ASG", true},
                             {"MinOpTmms", "ING", true}, {"DirMod", "ING", true}};
  dos.insert(dos.end(), extra.begin(), extra.end());
  return dos;
}

std::vector<Do_Def> Switch(const char* extra) {
  return {{"Beh", "ENS", false}, {"Loc", "SPS", false},    {"OpCnt", "INS", false},
          {"Pos", "DPC", false}, {"BlkOpn", "SPC", false}, {"BlkCls", "SPC", false},
          {extra, "INS", true},  {"SwTyp", "ENS", true}};
}

std::vector<Do_Def> Gg_Io() {
  std::vector<Do_Def> dos = {{"Beh", "ENS", false}};
  for (int i = 1; i <= 16; ++i) dos.push_back({"Ind" + std::to_string(i), "SPS", i > 2});
  for (int i = 1; i <= 8; ++i) dos.push_back({"SPCSO" + std::to_string(i), "SPC", true});
  for (int i = 1; i <= 8; ++i) dos.push_back({"AnIn" + std::to_string(i), "MV", true});
  dos.push_back({"IntIn1", "INS", true});
  return dos;
}

// Logical node classes with their data objects (the optional ones appear in some types only).
const std::vector<std::pair<std::string, std::vector<Do_Def>>> Ln_Classes = {
    {"MMXU",
     {{"Beh", "ENS", false},
      {"TotW", "MV", false},
      {"TotVAr", "MV", false},
      {"TotVA", "MV", false},
      {"TotPF", "MV", true},
      {"Hz", "MV", false},
      {"PPV", "DEL", true},
      {"PhV", "WYE", false},
      {"A", "WYE", false},
      {"W", "WYE", true},
      {"VAr", "WYE", true},
      {"VA", "WYE", true},
      {"PF", "WYE", true}}},
    {"XCBR", Switch("CBOpCap")},
    {"XSWI", Switch("SwOpCap")},
    {"CSWI",
     {{"Beh", "ENS", false},
      {"Loc", "SPS", true},
      {"Pos", "DPC", false},
      {"OpOpn", "ACT", true},
      {"OpCls", "ACT", true}}},
    {"PTOC", Protection({})},
    {"PTOV", Protection({})},
    {"PTUV", Protection({})},
    {"PDIF", Protection({{"LinCapac", "ASG", true}, {"LoSet", "ING", true}})},
    {"PDIS", Protection({{"PoRch", "ASG", true}, {"PhStr", "ASG", true}})},
    {"PTRC",
     {{"Beh", "ENS", false}, {"Str", "ACD", true}, {"Op", "ACT", false}, {"Tr", "ACT", false}}},
    {"GGIO", Gg_Io()},
    {"MMTR",
     {{"Beh", "ENS", false},
      {"TotVAh", "BCR", true},
      {"TotWh", "BCR", false},
      {"SupWh", "BCR", true},
      {"DmdWh", "BCR", true}}},
    {"TCTR", {{"Beh", "ENS", false}, {"Amp", "MV", false}}},
    {"TVTR", {{"Beh", "ENS", false}, {"Vol", "MV", false}}},
    {"RREC",
     {{"Beh", "ENS", false},
      {"Op", "ACT", false},
      {"AutoRecSt", "INS", false},
      {"BlkRec", "SPC", true},
      {"RecCyc", "INS", true}}},
    {"CILO", {{"Beh", "ENS", false}, {"EnaOpn", "SPS", false}, {"EnaCls", "SPS", false}}},
};

const std::vector<Do_Def> Lln0 = {{"Beh", "ENS", false},
                                  {"Mod", "INC", false},
                                  {"Health", "ENS", false},
                                  {"NamPlt", "LPL", false},
                                  {"Loc", "SPS", true}};
const std::vector<Do_Def> Lphd = {
    {"PhyNam", "DPL", false}, {"PhyHealth", "ENS", false}, {"Proxy", "SPS", false}};

const std::map<std::string, std::vector<const char*>> Enums = {
    {"Beh", {"on", "blocked", "test", "test/blocked", "off"}},
    {"ctlModel",
     {"status-only", "direct-with-normal-security", "sbo-with-normal-security",
      "direct-with-enhanced-security", "sbo-with-enhanced-security"}},
    {"orCategory",
     {"not-supported", "bay-control", "station-control", "remote-control", "automatic-bay",
      "automatic-station", "automatic-remote", "maintenance", "process"}},
    {"dir", {"unknown", "forward", "backward", "both"}},
    {"cmdQual", {"pulse", "persistent"}},
    {"SIUnitKind",
     {"",    "m",   "kg",       "s",  "A",  "K",  "mol", "cd",  "deg", "rad",  "sr",   "Gy",
      "Bq",  "°C",  "Sv",       "F",  "C",  "S",  "H",   "V",   "ohm", "J",    "N",    "Hz",
      "lx",  "Lm",  "Wb",       "T",  "W",  "Pa", "m²",  "m³",  "m/s", "m/s²", "VA",   "Watts",
      "VAr", "phi", "cos(phi)", "Vs", "V²", "As", "A²",  "A²t", "VAh", "Wh",   "VArh", "V/Hz"}},
    {"multiplierKind", {"y",  "z", "a", "f", "p", "n", "µ", "m", "c", "d", "",
                        "da", "h", "k", "M", "G", "T", "P", "E", "Z", "Y"}},
};

// Writes through a large buffer; the file is the only output.
class Writer {
 public:
  explicit Writer(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {
    if (!file_) throw std::runtime_error("cannot write " + path);
  }
  ~Writer() {
    if (file_) std::fclose(file_);
  }
  Writer& operator<<(const std::string& text) {
    buffer_ += text;
    if (buffer_.size() > (1 << 20)) Flush();
    return *this;
  }
  Writer& operator<<(const char* text) { return *this << std::string(text); }
  Writer& operator<<(long long value) { return *this << std::to_string(value); }
  void Close() {
    Flush();
    if (std::fclose(file_) != 0) throw std::runtime_error("write failed");
    file_ = nullptr;
  }

 private:
  void Flush() {
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
      throw std::runtime_error("write failed");
    buffer_.clear();
  }
  std::FILE* file_;
  std::string buffer_;
};

class Generator {
 public:
  Generator(const std::string& path, int scale) : out_(path), scale_(scale), random_(30517) {}

  void Run() {
    Plan_Types();
    out_ << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<SCL xmlns=\"http://www.iec.ch/61850/2003/SCL\" "
            "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" version=\"2007\" "
            "revision=\"B\" release=\"4\">\n"
            "  <Header id=\"GW-BENCH\" version=\"1\" revision=\"1\" toolID=\"Bench generator\" "
            "nameStructure=\"IEDName\">\n"
            "    <History>\n"
            "      <Hitem version=\"1\" revision=\"1\" when=\"2024-01-01T00:00:00Z\" "
            "who=\"bench\" what=\"Generated\"/>\n"
            "    </History>\n"
            "  </Header>\n";
    Communication();
    Ied();
    Templates();
    out_ << "</SCL>\n";
    out_.Close();
  }

 private:
  size_t Below(size_t n) { return random_() % n; }
  bool Chance(int percent) { return Below(100) < static_cast<size_t>(percent); }

  int Ld_Count() const { return 84 * scale_; }
  int Lns_Per_Ld() const { return 48; }

  // How many variants of each type the file defines; logical nodes and types pick among them.
  void Plan_Types() {
    for (const auto& [kind, members] : Da_Kinds) da_variants_[kind] = 280 * scale_;
    for (const auto& [cdc, members] : Cdcs) do_variants_[cdc] = 630 * scale_;
    for (int i = 0; i < 8; ++i) Plan_Lnode_Type("LLN0_T" + std::to_string(i), "LLN0", Lln0);
    for (int i = 0; i < 4; ++i) Plan_Lnode_Type("LPHD_T" + std::to_string(i), "LPHD", Lphd);
    const int lnode_types = 4900 * scale_;
    for (int i = 0; i < lnode_types; ++i) {
      const auto& [ln_class, dos] = Ln_Classes[Below(Ln_Classes.size())];
      Plan_Lnode_Type(ln_class + "_T" + std::to_string(i), ln_class, dos);
    }
  }

  void Plan_Lnode_Type(const std::string& id, const std::string& ln_class,
                       const std::vector<Do_Def>& dos) {
    Lnode_Type_Plan plan{id, ln_class, {}, {}};
    for (const Do_Def& dobj : dos) {
      if (dobj.optional && !Chance(60)) continue;
      plan.do_names.push_back(dobj.name);
      plan.do_types.push_back(Do_Type_Id(dobj.cdc));
    }
    lnode_types_.push_back(std::move(plan));
  }

  std::string Da_Type_Id(const std::string& kind) {
    return kind + "_V" + std::to_string(Below(da_variants_.at(kind)));
  }
  std::string Do_Type_Id(const std::string& cdc) {
    return cdc + "_V" + std::to_string(Below(do_variants_.at(cdc)));
  }

  void Communication() {
    out_ << "  <Communication>\n    <SubNetwork name=\"StationBus\" type=\"8-MMS\">\n"
            "      <BitRate unit=\"b/s\" multiplier=\"M\">100</BitRate>\n"
            "      <ConnectedAP iedName=\"GW_IED1\" apName=\"S1\">\n"
            "        <Address>\n"
            "          <P type=\"IP\">10.0.0.10</P>\n"
            "          <P type=\"IP-SUBNET\">255.255.255.0</P>\n"
            "          <P type=\"IP-GATEWAY\">10.0.0.1</P>\n"
            "          <P type=\"OSI-AP-Title\">1,1,9999,1</P>\n"
            "          <P type=\"OSI-AE-Qualifier\">12</P>\n"
            "          <P type=\"OSI-PSEL\">00000001</P>\n"
            "        </Address>\n";
    for (int ld = 0; ld < Ld_Count(); ++ld) {
      char mac[32];
      std::snprintf(mac, sizeof mac, "01-0C-CD-01-%02X-%02X", (ld >> 8) & 0xFF, ld & 0xFF);
      char app_id[16];
      std::snprintf(app_id, sizeof app_id, "%04X", (ld + 1) & 0xFFFF);
      out_ << "        <GSE ldInst=\"" << Ld_Name(ld) << "\" cbName=\"gcb01\">\n"
           << "          <Address>\n"
           << "            <P type=\"MAC-Address\">" << mac << "</P>\n"
           << "            <P type=\"APPID\">" << app_id << "</P>\n"
           << "            <P type=\"VLAN-ID\">000</P>\n"
           << "            <P type=\"VLAN-PRIORITY\">4</P>\n"
           << "          </Address>\n"
           << "          <MinTime unit=\"s\" multiplier=\"m\">4</MinTime>\n"
           << "          <MaxTime unit=\"s\" multiplier=\"m\">1000</MaxTime>\n"
           << "        </GSE>\n";
    }
    out_ << "      </ConnectedAP>\n    </SubNetwork>\n  </Communication>\n";
  }

  static std::string Ld_Name(int ld) { return "LD" + std::to_string(ld + 1); }

  // A logical node instance: its class, type and the data objects of that type.
  struct Ln_Instance {
    std::string prefix, ln_class, inst, type;
    const std::vector<std::string>* dos;
  };

  void Ied() {
    out_ << "  <IED name=\"GW_IED1\" type=\"BenchRelay\" manufacturer=\"Bench\" "
            "configVersion=\"1.0\" originalSclVersion=\"2007\" originalSclRevision=\"B\">\n"
            "    <Services>\n"
            "      <DynAssociation/>\n      <GetDirectory/>\n      <GetDataObjectDefinition/>\n"
            "      <DataObjectDirectory/>\n      <GetDataSetValue/>\n      <DataSetDirectory/>\n"
            "      <ReadWrite/>\n      <ConfReportControl max=\"40\"/>\n"
            "      <GetCBValues/>\n      <ReportSettings cbName=\"Conf\" datSet=\"Conf\" "
            "rptID=\"Dyn\" optFields=\"Dyn\" bufTime=\"Dyn\" trgOps=\"Dyn\" intgPd=\"Dyn\"/>\n"
            "      <GOOSE max=\"16\"/>\n      <FileHandling/>\n    </Services>\n"
            "    <AccessPoint name=\"S1\">\n      <Server>\n"
            "        <Authentication none=\"true\"/>\n";
    for (int ld = 0; ld < Ld_Count(); ++ld) Logical_Device(ld);
    out_ << "      </Server>\n    </AccessPoint>\n  </IED>\n";
  }

  void Logical_Device(int ld) {
    std::vector<Ln_Instance> lns;
    std::map<std::string, int> instances;
    for (int i = 0; i < Lns_Per_Ld(); ++i) {
      // The first twelve types are those of LLN0 and LPHD.
      const Lnode_Type_Plan& type = lnode_types_[12 + Below(lnode_types_.size() - 12)];
      const std::string& class_name = type.ln_class;
      const char* prefix = class_name[0] == 'P' ? "Prot" : (class_name[0] == 'X' ? "Q0" : "");
      lns.push_back(
          {prefix, class_name, std::to_string(++instances[class_name]), type.id, &type.do_names});
    }

    out_ << "        <LDevice inst=\"" << Ld_Name(ld) << "\" desc=\"Bay " << ld + 1 << "\">\n";
    // LN0 with data sets over the node's own logical nodes, their reports and one GOOSE.
    const std::string lln0 = "LLN0_T" + std::to_string(Below(8));
    out_ << "          <LN0 lnClass=\"LLN0\" lnType=\"" << lln0 << "\" inst=\"\">\n";
    constexpr int Data_Sets = 4;
    for (int ds = 0; ds < Data_Sets; ++ds) {
      out_ << "            <DataSet name=\"DS" << ds << "\" desc=\"Data set " << ds << "\">\n";
      for (int member = 0; member < 25; ++member) Fcda(ld, lns[Below(lns.size())]);
      out_ << "            </DataSet>\n";
    }
    for (int ds = 0; ds < Data_Sets; ++ds)
      out_ << "            <ReportControl name=\"urcb" << ds << "\" datSet=\"DS" << ds
           << "\" rptID=\"GW_IED1" << Ld_Name(ld) << "/LLN0$RP$urcb" << ds
           << "\" confRev=\"1\" buffered=\"false\" bufTime=\"50\" intgPd=\"0\">\n"
           << "              <TrgOps dchg=\"true\" qchg=\"true\" dupd=\"false\" "
              "period=\"false\" gi=\"true\"/>\n"
           << "              <OptFields seqNum=\"true\" timeStamp=\"true\" dataSet=\"true\" "
              "reasonCode=\"true\" dataRef=\"false\" entryID=\"false\" configRef=\"true\"/>\n"
           << "              <RptEnabled max=\"5\"/>\n"
           << "            </ReportControl>\n";
    out_ << "            <GSEControl name=\"gcb01\" datSet=\"DS0\" appID=\"GW_IED1" << Ld_Name(ld)
         << "/LLN0.gcb01\" confRev=\"1\" type=\"GOOSE\"/>\n"
         << "            <SettingControl numOfSGs=\"1\" actSG=\"1\"/>\n"
         << "            <DOI name=\"Mod\">\n"
         << "              <DAI name=\"ctlModel\"><Val>status-only</Val></DAI>\n"
         << "            </DOI>\n"
         << "            <DOI name=\"NamPlt\">\n"
         << "              <DAI name=\"vendor\"><Val>Bench</Val></DAI>\n"
         << "              <DAI name=\"swRev\"><Val>1.001</Val></DAI>\n"
         << "              <DAI name=\"configRev\"><Val>1</Val></DAI>\n"
         << "            </DOI>\n"
         << "          </LN0>\n";
    out_ << "          <LN lnClass=\"LPHD\" lnType=\"LPHD_T" << Below(4) << "\" inst=\"1\"/>\n";
    for (const Ln_Instance& ln : lns) {
      out_ << "          <LN prefix=\"" << ln.prefix << "\" lnClass=\"" << ln.ln_class
           << "\" lnType=\"" << ln.type << "\" inst=\"" << ln.inst << "\" desc=\"" << ln.ln_class
           << " " << ln.inst << " of bay " << ld + 1 << "\">\n";
      for (const std::string& do_name : *ln.dos) {
        if (!Chance(40)) continue;
        out_ << "            <DOI name=\"" << do_name << "\" desc=\"" << do_name << " of "
             << ln.prefix << ln.ln_class << ln.inst << "\">\n"
             << "              <DAI name=\"d\"><Val>" << do_name << " " << ln.ln_class
             << "</Val></DAI>\n"
             << "              <DAI name=\"dataNs\" valKind=\"RO\"><Val>IEC 61850-7-4:2007B"
                "</Val></DAI>\n"
             << "            </DOI>\n";
      }
      out_ << "          </LN>\n";
    }
    out_ << "        </LDevice>\n";
  }

  // A member: mostly a whole data object, sometimes an attribute or a dotted path.
  void Fcda(int ld, const Ln_Instance& ln) {
    if (ln.dos->empty()) return;
    const std::string& do_name = (*ln.dos)[Below(ln.dos->size())];
    const char* da_name = nullptr;
    const size_t pick = Below(10);
    if (pick == 0)
      da_name = "q";
    else if (pick == 1)
      da_name = "stVal";
    else if (pick == 2)
      da_name = "mag.f";
    out_ << "              <FCDA ldInst=\"" << Ld_Name(ld) << "\" prefix=\"" << ln.prefix
         << "\" lnClass=\"" << ln.ln_class << "\" lnInst=\"" << ln.inst << "\" doName=\"" << do_name
         << "\"" << (da_name ? std::string(" daName=\"") + da_name + "\"" : "") << " fc=\""
         << (Below(2) ? "ST" : "MX") << "\"/>\n";
  }

  void Templates() {
    out_ << "  <DataTypeTemplates>\n";
    for (const Lnode_Type_Plan& type : lnode_types_) {
      out_ << "    <LNodeType id=\"" << type.id << "\" lnClass=\"" << type.ln_class << "\">\n";
      for (size_t i = 0; i < type.do_names.size(); ++i)
        out_ << "      <DO name=\"" << type.do_names[i] << "\" type=\"" << type.do_types[i]
             << "\"/>\n";
      out_ << "    </LNodeType>\n";
    }
    for (const auto& [cdc, members] : Cdcs)
      for (int v = 0; v < do_variants_.at(cdc); ++v) {
        out_ << "    <DOType id=\"" << cdc << "_V" << v << "\" cdc=\"" << cdc << "\">\n";
        for (const Member& member : members) {
          if (member.optional && !Chance(60)) continue;
          if (member.sdo) {
            out_ << "      <SDO name=\"" << member.name << "\" type=\"" << Do_Type_Id(member.type)
                 << "\"/>\n";
            continue;
          }
          out_ << "      <DA name=\"" << member.name << "\" bType=\"" << member.bType << "\" fc=\""
               << member.fc << "\"";
          if (*member.trigger) out_ << " " << member.trigger << "=\"true\"";
          Type_Attribute(member);
          if (std::string(member.name) == "ctlModel")
            out_ << "><Val>status-only</Val></DA>\n";
          else
            out_ << "/>\n";
        }
        out_ << "    </DOType>\n";
      }
    for (const auto& [kind, members] : Da_Kinds)
      for (int v = 0; v < da_variants_.at(kind); ++v) {
        out_ << "    <DAType id=\"" << kind << "_V" << v << "\">\n";
        for (const Member& member : members) {
          if (member.optional && !Chance(60)) continue;
          out_ << "      <BDA name=\"" << member.name << "\" bType=\"" << member.bType << "\"";
          Type_Attribute(member);
          out_ << "/>\n";
        }
        out_ << "    </DAType>\n";
      }
    for (const auto& [id, values] : Enums) {
      out_ << "    <EnumType id=\"" << id << "\">\n";
      for (size_t ord = 0; ord < values.size(); ++ord)
        out_ << "      <EnumVal ord=\"" << static_cast<long long>(ord) << "\">" << values[ord]
             << "</EnumVal>\n";
      out_ << "    </EnumType>\n";
    }
    out_ << "  </DataTypeTemplates>\n";
  }

  void Type_Attribute(const Member& member) {
    if (std::string(member.bType) == "Struct")
      out_ << " type=\"" << Da_Type_Id(member.type) << "\"";
    else if (std::string(member.bType) == "Enum")
      out_ << " type=\"" << member.type << "\"";
  }

  Writer out_;
  const int scale_;
  std::mt19937_64 random_;
  std::map<std::string, int> da_variants_, do_variants_;
  // Drawn before anything is written: the IED's instances and data sets name their data objects.
  struct Lnode_Type_Plan {
    std::string id, ln_class;
    std::vector<std::string> do_names, do_types;
  };
  std::vector<Lnode_Type_Plan> lnode_types_;
};

}  // namespace

void Generate_SCL(const std::string& path, int scale) {
  if (scale < 1) throw std::invalid_argument("scale must be at least 1");
  Generator(path, scale).Run();
}

}  // namespace bench
