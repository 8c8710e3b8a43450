// rq30517-cli scl [--stats] [--ied NAME] FILE: the model the gateway's client sees in an SCL file,
// as JSON.
#include <algorithm>
#include <cstddef>
#include <exception>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/cli_strings.h"
#include "cli/commands.h"
#include "scl/model_walk.h"
#include "scl/scl_import.h"
#include "util/files.h"

namespace cli {

namespace {

using nlohmann::ordered_json;
using namespace UIEC_Client_Decode;

// Writes the model as one line of JSON while it walks it, so that the output never has to be
// held in memory: a small file can describe a model whose JSON is many gigabytes. Each attribute
// carries its whole reference, which the import's limit on nesting (Max_Nesting_Levels) keeps to
// a few dozen names, so the output grows with the model and not with the square of its depth.
class Json_Writer : public Model_Visitor {
 public:
  explicit Json_Writer(std::ostream& out) : out_(out) { buffer_.reserve(Buffer_Bytes + 4096); }
  ~Json_Writer() { Flush(); }

  void Device(const TIEC_Device& device) { Walk_Model(device, *this); }

  void Flush() {
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
  }

  using Model_Visitor::Leave;  // a data set is written whole on entering it

  bool Enter(const TIEC_Device& device, size_t) {
    Open(0, "name", device.Name());
    Field("fileName", device.FileName());
    Put(R"(,"lDevices":[)");
    device_name_ = &device.Name();
    return true;
  }
  void Leave(const TIEC_Device&) { Put("]}"); }

  bool Enter(const TIEC_LDevice& ld, size_t index) {
    Open(index, "name", ld.Name());
    Put(R"(,"lns":[)");
    return true;
  }
  void Leave(const TIEC_LDevice&) { Put("]}"); }

  bool Enter(const TIEC_LN& ln, size_t index) {
    Open(index, "lnClass", ln.lnClass());
    Field("lnType", ln.lnType());
    Field("prefix", ln.Prefix());
    Field("inst", ln.Inst());
    Put(R"(,"dos":[)");
    path_.assign(*device_name_).append(ln.Owner_LDevice()->Name()).append(1, '/');
    path_.append(ln.Prefix()).append(ln.lnClass()).append(ln.Inst());
    path_lengths_.assign(1, path_.size());
    in_data_sets_ = false;
    return true;
  }
  void Leave(const TIEC_LN&) {
    if (!in_data_sets_) Put(R"(],"dataSets":[)");
    Put("]}");
  }

  // A data object has its sub data objects, then its attributes.
  bool Enter(const TIEC_DO& dobj, size_t index) {
    Open(index, "name", dobj.Name());
    Put(R"(,"dos":[)");
    Start_Path(dobj.Name());
    return true;
  }
  void Leave(const TIEC_DO& dobj) {
    if (dobj.List_DA.empty()) Put(R"(],"das":[)");
    Put("]}");
    path_lengths_.pop_back();
  }

  bool Enter(const TIEC_DA& da, size_t index) {
    // The first attribute of a data object ends the list of its sub data objects.
    if (index == 0 && !da.Parent_DA()) Put(R"(],"das":[)");
    Open(index, "name", da.Name());
    Start_Path(da.Name());
    Field("reference", path_);
    Type_Fields(da);
    Put(R"(,"das":[)");
    return true;
  }
  void Leave(const TIEC_DA&) {
    Put("]}");
    path_lengths_.pop_back();
  }

  bool Enter(const TIEC_DataSet& data_set, size_t index) {
    if (index == 0) {
      Put(R"(],"dataSets":[)");
      in_data_sets_ = true;
    }
    Open(index, "name", data_set.Name());
    Field("reference", data_set.Reference());
    Field("gooseName", data_set.GooseName());
    Put(R"(,"members":[)");
    for (size_t j = 0; j < data_set.List_DA.size(); ++j) {
      const TIEC_DA& member = *data_set.List_DA[j];
      Open(j, "reference", member.Reference());
      Type_Fields(member);
      Put("}");
    }
    Put("]}");
    return false;
  }

 private:
  static constexpr size_t Buffer_Bytes = 1 << 20;

  void Put(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= Buffer_Bytes) Flush();
  }

