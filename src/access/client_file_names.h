// The names of the IEC 61850 client settings file, kept apart from the file's reader and writer
// so that the image build, which reads the same file, takes them from here without the model.
#pragma once

namespace UIEC_61850_Access {

inline constexpr char Client_File_Name[] = "IEC_61850_Client.xml";
inline constexpr char Client_Root[] = "IEC_68850_Client";

}  // namespace UIEC_61850_Access
