#include "check/conf_view.h"

#include <set>

#include "access/server_list.h"
#include "check/check_strings.h"
#include "util/files.h"

namespace check {

using namespace check_strings;
using UIEC_61850_Access::Catalog_Path;
using UIEC_Client_Decode::TIEC_DO;

std::vector<const TIEC_DA*> Find_Attributes(const TIEC_Device& device, std::string_view reference) {
  std::vector<const TIEC_DA*> found;
  for (const auto* ld : device.List_LDevice) {
    const std::string ld_part = device.Name() + ld->Name() + "/";
    if (reference.substr(0, ld_part.size()) != ld_part) continue;
    for (const auto* ln : ld->List_LN) {
      const std::string ln_part = ld_part + ln->Prefix() + ln->lnClass() + ln->Inst() + ".";
      if (reference.substr(0, ln_part.size()) != ln_part) continue;
      std::vector<std::string_view> names;
      std::string_view rest = reference.substr(ln_part.size());
      for (;;) {
        const size_t dot = rest.find('.');
        names.push_back(rest.substr(0, dot));
        if (dot == std::string_view::npos) break;
        rest.remove_prefix(dot + 1);
      }
      // Depth first over every object whose names match so far.
      struct Step {
        const TIEC_DO* dobj;
        const TIEC_DA* da;
        size_t next;  // the name to match below it
      };
      std::vector<Step> stack;
      for (const TIEC_DO* d : ln->List_DO)
        if (d->Name() == names[0]) stack.push_back({d, nullptr, 1});
      while (!stack.empty() && found.size() < 8) {
        const Step step = stack.back();
        stack.pop_back();
        if (step.next == names.size()) {
          if (step.da) found.push_back(step.da);
          continue;
        }
        const std::string_view name = names[step.next];
        if (step.dobj) {
          for (const TIEC_DO* d : step.dobj->List_DO)
            if (d->Name() == name) stack.push_back({d, nullptr, step.next + 1});
          for (const TIEC_DA* a : step.dobj->List_DA)
            if (a->Name() == name) stack.push_back({nullptr, a, step.next + 1});
        } else {
          for (const TIEC_DA* a : step.da->List_DA)
            if (a->Name() == name) stack.push_back({nullptr, a, step.next + 1});
        }
      }
    }
  }
  return found;
}

void Check_Servers(Conf_View& view, const std::string& catalog_dir, const Conf_Options& options,
                   const Sink& sink, const lang::Lang_Strings& texts_,
                   std::vector<std::unique_ptr<TIEC_Device>>* imported) {
  std::set<std::string> checked;
  std::set<std::string> data_sets_used;
  for (const Stored_DataSet& d : view.data_sets) data_sets_used.insert(d.Reference);
  const Sink scl_sink = [&](const Finding& finding) {
    Finding f = finding;
    // A file that cannot be read leaves every row of its server without a model.
    f.concerns_rows =
        f.rule == "xml-error" || (!f.data_set.empty() && data_sets_used.count(f.data_set) > 0);
    sink(f);
  };
  for (size_t i = 0; i < view.servers.size(); ++i) {
    const auto& [name, line] = view.servers[i];
    const std::string path = Catalog_Path(catalog_dir, name);
    const bool present = !path.empty() && util::File_Exists(path);
    if (!present) {
      Finding f;
      f.rule = "server-file-missing";
      f.file = view.file;
      f.line = line;
      f.kind = "server";
      f.row = static_cast<int>(i) + 1;
      f.object = texts_[Text_Server] + std::to_string(i + 1) + " " + name;
      f.message = f.object + texts_[Text_File_Missing];
      sink(f);
      continue;  // the editor leaves it out: the servers after it move up
    }
    util::Advance(options.progress);
    if (options.scl_check && checked.insert(util::File_Name_Of(path)).second)
      options.scl_check(path, util::File_Name_Of(path), scl_sink, texts_, nullptr,
                        options.progress);
    if (!imported) continue;
    if (options.loaded) {
      const size_t k = view.models.size();
      view.models.push_back(k < options.loaded->size() ? (*options.loaded)[k].get() : nullptr);
      continue;
    }
    try {
      imported->push_back(std::make_unique<TIEC_Device>(path, options.progress));
      view.models.push_back(imported->back().get());
    } catch (const util::Cancelled&) {
      throw;
    } catch (const std::exception&) {
      view.models.push_back(nullptr);  // the file's own findings say why
    }
  }
}

}  // namespace check
