// The check of SCL files and of configurations before anything reaches the device: one rule per
// kind of finding, each with a fixed identifier and severity (the README lists them). Findings
// go to a sink one at a time as they are found, so a file with a great many findings is never
// held whole; the command line writes each at once, the windows collect them for their report.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "access/access_state.h"
#include "text/lang_strings.h"
#include "util/progress.h"

namespace check {

enum class Severity { Error, Warning };

struct Finding {
  std::string rule;  // e.g. "fcda-unresolved"
  Severity severity = Severity::Error;
  std::string file;           // the file checked, as the caller named it
  std::optional<int> line;    // of the start tag of the element the finding is about, from 1
  std::string kind;           // "server", "variable", "dataset", "member"; empty for a file's own
  std::optional<int> row;     // the table's "N" (a server: its place in the server list, from 1)
  std::optional<int> member;  // the member's number from 1
  std::string object;         // the object named, for the report's table
  std::string message;        // one sentence for a person, naming the object
  // For a finding on an SCL file: the reference of the data set it is about (an FCDA left out of
  // it, a control naming it), so that a configuration's check can tell whether any of its rows
  // uses it; empty when the finding is about no data set.
  std::string data_set;
  // False for a finding of a configuration's catalog file that concerns none of its rows (only
  // one about a data set that a data set row uses does): the editor's OK and the Update step
  // show those on request only, as they were shown when the file was added or replaced.
  bool concerns_rows = true;
};

using Sink = std::function<void(const Finding&)>;

// "error" or "warning".
const char* Severity_Text(Severity severity);

// Whether `finding` is an error that puts a value into an image which the device cannot take
// (a position, start bit, R/W, conversion or factor out of its list or range): such a
// configuration is never built unless the user forces it. The one list of these rules.
bool Blocks_Build(const Finding& finding);

// Counts findings by severity on their way to another sink.
struct Tally {
  std::size_t errors = 0;
  std::size_t warnings = 0;
  void Count(const Finding& finding) {
    ++(finding.severity == Severity::Error ? errors : warnings);
  }
};

// The findings as CSV for a spreadsheet: UTF-8 with a byte-order mark, a header row, one line
// per finding, comma separated, CRLF line ends.
std::string Findings_Csv(const std::vector<Finding>& findings);

// The rules on an SCL file: every IED of it, its templates and its communication section.
// `shown_name` is the file named in the findings. `only_ieds`, when given, limits the rules on
// IEDs and addresses to the IEDs of those names (the templates are checked whole, since each of
// those IEDs is imported with them). Throws util::File_Error when the file cannot be read; a file
// that is not well-formed gives one "xml-error" finding and nothing else. The findings' sentences
// are in the words of `texts` (the windows' table; the command line's built-in English), as are
// those of every check below. `progress` (may be null) is polled throughout (a stop throws
// util::Cancelled); the stage it shows is the caller's. Every check only reads what it is given
// and the files, so it may run on a worker thread while nothing changes them.
void Check_Scl_File(const std::string& path, const std::string& shown_name, const Sink& sink,
                    const lang::Lang_Strings& texts,
                    const std::vector<std::string>* only_ieds = nullptr,
                    util::Progress* progress = nullptr);
// The same on text already in memory.
void Check_Scl_Text(const std::string& text, const std::string& shown_name, const Sink& sink,
                    const lang::Lang_Strings& texts,
                    const std::vector<std::string>* only_ieds = nullptr,
                    util::Progress* progress = nullptr);

// The rules on one SCL file, as Check_Scl_File runs them.
using Scl_Check =
    std::function<void(const std::string& path, const std::string& shown_name, const Sink& sink,
                       const lang::Lang_Strings& texts, const std::vector<std::string>* only_ieds,
                       util::Progress* progress)>;

struct Conf_Options {
  char separator = '.';  // the decimal separator a factor is read with, as the tables read it
  // Runs the rules on each catalog file; none: they are not run. Tests whose catalog holds
  // stand-in files leave it empty.
  Scl_Check scl_check = Check_Scl_File;
  // Whether the images in bin are looked at ("bank-pair-mixed"); the Update step, which
  // replaces them, says so in its own words.
  bool bank_pair = true;
  // For the check of a saved configuration: the models of its servers already loaded from the
  // same catalog (the access editor's, in list order without the servers whose file is
  // missing), used instead of importing each file again. None: each file is imported.
  const std::vector<std::shared_ptr<UIEC_61850_Access::TIEC_Device>>* loaded = nullptr;
  // Follows the check (Text_Checking, counting the servers' files) and can stop it
  // (util::Cancelled); none: nobody follows it.
  util::Progress* progress = nullptr;
};

// The rules on a configuration folder: its IEC_61850_Client.xml against the catalog files as the
// access editor loads them, every rule on an SCL file on each listed catalog file, and the pair
// of images in bin. Findings about the client file name it as `conf_dir`/IEC_61850_Client.xml.
// The client file is read by its one reader as the editor reads it (Client_Reading::Editor).
// Throws util::File_Error when the client file cannot be read (also when it is absent), and
// the reader's UIEC_61850_Access::Client_File_Error, in its words, when the file lacks what the
// editor needs; a file that is not well-formed gives one "xml-error" finding and nothing else.
void Check_Configuration(const std::string& conf_dir, const Conf_Options& options, const Sink& sink,
                         const lang::Lang_Strings& texts);

// The same rules on what the access editor holds (not yet saved): no lines, and no member that
// loading would drop since the editor's members are those it kept. `conf_dir` finds the catalog.
void Check_Access_State(const UIEC_61850_Access::Access_State& state, const std::string& conf_dir,
                        const Conf_Options& options, const Sink& sink,
                        const lang::Lang_Strings& texts);

}  // namespace check
