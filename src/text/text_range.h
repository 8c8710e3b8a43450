// A run of consecutive string-table entries read by position, such as one text per table column.
#pragma once

namespace lang {

struct Text_Range {
  int First;  // index of entry 0
  int Count;  // number of entries

  // The string-table index of entry k. For a k outside the run it is an index outside the table,
  // which reads as a single blank, so a wrong k never shows a neighbouring text.
  constexpr int At(int k) const { return k >= 0 && k < Count ? First + k : -1; }
};

}  // namespace lang
