#include <string>
#include <vector>

#include "check/check.h"
#include "util/text.h"

namespace check {

namespace {

// Quoted where a spreadsheet would otherwise split or misread the field; a text beginning with
// a character a spreadsheet takes for a formula gets a leading apostrophe.
std::string Csv_Field(std::string text) {
  if (!text.empty() && (text[0] == '\t' || text[0] == '\r' || util::Starts_As_Formula(text)))
    text.insert(0, 1, '\'');
  if (text.find_first_of(",\";\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string Number(const std::optional<int>& value) {
  return value ? std::to_string(*value) : std::string();
}

}  // namespace

std::string Findings_Csv(const std::vector<Finding>& findings) {
  std::string csv = "\xEF\xBB\xBFSeverity,Rule,File,Line,Kind,Row,Member,Object,Message\r\n";
  for (const Finding& f : findings) {
    const std::string fields[] = {
        Severity_Text(f.severity), f.rule,   f.file,   Number(f.line), f.kind, Number(f.row),
        Number(f.member),          f.object, f.message};
    bool first = true;
    for (const std::string& field : fields) {
      if (!first) csv += ',';
      first = false;
      csv += Csv_Field(field);
    }
    csv += "\r\n";
  }
  return csv;
}

}  // namespace check
