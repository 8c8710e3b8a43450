// Prints, for each hostile shape, the file's size, the outcome, and the wall time, CPU time and
// peak memory of a process that does nothing else: the import of a file whose types fan out
// (each branch within the 64-level limit), the check of the same file, and the check of SCD
// files of 5,000, 20,000 and 40,000 IEDs that share their templates.
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "app/all_texts.h"
#include "check/check.h"
#include "scl/scl_import.h"
#include "text/lang_strings.h"
#include "util/files.h"

namespace {

// An IED whose one logical node expands a chain of `levels` DOTypes of `width` SDOs each.
std::string Fan_Out(int levels, int width) {
  std::string text =
      "<SCL><IED name=\"S\"><AccessPoint name=\"P\"><Server><LDevice inst=\"L\">"
      "<LN0 lnClass=\"LLN0\" inst=\"\" lnType=\"N\"/></LDevice></Server></AccessPoint></IED>"
      "<DataTypeTemplates><LNodeType id=\"N\" lnClass=\"LLN0\"><DO name=\"d\" type=\"F0\"/>"
      "</LNodeType>";
  for (int level = 0; level < levels; ++level) {
    text += "<DOType id=\"F" + std::to_string(level) + "\" cdc=\"SPS\">";
    for (int k = 0; k < width; ++k)
      text +=
          "<SDO name=\"s" + std::to_string(k) + "\" type=\"F" + std::to_string(level + 1) + "\"/>";
    text += "</DOType>";
  }
  text += "<DOType id=\"F" + std::to_string(levels) +
          "\" cdc=\"SPS\"><DA name=\"stVal\" bType=\"BOOLEAN\" fc=\"ST\"/></DOType>"
          "</DataTypeTemplates></SCL>";
  return text;
}

// `text` made `bytes` long by a comment after its root's start tag.
std::string Padded(std::string text, size_t bytes) {
  const std::string open = "<!--", close = "-->";
  const size_t pad = bytes - text.size() - open.size() - close.size();
  text.insert(5, open + std::string(pad, 'x') + close);  // after "<SCL>"
  return text;
}

// An SCD of `ieds` IEDs of one logical node each, sharing a few hundred templates.
std::string Many_Ieds(int ieds) {
  std::string text = "<SCL>";
  for (int i = 0; i < ieds; ++i)
    text += "<IED name=\"I" + std::to_string(i) +
            "\"><AccessPoint name=\"P\"><Server><LDevice inst=\"L\"><LN0 lnClass=\"LLN0\" "
            "inst=\"\" lnType=\"N" +
            std::to_string(i % 300) + "\"/></LDevice></Server></AccessPoint></IED>\n";
  text += "<DataTypeTemplates>";
  for (int t = 0; t < 300; ++t)
    text += "<LNodeType id=\"N" + std::to_string(t) +
            "\" lnClass=\"LLN0\"><DO name=\"Mod\" type=\"D\"/><DO name=\"Beh\" type=\"D\"/>"
            "</LNodeType>";
  text +=
      "<DOType id=\"D\" cdc=\"ENC\"><DA name=\"stVal\" bType=\"INT32\" fc=\"ST\"/>"
      "<DA name=\"q\" bType=\"Quality\" fc=\"ST\"/></DOType></DataTypeTemplates></SCL>";
  return text;
}

// Runs `work` in a child process; prints its outcome, wall and CPU time and peak memory.
void Measure(const char* what, size_t file_bytes, const std::function<std::string()>& work) {
  std::fflush(stdout);
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return;
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    close(pipe_fds[0]);
    const std::string outcome = work();
    (void)!write(pipe_fds[1], outcome.data(), outcome.size());
    _exit(0);
  }
  close(pipe_fds[1]);
  std::string outcome;
  char buffer[512];
  for (ssize_t n; (n = read(pipe_fds[0], buffer, sizeof buffer)) > 0;) outcome.append(buffer, n);
  close(pipe_fds[0]);
  int status = 0;
  struct rusage usage {};
  wait4(child, &status, 0, &usage);
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                     (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  std::printf("%-34s %8.1f KB  %7.3f s wall  %7.3f s CPU  %7.1f MB peak  %s\n", what,
              file_bytes / 1024.0, wall, cpu, usage.ru_maxrss / 1024.0, outcome.c_str());
}

std::string Import(const std::string& path) {
  UIEC_Client_Decode::TIEC_Device device;
  try {
    UIEC_Client_Decode::Decode_ICD_File(device, path);
  } catch (const std::exception& e) {
    return std::string("refused: ") + e.what();
  }
  return "imported";
}

std::string Check(const std::string& path) {
  size_t errors = 0, refused = 0;
  const lang::Lang_Strings english = lang::English_Strings();
  check::Check_Scl_File(
      path, path,
      [&](const check::Finding& f) {
        errors += f.severity == check::Severity::Error;
        refused += f.rule == "scl-refused";
      },
      english);
  return std::to_string(errors) + " errors, " + std::to_string(refused) + " scl-refused";
}

}  // namespace

int main() {
  std::string folder_template =
      (std::filesystem::temp_directory_path() / "scl_bomb_XXXXXX").string();
  const char* folder = mkdtemp(folder_template.data());
  if (!folder) return 1;
  const struct {
    const char* what;
    std::string text;
  } bombs[] = {
      {"fan-out 4 x 40 levels", Fan_Out(40, 4)},
      {"fan-out 2 x 63 levels", Fan_Out(63, 2)},
      {"fan-out 8 x 20 levels", Fan_Out(20, 8)},
      {"fan-out 4 x 10 levels", Fan_Out(10, 4)},
      // The most a file of 64 KB may expand to is accepted: 786,431 objects.
      {"fan-out 2 x 18 levels in 64 KB", Padded(Fan_Out(18, 2), 64 * 1024)},
  };
  for (const auto& b : bombs) {
    const std::string path = std::string(folder) + "/bomb.icd";
    util::Write_File_Atomic(path, b.text);
    Measure((std::string("import ") + b.what).c_str(), b.text.size(), [&] { return Import(path); });
    Measure((std::string("check ") + b.what).c_str(), b.text.size(), [&] { return Check(path); });
  }
  for (int ieds : {5000, 20000, 40000}) {
    const std::string path = std::string(folder) + "/many.scd";
    const std::string text = Many_Ieds(ieds);
    util::Write_File_Atomic(path, text);
    Measure(("check SCD of " + std::to_string(ieds) + " IEDs").c_str(), text.size(),
            [&] { return Check(path); });
  }
  for (const char* name : {"bomb.icd", "many.scd"})
    unlink((std::string(folder) + "/" + name).c_str());
  rmdir(folder);
  return 0;
}
