// Line numbers of places in a text, for findings that name the line of an element.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>

namespace util {

class Line_Index {
 public:
  // A line ends with LF, CR LF or a CR alone, as editors count them.
  explicit Line_Index(std::string_view text) {
    starts_.push_back(0);
    for (size_t i = 0; i < text.size(); ++i)
      if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
        starts_.push_back(i + 1);
  }
  // The line (from 1) holding byte `offset`; an offset before the text is on line 1.
  int Line(std::ptrdiff_t offset) const {
    if (offset < 0) return 1;
    const auto after =
        std::upper_bound(starts_.begin(), starts_.end(), static_cast<size_t>(offset));
    return static_cast<int>(after - starts_.begin());
  }

 private:
  std::vector<size_t> starts_;  // where each line begins
};

}  // namespace util
