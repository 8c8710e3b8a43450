// Import benchmark: generates a large SCL file and one twice its size, and prints for each, from
// the same run: the time of `xmllint --noout`, the time and peak memory of pugixml's bare
// load_file of the file (the floor of an import that builds a document), the import's time and
// peak memory, and the model's own size. Every measurement runs in a process of its own, so a
// peak is that of one parse or one import alone. The figures are set beside the goals: import
// time at most 0.35 of xmllint's, peak memory at most 5 times the file, the model at most 2 times
// the file, and doubling the file at most doubling time and memory.
//
//   scl_import_bench [--scale N] [--dir DIR] [--keep]   files of scale N and 2N (default 6: the
//                                                       60 MB kind of file, and 120 MB)
//   scl_import_bench --generate FILE SCALE              only write a file
//   scl_import_bench --import FILE                      (internal) one import in this process
//   scl_import_bench --parse FILE                       (internal) one bare parse
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "scl/scl_import.h"
#include "scl_generate.h"

namespace {

using Clock = std::chrono::steady_clock;
// The median of five, against the noise of a shared machine. CPU times are printed beside wall
// times: on a busy machine they are the steadier comparison.
constexpr int Runs = 5;

double Seconds_Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double Cpu_Seconds() {
  timespec now;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return now.tv_sec + now.tv_nsec / 1e9;
}

double Seconds(const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; }

size_t Heap_In_Use() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

size_t Count_Objects(const UIEC_Client_Decode::TIEC_Device& device) {
  using namespace UIEC_Client_Decode;
  size_t count = 0;
  std::vector<const TIEC_DO*> dos;
  std::vector<const TIEC_DA*> das;
  for (const auto& ld : device.List_LDevice)
    for (const auto& ln : ld->List_LN)
      for (const auto& dobj : ln->List_DO) dos.push_back(dobj);
  while (!dos.empty()) {
    const TIEC_DO* dobj = dos.back();
    dos.pop_back();
    ++count;
    for (const auto& sub : dobj->List_DO) dos.push_back(sub);
    for (const auto& da : dobj->List_DA) das.push_back(da);
  }
  while (!das.empty()) {
    const TIEC_DA* da = das.back();
    das.pop_back();
    ++count;
    for (const auto& sub : da->List_DA) das.push_back(sub);
  }
  return count;
}

// The child: one import, reported as "seconds cpu_seconds model_bytes baseline_kb objects
// store_bytes": the model's heap as the allocator sees it, and as the model counts it against its
// limit.
int Import_Once(const char* path) {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  const long baseline_kb = usage.ru_maxrss;
  const size_t heap_before = Heap_In_Use();
  const double cpu_start = Cpu_Seconds();
  const Clock::time_point start = Clock::now();
  UIEC_Client_Decode::TIEC_Device device(path);
  const double seconds = Seconds_Since(start);
  const double cpu_seconds = Cpu_Seconds() - cpu_start;
  const size_t model_bytes = Heap_In_Use() - heap_before;
  std::printf("%.6f %.6f %zu %ld %zu %zu\n", seconds, cpu_seconds, model_bytes, baseline_kb,
              Count_Objects(device), device.Store().Used());
  return 0;
}

// The child: pugixml's load_file alone, with its default options, reported as "seconds
// cpu_seconds baseline_kb".
int Parse_Once(const char* path) {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  const long baseline_kb = usage.ru_maxrss;
  const double cpu_start = Cpu_Seconds();
  const Clock::time_point start = Clock::now();
  pugi::xml_document doc;
  if (!doc.load_file(path)) return 1;
  const double seconds = Seconds_Since(start);
  const double cpu_seconds = Cpu_Seconds() - cpu_start;
  std::printf("%.6f %.6f %ld\n", seconds, cpu_seconds, baseline_kb);
  return 0;
}

struct Child_Result {
  double seconds = 0;      // wall time from start to exit
  double cpu_seconds = 0;  // user and system time
  long peak_kb = 0;        // the child's maximum resident set
  std::string out;
};

// Runs a program with its output captured; std::exit on failure.
Child_Result Run(const std::vector<std::string>& args, bool discard_output = false) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) std::exit(1);
  const Clock::time_point start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(discard_output ? open("/dev/null", O_WRONLY) : pipe_fds[1], STDOUT_FILENO);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(pipe_fds[1]);
  Child_Result result;
  char buffer[4096];
  ssize_t n;
  while ((n = read(pipe_fds[0], buffer, sizeof buffer)) > 0) result.out.append(buffer, n);
  close(pipe_fds[0]);
  int status = 0;
  struct rusage usage;
  wait4(pid, &status, 0, &usage);
  result.seconds = Seconds_Since(start);
  result.peak_kb = usage.ru_maxrss;
  result.cpu_seconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed\n", args[0].c_str());
    std::exit(1);
  }
  return result;
}

