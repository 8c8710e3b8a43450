// Every module's table of texts together: the built-in English of the whole string table. It lies
// above every module whose table it gathers, so that no library below it includes an upper
// module's table; the programs, the tests and the benchmarks link it (target rq_all_texts).
#pragma once

#include "text/lang_strings.h"

namespace lang {

// Calls visit(index, english) for every built-in text, from the modules' tables
// (src/<module>/<module>_strings.def, see text/text_table.h).
void For_Each_Built_In_Text(const Text_Visitor& visit);

// A table holding every built-in English text: the command line's, and the windows' before a
// language file applies.
Lang_Strings English_Strings();

}  // namespace lang
