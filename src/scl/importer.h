// One import (Importer): what it keeps of the document, the data set members still to resolve and
// the expansion's work stack. It reads the document in scl_import.cpp and builds the data objects
// and attributes from the templates, then the members, in import_build.cpp. Used by the import
// alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "scl/import_templates.h"
#include "scl/scl_import.h"
#include "scl/scl_model.h"
#include "util/progress.h"

namespace UIEC_Client_Decode::import_parts {

// The templates of a document by kind, each indexed by id.
struct Template_Kinds {
  Type_Index lnode_types, do_types, da_types;
};

// A number that no other import of the process has.
uint64_t Next_Import_Number();

// One import: what is kept of the document, and the expansion's work stack.
class Importer {
 public:
  Importer(TIEC_Device& device, std::string path, const std::string* ied_name = nullptr,
           std::vector<FCDA_Finding>* findings = nullptr, Shared_Templates* shared = nullptr,
           util::Progress* progress = nullptr)
      : device_(device),
        store_(device.Store()),
        path_name_(std::move(path)),
        ied_name_(ied_name),
        findings_(findings),
        shared_(shared),
        progress_(progress),
        // The file's own import counts its objects; one IED of a document the caller reads
        // (the check) only polls, inside the caller's stage.
        steps_(progress, !path_name_.empty()) {}
  // An import stopped half-way leaves the expansions it ran unmarked on shared templates.
  ~Importer() {
    for (const Frame& frame : stack_) --frame.type->active;
  }

  void Decode_ICD_File();
  // The same for IED element `ied` of a document the caller keeps.
  void Decode_IED(Node document, Node ied);

 private:
  // Reading the document (scl_import.cpp).
  bool Read_Document(Node doc, Node ied);
  static void Index_Templates(Node dtt, Template_Kinds& kinds, Model_Store& texts);
  void Decode_LDevice(TIEC_LDevice& ld, Node element);
  void Decode_LN(TIEC_LN& ln, Node element);
  void Decode_LN_DataSet(TIEC_LN& ln, Node element);
  void Decode_LN_Goose(const std::unordered_map<std::string_view, TIEC_DataSet*>& by_name,
                       Node element);
  void Decode_DataSet(TIEC_DataSet& data_set, Node element);
  const char* Keep(Node element, const char* attribute);

  // Building the model (import_build.cpp).
  void Build_Model();
  const DA_Texts* Texts_Of(Template_Child& child, const std::string* fc_father);
  void Start_DO(TIEC_DO& dobj, const Template_Child& child);
  void Start_DA(TIEC_DA& da, const Template_Child& child);
  void Check_Nesting(const Type_Entry& type) const;
  void Expand();

  struct Frame {
    TIEC_DO* dobj;  // expanding a DOType for this data object, or
    TIEC_DA* da;    // a DAType for this attribute
    Type_Entry* type;
    size_t next;  // next child of the type to create
  };
  struct Pending_LN {
    TIEC_LN* ln;
    Type_Entry* type;
  };
  struct Pending_Member {
    TIEC_DataSet* data_set;
    const char* ldInst;
    const char* prefix;
    const char* lnClass;
    const char* lnInst;
    const char* doName;
    const char* daName;
    const char* fc;
    Node fcda;  // only followed while the caller keeps the document (findings_ set)
  };

  TIEC_Device& device_;
  Model_Store& store_;
  const std::string path_name_;
  const std::string* ied_name_;  // null: the file's first IED
  size_t source_bytes_ = 0;      // the document's size, for the bound on its objects; 0: none
  // Where the FCDAs that add no member, or name another fc, go; null when nobody asks.
  std::vector<FCDA_Finding>* findings_;
  Text_Store texts_;
  Shared_Templates* shared_;    // null: the templates are this import's own
  util::Progress* progress_;    // null: nobody follows the import
  util::Progress_Steps steps_;  // the objects built, passed on to progress_
  Template_Kinds own_templates_;
  Template_Kinds* templates_ = &own_templates_;
  // This import's number, which no other import of the process has: what a template child
  // remembers of one import is not taken for another's.
  const uint64_t number_ = Next_Import_Number();
  std::vector<Pending_LN> lns_;
  std::vector<Pending_Member> members_;  // in document order, so each set's order is kept
  std::vector<Frame> stack_;
};

}  // namespace UIEC_Client_Decode::import_parts
