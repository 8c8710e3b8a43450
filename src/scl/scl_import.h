// Import of an SCL file (IEC 61850-6: .scd, .ssd, .sed, .icd, .iid, .cid) into the model of
// scl_model.h: the first IED's first server, its logical devices and nodes, the data objects and
// attributes expanded through DataTypeTemplates, the data sets with their members, and the names
// of the GOOSE controls publishing them.
#pragma once

#include <cstddef>
#include <memory>
#include <pugixml.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "scl/scl_model.h"
#include "util/progress.h"

namespace UIEC_Client_Decode {

// Data types that use each other many times over can describe more than any machine holds from
// a small file. The import counts every byte its model takes (objects, texts, lists, and its own
// tables for resolving data set members) and gives up, with SCL_Error "the model would need more
// than N MB", before taking more than this. A fixed figure, so that a file imports or not
// whatever the machine: 1 GiB holds some 20 million attributes, ten times the largest
// single-server files met in practice, and fits in the memory of any machine that runs the
// configurator.
inline constexpr std::size_t Max_Model_Bytes = std::size_t{1} << 30;

// How deep data objects and attributes may nest: below each data object of a logical node, at
// most this many levels of sub data objects, attributes and sub attributes (a reference holds at
// most this many names after the data object's). Real models use fewer than ten; the limit
// keeps every reference, and every walk that builds references at each level, small. A file
// that nests deeper is refused with SCL_Error naming the limit and the type that goes past it.
inline constexpr std::size_t Max_Nesting_Levels = 64;
// A file's types may expand to at most Max_Objects_Base objects plus Max_Objects_Per_Byte for
// each byte of the file. Real files stay far below (a tenth of an object per byte and less);
// a file of a few KB whose types fan out is refused before it takes more than some 100 MB.
inline constexpr std::size_t Max_Objects_Base = 500'000;
inline constexpr std::size_t Max_Objects_Per_Byte = 8;

// Fills `device` (which must be empty) from the SCL file at `FileName_icd`.
// - No file at the path: nothing happens, the device stays empty.
// - Missing SCL, IED or DataTypeTemplates: the device stays empty; missing AccessPoint or Server
//   in the first IED: the device gets its Name only. Nothing is reported.
// - Throws util::File_Error when the file exists but cannot be read, util::Xml_Error when it is
//   not well-formed (what() is the parser's description with line and column), SCL_Error when
//   its model would exceed `max_bytes` or its types nest deeper than Max_Nesting_Levels. All derive
//   from std::runtime_error; what() is the text to show. On a throw the device is left empty again.
// - `progress` (may be null) follows the reading (Text_Reading_File) and the building of the
//   objects (Text_Building_Model, counting objects); a stop asked for there throws
//   util::Cancelled, and the device is left empty. Safe on a worker thread: an import shares no
//   mutable state with any other.
void Decode_ICD_File(TIEC_Device& device, const std::string& FileName_icd,
                     std::size_t max_bytes = Max_Model_Bytes, util::Progress* progress = nullptr);
// The same, reading the first IED whose "name" equals *IED_Name instead of the file's first IED
// (null: the first IED). The file has no such IED: SCL_Error.
void Decode_ICD_File_IED(TIEC_Device& device, const std::string& FileName_icd,
                         const std::string* IED_Name, std::size_t max_bytes = Max_Model_Bytes,
                         util::Progress* progress = nullptr);

// What the import found wrong with one FCDA of a data set. An FCDA resolves to what it names:
// the logical device by ldInst, the logical node by prefix, lnClass and lnInst together, doName
// as a path of a data object and its sub data objects, daName as a path of an attribute and its
// sub attributes (direct children at each step). Without daName the member is the first leaf
// attribute with the FCDA's fc, in the order the types list attributes and sub data objects;
// with a daName naming a structure, the structure's first leaf.
enum class FCDA_Problem {
  No_LDevice,         // no logical device `name` (ldInst)
  No_LN,              // no logical node `name` in the logical device `where`
  No_DO,              // no data object `name` in the logical node `where`
  No_SDO,             // no sub data object `name` in the data object `where`
  No_DA,              // no attribute `name` in the data object `where`
  No_BDA,             // no sub attribute `name` in the attribute `where`
  No_FC_Attribute,    // no leaf attribute of fc `name` in the data object `where`
  Array_Element,      // `name` is an array element, which the model does not hold
  LN_Without_Type,    // the data set's own node has no lnType: none of its sets is read
  Missing_Attribute,  // the FCDA lacks `name` (ldInst, lnClass or doName)
  FC_Mismatch,        // resolved, but daName names an attribute of fc `name`, not the FCDA's
};

struct FCDA_Finding {
  pugi::xml_node fcda;
  FCDA_Problem problem;
  std::string name;
  std::string where;
  // Whether the FCDA adds no member (every problem but FC_Mismatch).
  bool Unresolved() const { return problem != FCDA_Problem::FC_Mismatch; }
};

// The import of IED element `ied` of a document the caller has loaded (`document`, parsed with
// pugixml's default options or more), as Decode_ICD_File_IED reads it, for the file's check:
// The data type templates of one document, read once for the imports of several of its IEDs:
// given to each Decode_IED_Element on the same document, they make a file of many IEDs cost its
// templates once, not once per IED. They must outlive every device imported with them, whose
// objects keep their texts.
class Shared_Templates {
 public:
  Shared_Templates();
  ~Shared_Templates();
  Shared_Templates(const Shared_Templates&) = delete;
  Shared_Templates& operator=(const Shared_Templates&) = delete;
  struct Set;
  std::unique_ptr<Set> set;
  // The size of the document's text, for the bound on its objects (0: no bound).
  std::size_t document_bytes = 0;
};
// appends to `findings` every FCDA of the server it reads for which it adds no member, and every
// one whose daName names an attribute of another fc, with the reason. Throws SCL_Error when the
// model would exceed `max_bytes` (the device is then left empty). `progress` as for
// Decode_ICD_File: polled only, its stage left to the caller.
void Decode_IED_Element(TIEC_Device& device, pugi::xml_node document, pugi::xml_node ied,
                        std::vector<FCDA_Finding>& findings,
                        std::size_t max_bytes = Max_Model_Bytes,
                        Shared_Templates* templates = nullptr, util::Progress* progress = nullptr);

}  // namespace UIEC_Client_Decode
