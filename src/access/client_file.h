// IEC_61850_Client.xml: the servers, the selected attributes and the selected data sets of one
// configuration, written by the access editor on OK and read back at every opening.
#pragma once

#include <cstddef>
#include <optional>
#include <pugixml.hpp>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "access/access_state.h"
#include "access/client_file_names.h"
#include "access/server_list.h"
#include "util/files.h"

namespace UIEC_61850_Access {

// A client file that cannot be taken in; what() names the file and the reason.
class Client_File_Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The document for `state`: servers, variable rows, data set rows and their members.
void Build_Client_Document(const Access_State& state, pugi::xml_document& doc);
// The file's bytes for `state`.
std::string Client_Xml(const Access_State& state);
// Replaces the file at `path` as a whole; throws util::File_Error with the system's reason.
void Save_Client_File(const Access_State& state, const std::string& path);
// The same into the file `name` of the configuration folder opened and checked once.
void Save_Client_File(const Access_State& state, const util::Checked_Folder& folder,
                      const std::string& name);

struct Read_Report {
  // "FileName" of every listed server whose copy is not in the catalog, in list order; the
  // servers after each of them moved up one place.
  std::vector<std::string> Missing_Files;
  // Stored members that earlier versions read for an FCDA, now under the reference of the
  // attribute the FCDA names, with their settings.
  size_t Corrected_Members = 0;
  // Data set rows stored under the reference earlier versions gave a set of a node other than
  // LLN0 (the node's class alone), now under the data set's reference.
  size_t Corrected_Data_Sets = 0;
  // Data set rows whose data set has members the file does not store: they come in with empty
  // settings and need a position.
  struct Gained {
    int row;  // the row's "N"
    std::string reference;
    size_t count;
  };
  std::vector<Gained> Gained_Members;
};

// Reads the client file at `path` into `state`, importing each listed server from `catalog_dir`.
// Stored members are placed by Stored_Member_Places (scl_revision.h): one the data set has at
// another place follows its reference there, one that earlier versions read for an FCDA takes
// the member that FCDA names, one whose attribute changed its bType keeps its settings and the
// stored bType (TDataSet_DA::Stored_bType); the data set's other members come in with empty
// settings. A data set row whose data set is not found keeps its stored members, without
// attributes. A row stored under the reference earlier versions gave its data set is found by it
// and takes the data set's reference.
// On success `state` holds exactly what the file describes. Throws Client_File_Error when the
// file or a listed SCL file cannot be read or lacks a list, an item attribute or a member list;
// `state` is then left untouched.
Read_Report Read_Client_File(const std::string& path, const std::string& catalog_dir,
                             Access_State& state, const Importer& import = Import_Device);

// The warning shown when listed servers are missing from the catalog.
std::string Missing_Files_Warning(const std::vector<std::string>& missing);

}  // namespace UIEC_61850_Access