  // An object of a list up to its first field: "{" after a comma unless it is the list's first,
  // then `"key":` and `value`.
  void Open(size_t index, std::string_view key, std::string_view value) {
    Put(index ? ",{\"" : "{\"");
    Put(key);
    Put("\":");
    Text(value);
  }
  // A further field of an object: `,"key":` and `value`.
  void Field(std::string_view key, std::string_view value) {
    Put(",\"");
    Put(key);
    Put("\":");
    Text(value);
  }
  // What an attribute and a data set member both show after their reference.
  void Type_Fields(const TIEC_DA& da) {
    Field("fc", da.FC());
    Field("bType", da.bType());
  }

  // A JSON string. Texts that are not valid UTF-8 (a file in an undeclared 8-bit encoding) are
  // written with replacement characters rather than refused; such texts, and those that need
  // escapes, go through the JSON library so that they come out exactly as it writes them.
  void Text(std::string_view text) {
    for (const char c : text) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 0x20 || byte >= 0x80 || c == '"' || c == '\\') {
        Put(ordered_json(std::string(text))
                .dump(-1, ' ', false, ordered_json::error_handler_t::replace));
        return;
      }
    }
    buffer_.append(1, '"').append(text).append(1, '"');
    if (buffer_.size() >= Buffer_Bytes) Flush();
  }

  // path_ becomes the reference of the object entered: its parent's followed by "." and `name`.
  void Start_Path(const std::string& name) {
    path_.resize(path_lengths_.back());
    path_.append(1, '.').append(name);
    path_lengths_.push_back(path_.size());
  }

  std::ostream& out_;
  std::string buffer_;
  const std::string* device_name_ = nullptr;
  // The reference of the object being written, each ancestor's a prefix of it; the lengths of
  // the references of the node and of the data objects and attributes being written.
  std::string path_;
  std::vector<size_t> path_lengths_;
  bool in_data_sets_ = false;  // the node's data sets are being written
};

// How many objects of each kind the model holds.
struct Stats_Counter : Model_Visitor {
  using Model_Visitor::Enter;
  bool Enter(const TIEC_LN& ln, size_t) {
    ++lns;
    data_sets += ln.List_DataSet.size();
    for (const TIEC_DataSet* data_set : ln.List_DataSet) members += data_set->List_DA.size();
    return true;
  }
  bool Enter(const TIEC_DO&, size_t) {
    ++dos;
    return true;
  }
  bool Enter(const TIEC_DA&, size_t) {
    ++das;
    return true;
  }
  bool Enter(const TIEC_DataSet&, size_t) { return false; }
  size_t lns = 0, dos = 0, das = 0, data_sets = 0, members = 0;
};

ordered_json Stats_Json(const TIEC_Device& device) {
  Stats_Counter count;
  Walk_Model(device, count);
  return {{"lDevices", device.List_LDevice.size()},
          {"lns", count.lns},
          {"dos", count.dos},
          {"das", count.das},
          {"dataSets", count.data_sets},
          {"members", count.members}};
}

}  // namespace

int Scl_Command(int argc, char** argv) {
  bool stats = false;
  std::string file;
  int files = 0;
  bool by_name = false;  // --ied NAME: that IED instead of the file's first
  std::string ied_name;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--stats") {
      stats = true;
    } else if (arg == "--ied" && i + 1 < argc && !by_name) {
      by_name = true;
      ied_name = argv[++i];
    } else {
      file = arg;
      ++files;
    }
  }
  if (files != 1) {
    std::cerr << Say(cli_strings::Text_Cli_Usage_Scl) << "\n";
    return 2;
  }
  // The import treats a missing file as an empty server; here it is a mistake to report.
  if (!util::File_Exists(file)) {
    std::cerr << "rq30517-cli scl: " << Say(cli_strings::Text_Cli_No_Such_File, {file}) << "\n";
    return 1;
  }
  try {
    TIEC_Device device;
    device.Set_FileName(util::File_Name_Of(file));
    Decode_ICD_File_IED(device, file, by_name ? &ied_name : nullptr);
    if (stats) {
      std::cout << Stats_Json(device).dump() << '\n';
    } else {
      Json_Writer writer(std::cout);
      writer.Device(device);
      writer.Flush();
      std::cout << '\n';
    }
  } catch (const std::exception& e) {
    std::cerr << "rq30517-cli scl: " << e.what() << '\n';
    return 1;
  }
  std::cout.flush();
  return std::cout ? 0 : 1;
}

}  // namespace cli
