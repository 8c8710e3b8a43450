// The IEDs of an SCL file that describes several (typically a substation's .scd): the list the
// user picks from, and the single-IED file written into the catalog for each IED picked, so
// that the ordinary import (first IED of the file) reads exactly that IED.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/lang_strings.h"
#include "util/progress.h"

namespace UIEC_Client_Decode {

// One IED as the chooser and `rq30517-cli ieds` show it.
struct IED_Info {
  std::string name;  // the IED's attributes, "" when absent
  std::string manufacturer;
  std::string type;
  std::string desc;
  // Text of the first P type="IP" in the Address of the first ConnectedAP (document order)
  // with this IED's name and the name of its first AccessPoint; "" when none.
  std::string ip;
  bool server = false;  // the IED's first AccessPoint holds a Server
};

// Every IED child of the file's SCL element, in document order; empty when the file has no SCL
// element. Throws util::File_Error when the file cannot be read, util::Xml_Error when it is not
// well-formed. `progress` (may be null) follows it (Text_Listing_IEDs, counting IEDs) and can
// stop it (util::Cancelled).
std::vector<IED_Info> List_IEDs(const std::string& path, util::Progress* progress = nullptr);

// The port of a server's MMS service, given to rows whose address is taken from the SCL file.
inline constexpr char Default_Server_Port[] = "102";

// The IP address of the file's first IED (the server the import reads), as List_IEDs gives it;
// none when the file has no IED or gives the first one no address. Throws as List_IEDs when the
// file cannot be read.
std::optional<std::string> Server_IP(const std::string& path);

// Whether the IED can be written into a file: its name holds no character that XML cannot hold
// (util::Is_Xml_Text). A parser may have read such a name from a character reference.
bool Is_Writable_IED_Name(std::string_view ied_name);
// The SCL_Error text refusing an IED whose name is not Is_Writable_IED_Name, in the words of
// `texts`.
std::string Unwritable_IED_Name_Text(std::string_view ied_name, const lang::Lang_Strings& texts);

// The text of an SCL file holding only the first IED named `ied_name` of the file at `path`:
// the SCL root with its attributes and namespace declarations, the Header, that IED, its
// ConnectedAP entries within copies of their SubNetwork and Communication elements, and the
// DataTypeTemplates. Throws as List_IEDs, SCL_Error when there is no such IED or its name is not
// Is_Writable_IED_Name, util::Xml_Error when another text copied cannot be written as XML.
// The refusal of an unwritable name is in the words of `texts`. `progress` (may be null) follows
// it (Text_Extracting_IED, counting the file's top-level elements) and can stop it
// (util::Cancelled).
std::string Extract_IED(const std::string& path, const std::string& ied_name,
                        const lang::Lang_Strings& texts, util::Progress* progress = nullptr);

// Extract_IED written atomically to `out` (throws util::File_Error when it cannot be written). A
// stop asked for through `progress` before the write leaves `out` as it was.
void Write_Extracted_IED(const std::string& path, const std::string& ied_name,
                         const std::string& out, const lang::Lang_Strings& texts,
                         util::Progress* progress = nullptr);

// The catalog file name of IED `ied_name` taken from the file `source` (only its file-name part
// counts): "<stem>_<ied_name><extension>", each character not allowed in a file name on either
// system (control characters and < > : " / \ | ? *) replaced by "_", as is a trailing dot or
// blank.
std::string Extracted_File_Name(std::string_view source, std::string_view ied_name);

// The catalog file in `catalog_dir` for IED `ied_name` of `source`: Extracted_File_Name when no
// file of that name holds another IED, otherwise the first of "<stem>_<ied_name>_2<extension>",
// "_3", ... that is free or already holds this IED. Different names can map onto the same file
// name ("a/b" and "a\b"); the IED a catalog file holds is the name of its first IED, and a file
// that cannot be read as SCL counts as another IED's.
std::string Catalog_File_For_IED(const std::string& catalog_dir, std::string_view source,
                                 const std::string& ied_name);

}  // namespace UIEC_Client_Decode
