// File_Error's message (what was attempted, on which file, and why) and Error_Text, which words
// the platform layer's failures in the language of a table.
#include <utility>

#include "text/lang_strings.h"
#include "util/files.h"
#include "util/text.h"
#include "util/util_strings.h"
#include "util/xml.h"

namespace util {

namespace {

// The platform layer's built-in English, which what() carries.
const lang::Lang_Strings& Built_In_English() {
  static const lang::Lang_Strings english(&util_strings::Built_In);
  return english;
}

int Attempt_Text(File_Error::Attempt attempt) {
  switch (attempt) {
    case File_Error::Attempt::Read:
      return util_strings::Text_Cannot_Read;
    case File_Error::Attempt::Write:
      return util_strings::Text_Cannot_Write;
    case File_Error::Attempt::Use:
      return util_strings::Text_Cannot_Use;
    case File_Error::Attempt::List_Folder:
      return util_strings::Text_Cannot_List_Folder;
    case File_Error::Attempt::Create_Folder:
      return util_strings::Text_Cannot_Create_Folder;
    case File_Error::Attempt::Unnamed_Folder:
      return util_strings::Text_Folder_Without_Name;
    case File_Error::Attempt::Worded:
      break;
  }
  return util_strings::Text_Cannot_Use;
}

std::string Word(File_Error::Attempt attempt, const std::string& path, File_Error::Refusal refusal,
                 const std::string& reason, const lang::Lang_Strings& texts) {
  std::string why = reason;
  switch (refusal) {
    case File_Error::Refusal::System:
      break;
    case File_Error::Refusal::Not_Regular_File:
      why = texts[util_strings::Text_Not_Regular_File];
      break;
    case File_Error::Refusal::Is_Folder:
      why = texts[util_strings::Text_Is_Folder];
      break;
    case File_Error::Refusal::Not_Inside:
      why = Fill_Text(texts[util_strings::Text_Not_Inside], {reason});
      break;
  }
  return Fill_Text(texts[Attempt_Text(attempt)], {path, why});
}

}  // namespace

File_Error::File_Error(Attempt attempt, std::string path, std::string reason)
    : File_Error(attempt, std::move(path), Refusal::System, std::move(reason)) {}

File_Error::File_Error(Attempt attempt, std::string path, Refusal refusal, std::string root)
    : std::runtime_error(Word(attempt, path, refusal, root, Built_In_English())),
      attempt_(attempt),
      path_(std::move(path)),
      refusal_(refusal),
      reason_(std::move(root)) {}

File_Error::File_Error(const std::string& worded)
    : std::runtime_error(worded), attempt_(Attempt::Worded), refusal_(Refusal::System) {}

std::string File_Error::Text(const lang::Lang_Strings& texts) const {
  if (attempt_ == Attempt::Worded) return what();
  return Word(attempt_, path_, refusal_, reason_, texts);
}

std::string Error_Text(const std::exception& error, const lang::Lang_Strings& texts) {
  if (const auto* file_error = dynamic_cast<const File_Error*>(&error))
    return file_error->Text(texts);
  if (const auto* xml_error = dynamic_cast<const Xml_Error*>(&error)) return xml_error->Text(texts);
  return error.what();
}

}  // namespace util
