// Prints, for every IED of every SCL file given, the FCDAs of its data sets, how many members
// the earlier look-ups gave (a logical node by class alone, names searched in depth, no dotted
// paths) and how many the exact reading gives now, with a total line:
//   build/bin/fcda_members ../shared/scl-samples/*.scd ...
#include <cstdio>
#include <exception>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "scl/scl_import.h"
#include "scl/scl_model.h"
#include "util/files.h"

namespace {

using namespace UIEC_Client_Decode;

struct Counts {
  size_t fcdas = 0, before = 0, now = 0;
  size_t before_other_node = 0;  // an earlier member of another node than its FCDA's now
  size_t before_no_member = 0;   // an earlier member whose FCDA names nothing now
};

// The node part of an attribute's reference (up to the first "."), for the members that name
// another logical node than their FCDA.
std::string LN_Part(const std::string& reference) {
  return reference.substr(0, reference.find('.'));
}

Counts Count_IED(const pugi::xml_document& doc, pugi::xml_node ied) {
  Counts counts;
  TIEC_Device device;
  std::vector<FCDA_Finding> findings;
  Decode_IED_Element(device, doc, ied, findings);
  for (const FCDA_Finding& f : findings)
    if (f.Unresolved()) ++counts.fcdas;
  for (const TIEC_LDevice* ld : device.List_LDevice)
    for (const TIEC_LN* ln : ld->List_LN)
      for (const TIEC_DataSet* ds : ln->List_DataSet) {
        counts.fcdas += ds->List_DA.size();
        counts.now += ds->List_DA.size();
        if (!ds->Has_Earlier_Members()) {
          counts.before += ds->List_DA.size();
          continue;
        }
        counts.before += ds->Earlier_Member_Count();
        for (const Earlier_Member* e = ds->Earlier_Members_Begin(); e != ds->Earlier_Members_End();
             ++e)
          if (e->place == No_Member_Place)
            ++counts.before_no_member;
          else if (LN_Part(e->da->Reference()) != LN_Part(ds->List_DA[e->place]->Reference()))
            ++counts.before_other_node;
      }
  return counts;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: fcda_members FILE...\n");
    return 2;
  }
  Counts total;
  std::printf("%-40s %-36s %6s %7s %6s\n", "file", "IED", "FCDAs", "before", "now");
  for (int i = 1; i < argc; ++i) {
    const std::string path = argv[i];
    pugi::xml_document doc;
    if (!doc.load_file(path.c_str())) {
      std::fprintf(stderr, "%s: not well-formed XML\n", path.c_str());
      continue;
    }
    pugi::xml_node scl = doc.child("SCL");
    for (pugi::xml_node ied = scl.child("IED"); ied; ied = ied.next_sibling("IED")) {
      try {
        const Counts c = Count_IED(doc, ied);
        if (c.fcdas == 0) continue;
        std::printf("%-40s %-36s %6zu %7zu %6zu\n", util::File_Name_Of(path).c_str(),
                    ied.attribute("name").value(), c.fcdas, c.before, c.now);
        total.fcdas += c.fcdas;
        total.before += c.before;
        total.now += c.now;
        total.before_other_node += c.before_other_node;
        total.before_no_member += c.before_no_member;
      } catch (const std::exception& e) {
        std::fprintf(stderr, "%s %s: %s\n", path.c_str(), ied.attribute("name").value(), e.what());
      }
    }
  }
  std::printf("%-40s %-36s %6zu %7zu %6zu\n", "total", "", total.fcdas, total.before, total.now);
  std::printf("members before of another logical node than their FCDA names: %zu\n",
              total.before_other_node);
  std::printf("members before whose FCDA names nothing: %zu\n", total.before_no_member);
  return 0;
}
