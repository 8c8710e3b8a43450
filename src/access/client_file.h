// IEC_61850_Client.xml: the servers, the selected attributes and the selected data sets of one
// configuration, written by the access editor on OK and read back at every opening; the image
// build, the data map and the check read it too. Its one reader and its one writer are here
// (client_file.cpp): the reader turns the file into plain data, each item with its line, and
// refuses what the reading asks for but the file lacks, always in the same words; the writer
// turns such data into the file's bytes. The access editor's loading of the data into its state
// (with the SCL models of the servers) and its saving are client_state.cpp.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "access/access_state.h"
#include "access/server_list.h"
#include "text/lang_strings.h"
#include "util/files.h"

namespace UIEC_61850_Access {

inline constexpr char Client_File_Name[] = "IEC_61850_Client.xml";

// A client file that cannot be taken in; what() names the file, the line where there is one,
// and the reason, in the words of the table the reader was given.
class Client_File_Error : public std::runtime_error {
 public:
  enum class Kind {
    Not_Well_Formed,  // the parser's description
    Missing,          // an element or attribute the reading needs is not there
    Text_Invalid,     // a text that XML 1.0 cannot hold, where the reading refuses one
    Other             // the file cannot be read, a listed SCL file cannot be imported
  };
  Client_File_Error(Kind kind, std::string file, std::optional<int> line, std::string reason,
                    const lang::Lang_Strings& texts);
  // A failure that is not the file's own (its text complete).
  explicit Client_File_Error(const std::string& text);

  Kind What_Kind() const { return kind_; }
  const std::string& File() const { return file_; }
  const std::optional<int>& Line() const { return line_; }
  // The reason alone, without the file and the line.
  const std::string& Reason() const { return reason_; }

 private:
  Kind kind_ = Kind::Other;
  std::string file_;
  std::optional<int> line_;
  std::string reason_;
};

// The attributes of an "ICD_File".
namespace Server_Col {
enum : int { Name, FileName, Count };
}

// One item of the file: the texts of its attributes by the column of its table (DA_Col for a
// variable, DS_Col for a data set, Var_Col for a member, Server_Col for a server; column N is
// never stored), an attribute the file lacks as empty text, and the line of its start tag.
template <size_t Columns>
struct Client_Item {
  int Line = 0;
  std::array<std::string, Columns> Texts{};
  const std::string& operator[](int column) const { return Texts[static_cast<size_t>(column)]; }
  std::string& operator[](int column) { return Texts[static_cast<size_t>(column)]; }
};
using Client_Server = Client_Item<Server_Col::Count>;
using Client_Variable = Client_Item<DA_Col::Count>;
using Client_Member = Client_Item<Var_Col::Count>;
struct Client_Data_Set : Client_Item<DS_Col::Count> {
  std::vector<Client_Member> Members;
};

// An attribute or text of the file that XML 1.0 cannot hold (util::Is_Xml_Text): `Object` is
// "<element> <attribute>", or the element's name for its text.
struct Client_Bad_Text {
  int Line = 0;
  std::string Object;
};
// What is wrong with it, as the image build refuses it and the check reports it.
std::string Bad_Text_Reason(const Client_Bad_Text& bad, const lang::Lang_Strings& texts);

// The file as plain data, in the file's order. The items of a list are its child elements
// whatever their names.
struct Client_File_Data {
  std::vector<Client_Server> Servers;
  std::vector<Client_Variable> Variables;
  std::vector<Client_Data_Set> Data_Sets;
  // Every text XML 1.0 cannot hold, element by element in the file's order.
  std::vector<Client_Bad_Text> Bad_Texts;
};

// Who reads the file: each needs other parts of it (the one table of them is in
// client_file.cpp). Every reading needs the root "IEC_68850_Client" and "List_DA_Selected";
// "List_DataSet_Selected" may be missing (no data sets).
enum class Client_Reading {
  // The access editor's opening, and the check, which loads the file as the editor does:
  // "List_ICD_Files", each server's "FileName", every attribute of a variable and of a data
  // set, each data set's "DataSet_List_DAs"; a member's attributes may be missing.
  Editor,
  // The image build: the attributes the client tables take as text or number (not those only
  // compared, "Index" and "Mnemonic"), each data set's "DataSet_List_DAs", and no text that
  // XML 1.0 cannot hold, since it would go into the image as it is.
  Image,
  // The data map: nothing more; what is missing reads as empty.
  Map,
};

// Reads the client file's text; `file` names it in the errors, whose words are those of
// `texts`. Throws Client_File_Error, once, for the first thing the reading needs that the file
// lacks in the file's order (or a text it refuses), and when the text is not well-formed.
Client_File_Data Read_Client_Data(std::string_view text, const std::string& file,
                                  Client_Reading reading, const lang::Lang_Strings& texts);

// The file's bytes for `data`: the root, the version comment after it, the three lists with
// every attribute of every item (empty texts included) in the order of its table.
std::string Client_Xml(const Client_File_Data& data);
// Replaces the file at `path` as a whole; throws util::File_Error with the system's reason, or
// util::Xml_Error for a text XML cannot hold (nothing is written then).
void Save_Client_File(const Client_File_Data& data, const std::string& path);
// The same into the file `name` of the configuration folder opened and checked once.
void Save_Client_File(const Client_File_Data& data, const util::Checked_Folder& folder,
                      const std::string& name);

// ---------------------------------------------------------------------------------------------
// The access editor's state and the file (client_state.cpp)

// The file's data for `state`: servers, variable rows (none when the table counts as empty),
// data set rows (likewise) with the members of their records.
Client_File_Data Client_Data_Of(const Access_State& state);
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

// Reads the client file at `path` (Client_Reading::Editor) into `state`, importing each listed
// server from `catalog_dir`.
// Stored members are placed by Stored_Member_Places (scl_revision.h): one the data set has at
// another place follows its reference there, one that earlier versions read for an FCDA takes
// the member that FCDA names, one whose attribute changed its bType keeps its settings and the
// stored bType (TDataSet_DA::Stored_bType); the data set's other members come in with empty
// settings. A data set row whose data set is not found keeps its stored members, without
// attributes. A row stored under the reference earlier versions gave its data set is found by it
// and takes the data set's reference.
// On success `state` holds exactly what the file describes. Throws Client_File_Error (in the
// words of `texts`) when the file or a listed SCL file cannot be read or the file lacks what the
// editor needs; `state` is then left untouched.
Read_Report Read_Client_File(const std::string& path, const std::string& catalog_dir,
                             Access_State& state, const lang::Lang_Strings& texts,
                             const Importer& import = Import_Device);

// The warning shown when listed servers are missing from the catalog, in the words of
// `strings`.
std::string Missing_Files_Warning(const std::vector<std::string>& missing,
                                  const lang::Lang_Strings& strings);

}  // namespace UIEC_61850_Access
