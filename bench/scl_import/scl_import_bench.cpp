// Import benchmark: generates a large SCL file and one twice its size, and prints for each the
// time of `xmllint --noout`, the import's time and the import's peak memory. Every measurement
// runs in a process of its own, so the peak memory is that of one import alone.
//
//   scl_import_bench [--scale N] [--dir DIR] [--keep]   files of scale N and 2N (default 2)
//   scl_import_bench --generate FILE SCALE              only write a file
//   scl_import_bench --import FILE                      (internal) one import in this process
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
#include <string>
#include <vector>

#include "iec/scl_import.h"
#include "scl_generate.h"

namespace {

using Clock = std::chrono::steady_clock;
// The best of five, against the noise of a shared machine. CPU times are printed beside wall
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

// The child: one import, reported as "seconds cpu_seconds model_bytes baseline_kb objects".
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
  std::printf("%.6f %.6f %zu %ld %zu\n", seconds, cpu_seconds, model_bytes, baseline_kb,
              Count_Objects(device));
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
  size_t objects;
};

Figures Measure(const std::string& self, const std::string& path) {
  Figures figures{};
  figures.file_mb = std::filesystem::file_size(path) / 1048576.0;
  figures.xmllint_s = figures.xmllint_cpu_s = figures.import_s = figures.import_cpu_s = 1e9;
  for (int run = 0; run < Runs; ++run) {
    const Child_Result xmllint = Run({"xmllint", "--noout", path}, true);
    figures.xmllint_s = std::min(figures.xmllint_s, xmllint.seconds);
    figures.xmllint_cpu_s = std::min(figures.xmllint_cpu_s, xmllint.cpu_seconds);
    const Child_Result child = Run({self, "--import", path});
    double seconds = 0, cpu_seconds = 0;
    size_t model_bytes = 0;
    long baseline_kb = 0;
    if (std::sscanf(child.out.c_str(), "%lf %lf %zu %ld %zu", &seconds, &cpu_seconds, &model_bytes,
                    &baseline_kb, &figures.objects) != 5)
      std::exit(1);
    figures.import_s = std::min(figures.import_s, seconds);
    figures.import_cpu_s = std::min(figures.import_cpu_s, cpu_seconds);
    figures.peak_mb = std::max(figures.peak_mb, child.peak_kb / 1024.0);
    figures.baseline_mb = baseline_kb / 1024.0;
    figures.model_mb = model_bytes / 1048576.0;
  }
  return figures;
}

void Print(const Figures& f, int scale) {
  const double import_mb = f.peak_mb - f.baseline_mb;
  std::printf("scale %d: file %.1f MB, %zu data objects and attributes\n", scale, f.file_mb,
              f.objects);
  std::printf("  xmllint --noout   %8.3f s wall, %.3f s CPU\n", f.xmllint_s, f.xmllint_cpu_s);
  std::printf(
      "  import            %8.3f s wall, %.3f s CPU  (%.2f of xmllint's wall time, "
      "%.2f of its CPU time)\n",
      f.import_s, f.import_cpu_s, f.import_s / f.xmllint_s, f.import_cpu_s / f.xmllint_cpu_s);
  std::printf(
      "  peak memory       %8.1f MB  (%.1f MB before the import: %.1f MB for it, "
      "%.2f x the file)\n",
      f.peak_mb, f.baseline_mb, import_mb, import_mb / f.file_mb);
  std::printf(
      "  model             %8.1f MB  (%.2f x the file); beyond the model: %.1f MB "
      "(%.2f x the file)\n",
      f.model_mb, f.model_mb / f.file_mb, import_mb - f.model_mb,
      (import_mb - f.model_mb) / f.file_mb);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--import") == 0) return Import_Once(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "--generate") == 0) {
    bench::Generate_SCL(argv[2], std::atoi(argv[3]));
    return 0;
  }
  int scale = 2;
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
      "(CPU x%.2f), import memory x%.2f\n",
      large.file_mb / small.file_mb, large.import_s / small.import_s,
      large.import_cpu_s / small.import_cpu_s, large.xmllint_s / small.xmllint_s,
      large.xmllint_cpu_s / small.xmllint_cpu_s,
      (large.peak_mb - large.baseline_mb) / (small.peak_mb - small.baseline_mb));
  if (!keep && own_dir) std::filesystem::remove_all(dir);
  return 0;
}
