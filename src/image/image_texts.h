// English texts of the image build that have no place in the string table.
#pragma once

namespace image_texts {

// The images in a bin folder are not the two of one build; the folder comes first.
inline constexpr const char* Text_Bank_Pair_Mixed =
    ": bank1.bin and bank2.bin do not come from the same build (a build was interrupted while "
    "it replaced them). Build the images again before the device is updated.";
// Only one of the two images is there; the folder and the missing file's name come first.
inline constexpr const char* Text_Bank_Missing =
    " is missing beside the other image (a build was interrupted, or the file was removed). "
    "Build the images again before the device is updated.";
// The record of the pair cannot be read or is damaged; the record's path comes first.
inline constexpr const char* Text_Bank_Record_Unreadable =
    " cannot be read, so it is unknown whether bank1.bin and bank2.bin come from the same "
    "build. Build the images again before the device is updated.";
// Said by Step 4 and the command line's build when the pair they are about to replace is mixed.
inline constexpr const char* Text_Bank_Pair_Replaced = "This build replaces both images.";

}  // namespace image_texts
