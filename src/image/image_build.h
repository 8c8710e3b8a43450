// The image build: compiles a configuration's ParGen.xml and IEC_61850_Client.xml into the
// device's two configuration images and writes them as bin/bank1.bin and bin/bank2.bin.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/client_tables.h"
#include "image/general_block.h"
#include "text/lang_strings.h"
#include "util/check_result.h"

namespace USaveBincc {

constexpr int32_t Bank1_Capacity = 0x20000;

// The state of one build. Each build makes its own, so nothing of an earlier build can leak
// into the next one.
struct Image_Build {
  Image_Build();

  TGeneral_Block General_Block{};
  TIEC61850_Client Client_Tables;
  std::vector<uint8_t> Bank1_Buffer;  // Bank1_Capacity bytes
  std::vector<uint8_t> Bank2_Buffer;  // Bank2_Capacity bytes
  int32_t Bank1_Length = 0;
  int32_t Bank2_Length = 0;

  // Compiles both images into the buffers and sets both lengths. Throws util::Xml_Error,
  // util::File_Error, UIEC_61850_Access::Client_File_Error or Image_Error, with the message for
  // the user (the client file's in the words of `texts`), when a project file cannot be read or
  // does not make an image.
  void Build_Image(const std::string& ParGen_File, const std::string& IEC_Client_File,
                   const lang::Lang_Strings& texts);

  // The valid bytes of each image.
  std::string Bank1() const;
  std::string Bank2() const;

  // Writes bin/bank1.bin and bin/bank2.bin into the configuration folder as one change, creating
  // a missing bin folder, with the record of the pair (bin/bank.sum) replaced first. Throws
  // util::File_Error with the reason when a file cannot be written, or when bin is a link that
  // leads out of the configuration folder; both earlier files are then untouched.
  void Save_Image_Files(const std::string& Active_Conf_Dir, const lang::Lang_Strings& texts) const;
};

// The paths of the two images in a configuration folder.
std::string Bank1_File(const std::string& Active_Conf_Dir);
std::string Bank2_File(const std::string& Active_Conf_Dir);

// The record beside the images of which images belong together: the SHA-256 of bank1.bin and
// of bank2.bin of the newest build, then of the pair it replaced when that pair was whole.
// Each build replaces it before either image, so after a crash in any moment of the renames the
// images on disk are one of the pairs it lists, or Check_Bank_Pair finds them mixed.
inline constexpr char Bank_Pair_File_Name[] = "bank.sum";
std::string Bank_Pair_File(const std::string& Active_Conf_Dir);
std::string Bin_Dir(const std::string& Active_Conf_Dir);

// Whether the images in `Bin_Dir` are the two of one build: empty when they are, when neither
// is there, or when both are there without a record (built by a version that wrote none: their
// origin is unknown and they are taken as they are); otherwise the message naming the folder
// and what is wrong (one image missing, images that are not a recorded pair, an unreadable
// record).
util::Check_Result Check_Bank_Pair(const std::string& Bin_Dir, const lang::Lang_Strings& texts);

// The Update step's build: Build_Image then Save_Image_Files for the configuration folder.
// Throws the exception of the step that failed (what() is the message to show the user); a
// failed build writes no file.
void Build_And_Save_Images(const std::string& ParGen_File, const std::string& IEC_Client_File,
                           const std::string& Active_Conf_Dir, const lang::Lang_Strings& texts);

}  // namespace USaveBincc