struct Figures {
  double file_mb, xmllint_s, xmllint_cpu_s, import_s, import_cpu_s, peak_mb, baseline_mb, model_mb;
  double store_mb, parse_s, parse_cpu_s, parse_peak_mb, parse_baseline_mb;
  size_t objects;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Each round runs xmllint, the bare parse and the import once, one after the other, so that all
// three meet the same load of the machine; the medians of the rounds are kept.
Figures Measure(const std::string& self, const std::string& path) {
  Figures figures{};
  figures.file_mb = std::filesystem::file_size(path) / 1048576.0;
  std::vector<double> xmllint_s, xmllint_cpu_s, parse_s, parse_cpu_s, import_s, import_cpu_s;
  for (int run = 0; run < Runs; ++run) {
    const Child_Result xmllint = Run({"xmllint", "--noout", path}, true);
    xmllint_s.push_back(xmllint.seconds);
    xmllint_cpu_s.push_back(xmllint.cpu_seconds);

    const Child_Result parse = Run({self, "--parse", path});
    double seconds = 0, cpu_seconds = 0;
    long baseline_kb = 0;
    if (std::sscanf(parse.out.c_str(), "%lf %lf %ld", &seconds, &cpu_seconds, &baseline_kb) != 3)
      std::exit(1);
    parse_s.push_back(seconds);
    parse_cpu_s.push_back(cpu_seconds);
    figures.parse_peak_mb = std::max(figures.parse_peak_mb, parse.peak_kb / 1024.0);
    figures.parse_baseline_mb = baseline_kb / 1024.0;

    const Child_Result child = Run({self, "--import", path});
    size_t model_bytes = 0, store_bytes = 0;
    if (std::sscanf(child.out.c_str(), "%lf %lf %zu %ld %zu %zu", &seconds, &cpu_seconds,
                    &model_bytes, &baseline_kb, &figures.objects, &store_bytes) != 6)
      std::exit(1);
    import_s.push_back(seconds);
    import_cpu_s.push_back(cpu_seconds);
    figures.peak_mb = std::max(figures.peak_mb, child.peak_kb / 1024.0);
    figures.baseline_mb = baseline_kb / 1024.0;
    figures.model_mb = model_bytes / 1048576.0;
    figures.store_mb = store_bytes / 1048576.0;
  }
  figures.xmllint_s = Median(xmllint_s);
  figures.xmllint_cpu_s = Median(xmllint_cpu_s);
  figures.parse_s = Median(parse_s);
  figures.parse_cpu_s = Median(parse_cpu_s);
  figures.import_s = Median(import_s);
  figures.import_cpu_s = Median(import_cpu_s);
  return figures;
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

void Print(const Figures& f, int scale) {
  const double import_mb = f.peak_mb - f.baseline_mb;
  const double parse_mb = f.parse_peak_mb - f.parse_baseline_mb;
  std::printf("scale %d: file %.1f MB, %zu data objects and attributes (medians of %d runs)\n",
              scale, f.file_mb, f.objects, Runs);
  std::printf("  xmllint --noout     %8.3f s wall, %.3f s CPU\n", f.xmllint_s, f.xmllint_cpu_s);
  std::printf(
      "  pugixml load_file   %8.3f s wall, %.3f s CPU  (%.2f of xmllint's wall time, "
      "%.2f of its CPU time); peak %.1f MB for it, %.2f x the file\n",
      f.parse_s, f.parse_cpu_s, f.parse_s / f.xmllint_s, f.parse_cpu_s / f.xmllint_cpu_s, parse_mb,
      parse_mb / f.file_mb);
  const double time_ratio = f.import_s / f.xmllint_s;
  std::printf(
      "  import              %8.3f s wall, %.3f s CPU  (%.2f of xmllint's wall time, "
      "%.2f of its CPU time; goal 0.35: %s)\n",
      f.import_s, f.import_cpu_s, time_ratio, f.import_cpu_s / f.xmllint_cpu_s,
      Verdict(time_ratio <= 0.35));
  std::printf(
      "  peak memory         %8.1f MB  (%.1f MB before the import: %.1f MB for it, "
      "%.2f x the file; goal 5: %s)\n",
      f.peak_mb, f.baseline_mb, import_mb, import_mb / f.file_mb,
      Verdict(import_mb / f.file_mb <= 5));
  std::printf(
      "  model               %8.1f MB  (%.2f x the file; goal 2: %s); counted against its limit: "
      "%.1f MB\n",
      f.model_mb, f.model_mb / f.file_mb, Verdict(f.model_mb / f.file_mb <= 2), f.store_mb);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--import") == 0) return Import_Once(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "--parse") == 0) return Parse_Once(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "--generate") == 0) {
    bench::Generate_SCL(argv[2], std::atoi(argv[3]));
    return 0;
  }
  int scale = 6;
  std::string dir;
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--scale" && i + 1 < argc)
      scale = std::atoi(argv[++i]);
    else if (arg == "--dir" && i + 1 < argc)
      dir = argv[++i];
    else if (arg == "--keep")
      keep = true;
    else {
      std::fprintf(stderr, "usage: %s [--scale N] [--dir DIR] [--keep]\n", argv[0]);
      return 2;
    }
  }
  if (scale < 1) return 2;
  const bool own_dir = dir.empty();
  if (own_dir) {
    std::string pattern = (std::filesystem::temp_directory_path() / "scl-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return 1;
    dir = pattern;
  }
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();

  std::vector<std::pair<int, Figures>> results;
  for (int s : {scale, 2 * scale}) {
    const std::string path = dir + "/bench_scale" + std::to_string(s) + ".scd";
    if (!std::filesystem::exists(path)) {
      const Clock::time_point start = Clock::now();
      bench::Generate_SCL(path, s);
      std::printf("generated %s in %.1f s\n", path.c_str(), Seconds_Since(start));
    }
    results.push_back({s, Measure(self, path)});
    Print(results.back().second, s);
    std::fflush(stdout);
  }
  const Figures& small = results[0].second;
  const Figures& large = results[1].second;
  std::printf(
      "doubling: file x%.2f, import time x%.2f (CPU x%.2f), xmllint time x%.2f "
      "(CPU x%.2f), import memory x%.2f, model x%.2f (goal: time and memory at most x2 per x2 "
      "of file: %s)\n",
      large.file_mb / small.file_mb, large.import_s / small.import_s,
      large.import_cpu_s / small.import_cpu_s, large.xmllint_s / small.xmllint_s,
      large.xmllint_cpu_s / small.xmllint_cpu_s,
      (large.peak_mb - large.baseline_mb) / (small.peak_mb - small.baseline_mb),
      large.model_mb / small.model_mb,
      Verdict(large.import_cpu_s / small.import_cpu_s <= large.file_mb / small.file_mb * 1.05 &&
              (large.peak_mb - large.baseline_mb) / (small.peak_mb - small.baseline_mb) <=
                  large.file_mb / small.file_mb * 1.05));
  if (!keep && own_dir) std::filesystem::remove_all(dir);
  return 0;
}
