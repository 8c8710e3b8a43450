// Writes the language files that come with the program (English.lng, the shipped translations
// and flag pictures) into the folder named on the command line, as the configurator does into
// its LANGUAGE folder at the first start.
//   rq30517-language-files FOLDER
#include <cstdio>

#include "app/all_texts.h"
#include "lang/language_files.h"
#include "util/files.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: rq30517-language-files FOLDER\n");
    return 2;
  }
  lang::Install_Language_Files(argv[1], lang::For_Each_Built_In_Text);
  // Install_Language_Files leaves out quietly what it cannot write; here that is a failure.
  bool complete = util::File_Exists(util::Join_Path(argv[1], "English.lng"));
  for (const lang::Shipped_File& file : lang::Shipped_Files())
    complete = complete && util::File_Exists(util::Join_Path(argv[1], file.Name));
  if (!complete) std::fprintf(stderr, "rq30517-language-files: not every file was written\n");
  return complete ? 0 : 1;
}
