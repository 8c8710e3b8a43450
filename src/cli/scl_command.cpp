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

#include "cli/commands.h"
#include "iec/scl_import.h"
#include "util/files.h"

namespace cli {

namespace {

using nlohmann::ordered_json;
using namespace UIEC_Client_Decode;

// Writes the model as one line of JSON while it walks it, so that the output never has to be
// held in memory: a small file can describe a model whose JSON is many gigabytes. The walk keeps
// its own stack, since data types may nest hundreds of thousands of levels deep.
class Json_Writer {
 public:
  explicit Json_Writer(std::ostream& out) : out_(out) { buffer_.reserve(Buffer_Bytes + 4096); }
  ~Json_Writer() { Flush(); }

  void Device(const TIEC_Device& device) {
    Put(R"({"name":)");
    Text(device.Name());
    Put(R"(,"fileName":)");
    Text(device.FileName());
    Put(R"(,"lDevices":[)");
    for (size_t i = 0; i < device.List_LDevice.size(); ++i) {
      const TIEC_LDevice& ld = *device.List_LDevice[i];
      Put(i ? R"(,{"name":)" : R"({"name":)");
      Text(ld.Name());
      Put(R"(,"lns":[)");
      for (size_t j = 0; j < ld.List_LN.size(); ++j) {
        if (j) Put(",");
        Logical_Node(device, ld, *ld.List_LN[j]);
      }
      Put("]}");
    }
    Put("]}");
  }

  void Flush() {
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
  }

 private:
  static constexpr size_t Buffer_Bytes = 1 << 20;

  void Put(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= Buffer_Bytes) Flush();
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

  void Logical_Node(const TIEC_Device& device, const TIEC_LDevice& ld, const TIEC_LN& ln) {
    Put(R"({"lnClass":)");
    Text(ln.lnClass());
    Put(R"(,"lnType":)");
    Text(ln.lnType());
    Put(R"(,"prefix":)");
    Text(ln.Prefix());
    Put(R"(,"inst":)");
    Text(ln.Inst());
    Put(R"(,"dos":[)");
    path_.assign(device.Name()).append(ld.Name()).append(1, '/');
    path_.append(ln.Prefix()).append(ln.lnClass()).append(ln.Inst());
    Data_Objects(ln.List_DO);
    Put(R"(],"dataSets":[)");
    for (size_t i = 0; i < ln.List_DataSet.size(); ++i) {
      const TIEC_DataSet& data_set = *ln.List_DataSet[i];
      Put(i ? R"(,{"name":)" : R"({"name":)");
      Text(data_set.Name());
      Put(R"(,"reference":)");
      Text(data_set.Reference());
      Put(R"(,"gooseName":)");
      Text(data_set.GooseName());
      Put(R"(,"members":[)");
      for (size_t j = 0; j < data_set.List_DA.size(); ++j) {
        const TIEC_DA& member = *data_set.List_DA[j];
        Put(j ? R"(,{"reference":)" : R"({"reference":)");
        Text(member.Reference());
        Put(R"(,"fc":)");
        Text(member.FC());
        Put(R"(,"bType":)");
        Text(member.bType());
        Put("}");
      }
      Put("]}");
    }
    Put("]}");
  }

  // The data objects of a node, with everything below them; path_ holds the node's reference.
  // Each level of the stack is a list being written; a data object has two in turn (its sub
  // data objects, then its attributes), so a level knows which one it is on.
  void Data_Objects(const Object_List<TIEC_DO>& top) {
    struct Level {
      const TIEC_DO* owner;  // the data object whose lists these are; null for the node's
      const Object_List<TIEC_DO>* dos;
      const Object_List<TIEC_DA>* das;
      size_t next;
      size_t path_length;  // the reference of the owner: this much of path_
    };
    std::vector<Level> stack{{nullptr, &top, nullptr, 0, path_.size()}};
    while (!stack.empty()) {
      Level& level = stack.back();
      if (level.dos) {
        if (level.next == level.dos->size()) {
          if (!level.owner) {
            stack.pop_back();
            continue;
          }
          // The sub data objects are done: the owner's attributes follow.
          Put(R"(],"das":[)");
          level.dos = nullptr;
          level.das = &level.owner->List_DA;
          level.next = 0;
          continue;
        }
        const TIEC_DO& dobj = *(*level.dos)[level.next];
        Put(level.next++ ? R"(,{"name":)" : R"({"name":)");
        Text(dobj.Name());
        Put(R"(,"dos":[)");
        path_.resize(level.path_length);
        path_.append(1, '.').append(dobj.Name());
        stack.push_back({&dobj, &dobj.List_DO, nullptr, 0, path_.size()});  // `level` dies here
        continue;
      }
      if (level.next == level.das->size()) {
        Put("]}");
        stack.pop_back();
        continue;
      }
      const TIEC_DA& da = *(*level.das)[level.next];
      Put(level.next++ ? R"(,{"name":)" : R"({"name":)");
      Text(da.Name());
      path_.resize(level.path_length);
      path_.append(1, '.').append(da.Name());
      Put(R"(,"reference":)");
      Text(path_);
      Put(R"(,"fc":)");
      Text(da.FC());
      Put(R"(,"bType":)");
      Text(da.bType());
      Put(R"(,"das":[)");
      stack.push_back({nullptr, nullptr, &da.List_DA, 0, path_.size()});
    }
  }

  std::ostream& out_;
  std::string buffer_;
  // The reference of the object being written, each ancestor's a prefix of it.
  std::string path_;
};

ordered_json Stats_Json(const TIEC_Device& device) {
  size_t lns = 0, dos = 0, das = 0, data_sets = 0, members = 0;
  std::vector<const TIEC_DO*> do_stack;
  std::vector<const TIEC_DA*> da_stack;
  for (const auto& ld : device.List_LDevice)
    for (const auto& ln : ld->List_LN) {
      ++lns;
      data_sets += ln->List_DataSet.size();
      for (const TIEC_DataSet* data_set : ln->List_DataSet) members += data_set->List_DA.size();
      for (const TIEC_DO* dobj : ln->List_DO) do_stack.push_back(dobj);
      while (!do_stack.empty()) {
        const TIEC_DO* dobj = do_stack.back();
        do_stack.pop_back();
        ++dos;
        for (const TIEC_DO* sub : dobj->List_DO) do_stack.push_back(sub);
        for (const TIEC_DA* da : dobj->List_DA) da_stack.push_back(da);
      }
      while (!da_stack.empty()) {
        const TIEC_DA* da = da_stack.back();
        da_stack.pop_back();
        ++das;
        for (const TIEC_DA* sub : da->List_DA) da_stack.push_back(sub);
      }
    }
  return {{"lDevices", device.List_LDevice.size()},
          {"lns", lns},
          {"dos", dos},
          {"das", das},
          {"dataSets", data_sets},
          {"members", members}};
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
    std::cerr << "Usage: rq30517-cli scl [--stats] [--ied NAME] FILE\n";
    return 2;
  }
  // The import treats a missing file as an empty server; here it is a mistake to report.
  if (!util::File_Exists(file)) {
    std::cerr << "rq30517-cli scl: " << file << ": no such file\n";
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
