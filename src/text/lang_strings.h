// The table of user-interface texts, read by index. It lies below every other module and reads
// no file: the built-in English comes from the modules' tables (text_table.h) handed to it, the
// language files are read by lang/lang_file.h.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace lang {

// The table's indices: 0 .. Num_Lang_Strings - 1, then the texts added for features beyond the
// original table, First_Added_String .. First_Added_String + Num_Added_Strings - 1, which
// language files translate with the same "STR<index> = text" lines. The added range is shared
// out in blocks, one per module (each module's table lists its entries): 5000-5049 command-line
// tool, 5050-5099 application shell, 5100-5199 Set Communication, 5200-5299 update dialog,
// 5300-5699 access editor, 5700-5849 configuration and SCL checks, 5850-5899 SCL library, 5900-5949
// image build, 5950-5999 platform layer and message boxes.
constexpr int Num_Lang_Strings = 1500;
constexpr int First_Added_String = 5000;
constexpr int Num_Added_Strings = 1000;

// Whether `index` names an entry of the table.
constexpr bool Is_String_Index(int index) {
  return (index >= 0 && index < Num_Lang_Strings) ||
         (index >= First_Added_String && index < First_Added_String + Num_Added_Strings);
}

// The place of an index of the table among its entries: the original indices first, the added
// ones after.
constexpr size_t String_Slot(int index) {
  return index < Num_Lang_Strings
             ? static_cast<size_t>(index)
             : static_cast<size_t>(Num_Lang_Strings + (index - First_Added_String));
}

// Hands visit(index, english) every built-in text of one or more modules' tables.
using Text_Visitor = std::function<void(int index, const char* english)>;
using Built_In_Texts = void (*)(const Text_Visitor& visit);

class Lang_Strings {
 public:
  // Starts with the built-in English texts of `built_in`: every module's for the programs
  // (lang::English_Strings, app/all_texts.h), one module's where a library words a message of its
  // own without a table handed to it.
  explicit Lang_Strings(Built_In_Texts built_in);

  // Text at `index`; a single blank for an index outside the table.
  const std::string& operator[](int index) const {
    if (!Is_String_Index(index)) return Blank();
    return entries_[String_Slot(index)];
  }
  void Set(int index, std::string text);

  // Empties the table and fills it with the built-in texts (a single blank where none is).
  void Load_Default_Strings();
  // The built-in texts this table starts from.
  Built_In_Texts Built_In() const { return built_in_; }

 private:
  static const std::string& Blank() {
    static const std::string blank = " ";
    return blank;
  }

  Built_In_Texts built_in_;
  std::vector<std::string> entries_;
};

}  // namespace lang
