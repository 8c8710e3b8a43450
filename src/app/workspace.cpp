#include "app/workspace.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <stdexcept>
#include <utility>

#include "app/all_texts.h"
#include "app/app_strings.h"
#include "lang/language_files.h"
#include "util/files.h"
#include "util/xml.h"

namespace app {

void Setup_Workspace(App_Context& ctx, const std::string& exe_dir) {
  ctx.Exe_Dir = exe_dir;
  ctx.Master_Dir = util::Join_Path(exe_dir, "MASTER");
  ctx.Projects_Dir = util::Join_Path(exe_dir, "PROJECTS");
  ctx.Language_Dir = util::Join_Path(exe_dir, "LANGUAGE");
  for (const std::string* dir : {&ctx.Master_Dir, &ctx.Projects_Dir, &ctx.Language_Dir})
    if (!util::Dir_Exists(*dir)) {
      try {
        util::Create_Dir(*dir);
      } catch (const util::File_Error&) {
        // Not said at start: each step that needs the folder says why it cannot use it (Open
        // Configuration, the options' languages, the update).
      }
    }
  lang::Install_Language_Files(ctx.Language_Dir, lang::For_Each_Built_In_Text);
}

namespace {

bool Flag(pugi::xml_node group, const char* name) {
  return util::Child_Text(group, name).value_or("") == "1";
}

// The settings file's element for each remembered dialog folder.
template <typename Folders>
auto Folder_Elements(Folders& folders) {
  using Text = decltype((folders.SCL_File));
  return std::array<std::pair<const char*, Text>, 3>{{{"scl_file", folders.SCL_File},
                                                      {"map_file", folders.Map_File},
                                                      {"report_file", folders.Report_File}}};
}

}  // namespace

static void Default_Settings(App_Context& ctx) {
  ctx.Active_Conf_Name.clear();
  ctx.Active_Conf_Dir.clear();
  ctx.Last_IP_Address = "192.168.2.205";
  ctx.Language_Name = "English";
  ctx.Enable_Internet = ctx.Enable_Update = false;
  ctx.Enable_Jump_Field_Tables = ctx.Double_Click_Auto_Size = false;
  ctx.Last_Folders = {};
}

void Read_Settings(App_Context& ctx) {
  Default_Settings(ctx);
  const std::string path = util::Join_Path(ctx.Exe_Dir, Settings_File_Name);
  if (!util::File_Exists(path)) return;
  try {
    Read_Settings_Text(ctx, util::Read_File(path));
  } catch (const util::File_Error&) {
    // An unreadable settings file must not stop the program: all defaults.
  }
}

void Read_Settings_Text(App_Context& ctx, const std::string& text) {
  Default_Settings(ctx);
  pugi::xml_document doc;
  try {
    util::Load_Xml_Text(doc, text, Settings_File_Name);
  } catch (const util::Xml_Error&) {
    return;  // not well-formed: all defaults, start-up goes on
  }
  pugi::xml_node root = util::First_Top_Node(doc);

  if (auto name = util::Child_Text(util::Child_Element(root, "lastproj"), "projectname"))
    ctx.Active_Conf_Name = *name;
  if (auto ip = util::Child_Text(util::Child_Element(root, "lastipadd"), "ipaddress"))
    ctx.Last_IP_Address = *ip;
  if (auto language = util::Child_Text(util::Child_Element(root, "lastlang"), "language"))
    ctx.Language_Name = *language;
  pugi::xml_node flags = util::Child_Element(root, "lastinternet");
  ctx.Enable_Internet = Flag(flags, "enable_internet");
  ctx.Enable_Update = Flag(flags, "enable_update");
  ctx.Enable_Jump_Field_Tables = Flag(flags, "enable_jump_field_tables");
  ctx.Double_Click_Auto_Size = Flag(flags, "Double_Click_Auto_Size");
  ctx.Address_From_SCL = Flag(flags, "address_from_scl");
  // Files written before the folders were remembered have no such element.
  pugi::xml_node folders = util::Child_Element(root, "lastfolders");
  for (auto& [name, folder] : Folder_Elements(ctx.Last_Folders))
    folder = util::Child_Text(folders, name).value_or("");
}

std::string Settings_Xml(const App_Context& ctx) {
  pugi::xml_document doc;
  pugi::xml_node root = doc.append_child("Conf_Settings");
  auto leaf = [](pugi::xml_node parent, const char* name, const std::string& text) {
    parent.append_child(name).text().set(text.c_str());
  };
  leaf(root.append_child("lastproj"), "projectname", ctx.Active_Conf_Name);
  leaf(root.append_child("lastipadd"), "ipaddress", ctx.Last_IP_Address);
  leaf(root.append_child("lastlang"), "language", ctx.Language_Name);
  pugi::xml_node flags = root.append_child("lastinternet");
  leaf(flags, "enable_internet", ctx.Enable_Internet ? "1" : "0");
  leaf(flags, "enable_update", ctx.Enable_Update ? "1" : "0");
  leaf(flags, "enable_jump_field_tables", ctx.Enable_Jump_Field_Tables ? "1" : "0");
  leaf(flags, "Double_Click_Auto_Size", ctx.Double_Click_Auto_Size ? "1" : "0");
  // Written only when on, so that a file with the option off is the one every version writes.
  if (ctx.Address_From_SCL) leaf(flags, "address_from_scl", "1");
  // Only the folders remembered, so that a file without any is the one older versions write.
  pugi::xml_node folders;
  for (const auto& [name, folder] : Folder_Elements(ctx.Last_Folders)) {
    if (folder.empty()) continue;
    if (!folders) folders = root.append_child("lastfolders");
    leaf(folders, name, folder);
  }
  return util::Xml_To_String(doc);
}

void Save_Setting(const App_Context& ctx) {
  util::Write_File_Atomic(util::Join_Path(ctx.Exe_Dir, Settings_File_Name), Settings_Xml(ctx));
}

void Reopen_Remembered_Configuration(App_Context& ctx) {
  // A name that would lead out of PROJECTS counts as a configuration whose folder is missing.
  const std::string dir = util::Join_Path(ctx.Projects_Dir, ctx.Active_Conf_Name);
  if (util::Is_Plain_Name(ctx.Active_Conf_Name) && util::Dir_Exists(dir))
    ctx.Active_Conf_Dir = dir;
  else
    ctx.Active_Conf_Dir.clear();
}

void Activate_Configuration(App_Context& ctx, const std::string& name) {
  ctx.Active_Conf_Name = name;
  if (name.empty())
    ctx.Active_Conf_Dir.clear();
  else
    ctx.Active_Conf_Dir = util::Join_Path(ctx.Projects_Dir, name);
  ctx.Set_Files();
}

void Create_Configuration(App_Context& ctx, const std::string& name) {
  const auto refuse = [&ctx](int message) { throw std::runtime_error(ctx.Lang_Strings[message]); };
  if (name.empty()) refuse(app_strings::Text_New_Empty);
  const std::string dir = util::Join_Path(ctx.Projects_Dir, name);
  if (!util::Is_Plain_Name(name)) refuse(app_strings::Text_New_Not_Created);
  if (util::Dir_Exists(dir)) refuse(app_strings::Text_New_Exists);
  try {
    util::Create_Dir(dir);
  } catch (const util::File_Error&) {
    refuse(app_strings::Text_New_Not_Created);  // the dialog's own words, as for a refused name
  }
  try {
    util::Force_Dirs(util::Join_Path(dir, "bin"));
  } catch (const util::File_Error&) {
    // A configuration comes whole or not at all. The failure to create bin is the one the user
    // must see, so a new folder that cannot be removed either stays, empty, without a second
    // message on top.
    util::Remove_Empty_Dir(dir);
    throw;
  }
  ctx.Active_Conf_Name = name;
  ctx.Active_Conf_Dir = dir;
  ctx.Set_Files();
}

std::vector<std::string> Load_Existing_Configuration(const std::string& Projects_Dir) {
  std::vector<std::string> names;
  if (!util::Dir_Exists(Projects_Dir)) return names;
  for (std::string& name : util::List_Folder(Projects_Dir))
    if (util::Dir_Exists(util::Join_Path(Projects_Dir, name))) names.push_back(std::move(name));
  return names;
}

int Search_Open_Conf(const std::vector<std::string>& list, const std::string& name) {
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  const std::string wanted = lower(name);
  for (size_t i = 0; i < list.size(); ++i)
    if (lower(list[i]) == wanted) return static_cast<int>(i);
  return -1;
}

std::string Active_Folder_Name(const App_Context& ctx) {
  if (ctx.Active_Conf_Dir.empty()) return "";
  return ctx.Active_Conf_Dir.substr(
      std::min(ctx.Active_Conf_Dir.size(), ctx.Projects_Dir.size() + 1));
}

}  // namespace app
