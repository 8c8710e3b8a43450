// rq30517-cli scl [--stats] [--ied NAME] FILE: the model the gateway's client sees in an SCL file,
// as JSON.
#include <pthread.h>

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

ordered_json Da_Fields(const TIEC_DA& da) {
  return {{"name", da.fName},
          {"reference", da.fReference},
          {"fc", da.fFC},
          {"bType", da.fbType},
          {"das", ordered_json::array()}};
}

ordered_json Do_Fields(const TIEC_DO& dobj) {
  return {{"name", dobj.fName}, {"dos", ordered_json::array()}, {"das", ordered_json::array()}};
}

// Builds the JSON of one logical node's data objects with an explicit stack: data types may
// nest thousands of levels deep. Returns the deepest nesting met, in JSON levels (two per data
// object or attribute: the object and its list).
size_t Add_Data_Objects(const TIEC_LN& ln, ordered_json& dos) {
  // One level: the JSON array being filled, and the model list it mirrors.
  struct Level {
    ordered_json* array;
    const std::vector<std::unique_ptr<TIEC_DO>>* do_list;
    const std::vector<std::unique_ptr<TIEC_DA>>* da_list;
    size_t next;
  };
  std::vector<Level> stack{{&dos, &ln.List_DO, nullptr, 0}};
  size_t depth = 0;
  while (!stack.empty()) {
    depth = std::max(depth, stack.size());
    Level& level = stack.back();
    const size_t count = level.do_list ? level.do_list->size() : level.da_list->size();
    if (level.next == count) {
      stack.pop_back();
      continue;
    }
    const size_t index = level.next++;
    ordered_json* array = level.array;  // `level` dies when the stack grows
    if (level.do_list) {
      const TIEC_DO& dobj = *(*level.do_list)[index];
      array->push_back(Do_Fields(dobj));
      ordered_json& added = array->back();
      // Sub data objects come before attributes in the output; the stack runs last in first out.
      stack.push_back({&added["das"], nullptr, &dobj.List_DA, 0});
      stack.push_back({&added["dos"], &dobj.List_DO, nullptr, 0});
    } else {
      const TIEC_DA& da = *(*level.da_list)[index];
      array->push_back(Da_Fields(da));
      stack.push_back({&array->back()["das"], nullptr, &da.List_DA, 0});
    }
  }
  return depth;
}

ordered_json Data_Set_Json(const TIEC_DataSet& data_set) {
  ordered_json members = ordered_json::array();
  for (const TIEC_DA* member : data_set.List_DA)
    members.push_back(
        {{"reference", member->fReference}, {"fc", member->fFC}, {"bType", member->fbType}});
  return {{"name", data_set.fName},
          {"reference", data_set.fReference},
          {"gooseName", data_set.fGooseName},
          {"members", std::move(members)}};
}

ordered_json Model_Json(const TIEC_Device& device, size_t& depth) {
  ordered_json lds = ordered_json::array();
  for (const auto& ld : device.List_LDevice) {
    ordered_json lns = ordered_json::array();
    for (const auto& ln : ld->List_LN) {
      ordered_json dos = ordered_json::array();
      depth = std::max(depth, Add_Data_Objects(*ln, dos));
      ordered_json data_sets = ordered_json::array();
      for (const auto& data_set : ln->List_DataSet) data_sets.push_back(Data_Set_Json(*data_set));
      lns.push_back({{"lnClass", ln->flnClass},
                     {"lnType", ln->flnType},
                     {"prefix", ln->fPrefix},
                     {"inst", ln->fInst},
                     {"dos", std::move(dos)},
                     {"dataSets", std::move(data_sets)}});
    }
    lds.push_back({{"name", ld->fName}, {"lns", std::move(lns)}});
  }
  return {{"name", device.fName}, {"fileName", device.fFileName}, {"lDevices", std::move(lds)}};
}

ordered_json Stats_Json(const TIEC_Device& device) {
  size_t lns = 0, dos = 0, das = 0, data_sets = 0, members = 0;
  std::vector<const TIEC_DO*> do_stack;
  std::vector<const TIEC_DA*> da_stack;
  for (const auto& ld : device.List_LDevice)
    for (const auto& ln : ld->List_LN) {
      ++lns;
      data_sets += ln->List_DataSet.size();
      for (const auto& data_set : ln->List_DataSet) members += data_set->List_DA.size();
      for (const auto& dobj : ln->List_DO) do_stack.push_back(dobj.get());
      while (!do_stack.empty()) {
        const TIEC_DO* dobj = do_stack.back();
        do_stack.pop_back();
        ++dos;
        for (const auto& sub : dobj->List_DO) do_stack.push_back(sub.get());
        for (const auto& da : dobj->List_DA) da_stack.push_back(da.get());
      }
      while (!da_stack.empty()) {
        const TIEC_DA* da = da_stack.back();
        da_stack.pop_back();
        ++das;
        for (const auto& sub : da->List_DA) da_stack.push_back(sub.get());
      }
    }
  return {{"lDevices", device.List_LDevice.size()},
          {"lns", lns},
          {"dos", dos},
          {"das", das},
          {"dataSets", data_sets},
          {"members", members}};
}

// The JSON writer descends recursively; a deeply nested model is written on a thread whose
// stack is sized for it (generously: sanitizer and debug builds use far larger frames).
std::string Dump(const ordered_json& json, size_t depth) {
  struct Job {
    const ordered_json* json;
    std::string text;
    std::exception_ptr error;
  } job{&json, {}, nullptr};
  auto run = [](void* arg) -> void* {
    Job& job = *static_cast<Job*>(arg);
    try {
      // Texts that are not valid UTF-8 (a file in an undeclared 8-bit encoding) are written with
      // replacement characters rather than refused.
      job.text = job.json->dump(-1, ' ', false, ordered_json::error_handler_t::replace);
    } catch (...) {
      job.error = std::current_exception();
    }
    return nullptr;
  };
  constexpr size_t Bytes_Per_Level = 4096;
  constexpr size_t Plain_Depth = 500;
  constexpr size_t Max_Depth = 100'000;
  if (depth > Max_Depth)
    throw std::runtime_error("the model nests " + std::to_string(depth / 2) +
                             " levels deep, too deep to write as JSON");
  if (depth <= Plain_Depth) {
    run(&job);
  } else {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, (8u << 20) + depth * Bytes_Per_Level);
    pthread_t thread;
    const int failed = pthread_create(&thread, &attr, run, &job);
    pthread_attr_destroy(&attr);
    if (failed) throw std::runtime_error("cannot start the JSON writer");
    pthread_join(thread, nullptr);
  }
  if (job.error) std::rethrow_exception(job.error);
  return job.text;
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
      size_t depth = 0;
      const ordered_json json = Model_Json(device, depth);
      std::cout << Dump(json, depth + 8) << '\n';
    }
  } catch (const std::exception& e) {
    std::cerr << "rq30517-cli scl: " << e.what() << '\n';
    return 1;
  }
  std::cout.flush();
  return std::cout ? 0 : 1;
}

}  // namespace cli
