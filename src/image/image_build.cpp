#include "image/image_build.h"

#include <exception>
#include <filesystem>
#include <optional>
#include <sstream>
#include <utility>

#include "image/image_strings.h"
#include "image/le_bytes.h"
#include "text/lang_strings.h"
#include "util/files.h"
#include "util/sha256.h"
#include "util/xml.h"

namespace USaveBincc {

Image_Build::Image_Build() : Bank1_Buffer(Bank1_Capacity, 0), Bank2_Buffer(Bank2_Capacity, 0) {}

void Image_Build::Build_Image(const std::string& ParGen_File, const std::string& IEC_Client_File,
                              const lang::Lang_Strings& texts) {
  // The order matters: the general block's fill sets the client header's vLan and appID, so the
  // tables are reset before it, and the checksum must cover the tables' address.
  Reset_General_Block(General_Block);
  Reset_Client_Tables(Client_Tables);
  Load_General_Block(General_Block, Client_Tables, ParGen_File);
  Load_Client_Tables(Client_Tables, IEC_Client_File, Client_Tables_Base, texts);
  Put_U32(std::span<uint8_t>(General_Block), Offset::Client_Tables_Add, Client_Tables_Base);
  Bank1_Length = 0;
  Bank2_Length = 0;
  Bank2_Length = Write_Client_Tables(Client_Tables, 0, Bank2_Buffer, Bank2_Capacity - 1, texts);
  Bank1_Length = Copy_General_Block(General_Block, 0, Bank1_Buffer, Bank1_Capacity - 1, texts);
}

std::string Image_Build::Bank1() const {
  return std::string(Bank1_Buffer.begin(), Bank1_Buffer.begin() + Bank1_Length);
}

std::string Image_Build::Bank2() const {
  return std::string(Bank2_Buffer.begin(), Bank2_Buffer.begin() + Bank2_Length);
}

std::string Bank1_File(const std::string& Active_Conf_Dir) {
  return util::Join_Path(util::Join_Path(Active_Conf_Dir, "bin"), "bank1.bin");
}

std::string Bank2_File(const std::string& Active_Conf_Dir) {
  return util::Join_Path(util::Join_Path(Active_Conf_Dir, "bin"), "bank2.bin");
}

std::string Bin_Dir(const std::string& Active_Conf_Dir) {
  return util::Join_Path(Active_Conf_Dir, "bin");
}

std::string Bank_Pair_File(const std::string& Active_Conf_Dir) {
  return util::Join_Path(Bin_Dir(Active_Conf_Dir), Bank_Pair_File_Name);
}

namespace {

using Digests = std::pair<std::string, std::string>;

// What a bin folder holds: its message when the images are not one build's, and the digests of
// the two images when they are (absent when there are no images, or the origin is unknown).
struct Pair_State {
  util::Check_Result problem;
  std::optional<Digests> whole;
};

// The SHA-256 of an image file; empty when it cannot be read or is larger than any image.
std::string Digest_Of(const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error || size > static_cast<uintmax_t>(Bank2_Capacity)) return {};
  try {
    return util::Sha256_Hex(util::Read_File(path));
  } catch (const util::File_Error&) {
    return {};  // an image that cannot be read belongs to no pair; the check names it
  }
}

bool Is_Digest(const std::string& text) {
  return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// The pairs the record lists, newest first; nullopt when it is not a record.
std::optional<std::vector<Digests>> Read_Record(const std::string& text) {
  std::vector<Digests> pairs;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    Digests pair;
    std::string extra;
    if (!(words >> pair.first >> pair.second) || (words >> extra) || !Is_Digest(pair.first) ||
        !Is_Digest(pair.second))
      return std::nullopt;
    pairs.push_back(pair);
  }
  if (pairs.empty()) return std::nullopt;
  return pairs;
}

std::string Record_Text(const std::vector<Digests>& pairs) {
  std::string text = "# SHA-256 of bank1.bin and bank2.bin built together, the newest first\n";
  for (const Digests& pair : pairs) text += pair.first + " " + pair.second + "\n";
  return text;
}

Pair_State Read_Pair_State(const std::string& bin, const lang::Lang_Strings& texts) {
  const std::string bank1 = util::Join_Path(bin, "bank1.bin");
  const std::string bank2 = util::Join_Path(bin, "bank2.bin");
  const std::string record = util::Join_Path(bin, Bank_Pair_File_Name);
  const bool has1 = util::Path_Present(bank1), has2 = util::Path_Present(bank2);
  if (!has1 && !has2) return {};
  if (!has1 || !has2)
    return {util::Join_Path(bin, has1 ? "bank2.bin" : "bank1.bin") +
                texts[image_strings::Text_Bank_Missing],
            std::nullopt};
  const Digests now{Digest_Of(bank1), Digest_Of(bank2)};
  if (!util::Path_Present(record)) {
    if (now.first.empty() || now.second.empty()) return {};
    return {std::nullopt, now};
  }
  std::optional<std::vector<Digests>> pairs;
  try {
    pairs = Read_Record(util::Read_File(record));
  } catch (const util::File_Error&) {
    // An unreadable record is reported below like one that does not parse.
  }
  if (!pairs) return {record + texts[image_strings::Text_Bank_Record_Unreadable], std::nullopt};
  if (!now.first.empty() && !now.second.empty())
    for (const Digests& pair : *pairs)
      if (pair == now) return {std::nullopt, now};
  return {bin + texts[image_strings::Text_Bank_Pair_Mixed], std::nullopt};
}

}  // namespace

