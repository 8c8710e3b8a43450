// A configuration as the rules on it see it (conf_rules.cpp): what the client file or the editor
// holds, the servers' models, and the look-up of a reference in a model.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "check/check.h"
#include "scl/scl_model.h"
#include "text/lang_strings.h"

namespace check {

using UIEC_Client_Decode::TIEC_DA;
using UIEC_Client_Decode::TIEC_Device;

struct Stored_Variable {
  std::string Index, bType, fc, Reference, Position, StartBit, ReadWrite, Conversion, Factor;
  std::optional<int> line;
};
struct Stored_Member {
  std::string bType, Reference, Position, StartBit, Conversion, Factor;
  std::optional<int> line;
  // The editor's members only: the bType its attribute has now, when it changed from bType.
  std::string new_bType = {};
};
struct Stored_DataSet {
  std::string Index, Reference;
  std::optional<int> line;
  std::vector<Stored_Member> members;
};

// A configuration as the rules see it, from the file or from the editor.
struct Conf_View {
  std::string file;  // the client file, as findings name it
  std::vector<std::pair<std::string, std::optional<int>>> servers;  // "FileName" and line
  std::vector<Stored_Variable> variables;
  std::vector<Stored_DataSet> data_sets;
  // True when the members are those stored in the file (loading may drop some); false for the
  // editor's, which loading already kept.
  bool stored_members = true;
  // The servers as the editor's list holds them; null for one whose file could not be imported.
  std::vector<const TIEC_Device*> models;
};

// The attributes of `device` whose reference is `reference` (at most a few).
std::vector<const TIEC_DA*> Find_Attributes(const TIEC_Device& device, std::string_view reference);

// The servers' own findings and every rule on each listed catalog file (once per file); with
// `imported`, the models of the servers' files go into `view.models` (imported there, or those
// the options hold already).
void Check_Servers(Conf_View& view, const std::string& catalog_dir, const Conf_Options& options,
                   const Sink& sink, const lang::Lang_Strings& texts,
                   std::vector<std::unique_ptr<TIEC_Device>>* imported);

}  // namespace check
