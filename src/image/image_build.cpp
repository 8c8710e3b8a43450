#include "image/image_build.h"

#include <exception>

#include "image/le_bytes.h"
#include "util/files.h"
#include "util/xml.h"

namespace USaveBincc {

Image_Build::Image_Build() : Bank1_Buffer(Bank1_Capacity, 0), Bank2_Buffer(Bank2_Capacity, 0) {}

void Image_Build::Build_Image(const std::string& ParGen_File, const std::string& IEC_Client_File) {
  // The order matters: the general block's fill sets the client header's vLan and appID, so the
  // tables are reset before it, and the checksum must cover the tables' address.
  Reset_General_Block(General_Block);
  Reset_Client_Tables(Client_Tables);
  Load_General_Block(General_Block, Client_Tables, ParGen_File);
  Load_Client_Tables(Client_Tables, IEC_Client_File, Client_Tables_Base);
  Put_U32(std::span<uint8_t>(General_Block), Offset::Client_Tables_Add, Client_Tables_Base);
  Bank1_Length = 0;
  Bank2_Length = 0;
  Bank2_Length = Write_Client_Tables(Client_Tables, 0, Bank2_Buffer, Bank2_Capacity - 1);
  Bank1_Length = Copy_General_Block(General_Block, 0, Bank1_Buffer, Bank1_Capacity - 1);
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

void Image_Build::Save_Image_Files(const std::string& Active_Conf_Dir) const {
  if (!util::Dir_Exists(Active_Conf_Dir))
    throw util::File_Error("The configuration folder " + Active_Conf_Dir + " does not exist");
  // The bin folder comes with the configuration, but a user may have removed it since.
  const std::string bin = util::Join_Path(Active_Conf_Dir, "bin");
  if (!util::Dir_Exists(bin) && !util::Create_Dir(bin) && !util::Dir_Exists(bin))
    throw util::File_Error("Cannot create the folder " + bin);
  // The updater downloads both files together: they are replaced as one change, so a failure
  // leaves both from the earlier build.
  const std::string bank1 = Bank1(), bank2 = Bank2();
  util::Write_Files_Atomic(
      {{Bank1_File(Active_Conf_Dir), bank1}, {Bank2_File(Active_Conf_Dir), bank2}});
}

void Build_And_Save_Images(const std::string& ParGen_File, const std::string& IEC_Client_File,
                           const std::string& Active_Conf_Dir) {
  Image_Build build;
  build.Build_Image(ParGen_File, IEC_Client_File);
  build.Save_Image_Files(Active_Conf_Dir);
}

}  // namespace USaveBincc