util::Check_Result Check_Bank_Pair(const std::string& Bin_Dir, const lang::Lang_Strings& texts) {
  return Read_Pair_State(Bin_Dir, texts).problem;
}

void Image_Build::Save_Image_Files(const std::string& Active_Conf_Dir,
                                   const lang::Lang_Strings& texts) const {
  if (!util::Dir_Exists(Active_Conf_Dir))
    throw util::File_Error(texts[image_strings::Text_Conf_Folder_Missing] + Active_Conf_Dir +
                           texts[image_strings::Text_Conf_Folder_Missing_End]);
  // The bin folder comes with the configuration, but a user may have removed it since; a link in
  // its place must not carry the images out of the configuration.
  // The folder is opened once, checked by its handle, and the three files are written through
  // that handle: a link swapped in for bin while the build runs changes nothing.
  const util::Checked_Folder bin(Active_Conf_Dir, Bin_Dir(Active_Conf_Dir), texts);
  // The updater downloads both files together: they are replaced as one change, so a failure
  // leaves both from the earlier build. The record goes first and lists the pair being
  // replaced too (when it is whole): whichever rename a crash stops before, the images on disk
  // are a listed pair or are found mixed.
  const std::string bank1 = Bank1(), bank2 = Bank2();
  std::vector<Digests> pairs{{util::Sha256_Hex(bank1), util::Sha256_Hex(bank2)}};
  if (const Pair_State before = Read_Pair_State(bin.Path(), texts);
      before.whole && *before.whole != pairs[0])
    pairs.push_back(*before.whole);
  const std::string record = Record_Text(pairs);
  bin.Write_Files_Atomic({{Bank_Pair_File_Name, record},
                          {util::File_Name_Of(Bank1_File(Active_Conf_Dir)), bank1},
                          {util::File_Name_Of(Bank2_File(Active_Conf_Dir)), bank2}});
}

void Build_And_Save_Images(const std::string& ParGen_File, const std::string& IEC_Client_File,
                           const std::string& Active_Conf_Dir, const lang::Lang_Strings& texts) {
  Image_Build build;
  build.Build_Image(ParGen_File, IEC_Client_File, texts);
  build.Save_Image_Files(Active_Conf_Dir, texts);
}

}  // namespace USaveBincc
