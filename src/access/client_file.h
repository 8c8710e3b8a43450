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
};

// Reads the client file at `path` into `state`, importing each listed server from `catalog_dir`.
// Stored members are placed by Stored_Member_Places (scl_revision.h): one the data set has at
// another place follows its reference there.
// On success `state` holds exactly what the file describes. Throws Client_File_Error when the
// file or a listed SCL file cannot be read or lacks a list, an item attribute or a member list;
// `state` is then left untouched.
Read_Report Read_Client_File(const std::string& path, const std::string& catalog_dir,
                             Access_State& state, const Importer& import = Import_Device);

// The warning shown when listed servers are missing from the catalog.
std::string Missing_Files_Warning(const std::vector<std::string>& missing);

}  // namespace UIEC_61850_Access
