// The benchmark behind "make bench": times each program against cp copying the
// same input files into the same layout, in one run and alternating the two,
// because absolute times on a shared machine move from run to run. POSIX only.
//
//   bench PROGRAM_DIR WORK_DIR            the whole benchmark and its table
//   bench PROGRAM_DIR WORK_DIR make N     only makes the folders for N files in
//                                         WORK_DIR/N and leaves them, to profile
//
// Everything it makes lives in WORK_DIR, which it empties first and removes at
// the end. It exits non-zero only when a run fails (a program or cp that does
// not end with status 0, or a working folder that cannot be made); a missed
// target is printed, not failed, since timings on a shared machine are noisy.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

static const int folder_count = 100;
static const int timed_runs = 7;
static const int large_runs = 5;
static const long large_file_size = 200L * 1024 * 1024;
static const int header_length = 90;  // the text area of a variable file starts here

static std::string program_dir;

// ---- Fixed-seed generator --------------------------------------------------

static uint64_t random_state = 0x5eed2026ULL;

static uint32_t next_random() {
  random_state ^= random_state << 13;
  random_state ^= random_state >> 7;
  random_state ^= random_state << 17;
  return (uint32_t)(random_state >> 16);
}

static int random_below(int limit) { return (int)(next_random() % (uint32_t)limit); }

static const char* const words[] = {
    "the",    "force", "mass",   "energy",   "velocity", "integral", "derivative", "matrix",
    "vector", "limit", "series", "note",     "exam",     "review",   "chapter",    "formula",
    "proof",  "lemma", "x",      "y",        "=",        "+",        "(a+b)^2",    "sin(x)",
    "cos",    "theta", "dx",     "2.5",      "100",      "kg",       "m/s",        "todo:",
    "check",  "again", "page",   "homework", "due",      "Friday",   "remember",   "units"};
static const int word_count = sizeof words / sizeof words[0];

// One line of a note as a PC user types it, without its line end. A line
// starts with a letter, a tab, or one of the calculator's line-start bytes 12
// (page break), 14 (command) and 15 (print) followed by a word; it never
// starts with a space. Such a text comes back byte for byte from a round trip
// through a variable file, so the benchmark's folders stay as they are.
static std::string note_line() {
  std::string line;
  int kind = random_below(100);
  if (kind < 12) return line;  // a blank line
  if (kind < 22)
    line += '\t';
  else if (kind < 24)
    line += '\x0e';
  else if (kind < 26)
    line += '\x0f';
  else if (kind < 27)
    line += '\x0c';
  int length = 8 + random_below(64);
  line += words[random_below(word_count)];
  while ((int)line.size() < length) {
    line += random_below(10) == 0 ? '\t' : ' ';
    line += words[random_below(word_count)];
  }
  return line;
}

// A note of about 0.2 to 8 KB with CR LF line ends, as zembrik writes them.
static std::string note_text() {
  int target = 280 + random_below(8192 - 280 + 1);
  std::string text;
  for (;;) {
    std::string line = note_line() + "\r\n";
    if ((int)(text.size() + line.size()) > target) break;
    text += line;
  }
  return text;
}

static int write_whole_file(const std::string& path, const std::string& content) {
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return -1;
  size_t written = fwrite(content.data(), 1, content.size(), file);
  return fclose(file) == 0 && written == content.size() ? 0 : -1;
}

static std::string folder_name(int folder) {
  char name[16];
  snprintf(name, sizeof name, "f%03d", folder);
  return name;
}

static std::string note_name(int note) {
  char name[16];
  snprintf(name, sizeof name, "n%05d", note);
  return name;
}

// ---- Running programs ------------------------------------------------------

struct RunResult {
  double seconds;
  long peak_kilobytes;
};

static double now_seconds() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec + now.tv_nsec / 1e9;
}

// Every timed run is started by a helper process that the benchmark forks
// first thing, while it is still small: a forked child counts its parent's
// memory in its peak until it executes the program, so forking from the
// grown benchmark would blur the programs' own peak memory.
static int request_pipe[2];
static int reply_pipe[2];

struct Reply {
  double seconds;
  long peak_kilobytes;
  int succeeded;
};

static int transfer(int descriptor, void* data, size_t size, bool writing) {
  char* at = (char*)data;
  while (size > 0) {
    ssize_t done = writing ? write(descriptor, at, size) : read(descriptor, at, size);
    if (done <= 0) return -1;
    at += done;
    size -= (size_t)done;
  }
  return 0;
}

// The helper: reads "folder\0program\0argument\0..." requests, runs each
// with standard input and output on the null device, and replies with its
// time and peak memory. Ends when the benchmark closes its pipe.
static void serve_runs() {
  static char request[8192];
  for (;;) {
    int length = 0;
    if (transfer(request_pipe[0], &length, sizeof length, false) != 0 || length <= 0 ||
        length >= (int)sizeof request || transfer(request_pipe[0], request, length, false) != 0)
      _exit(0);
    request[length] = '\0';
    const char* folder = request;
    char* argv[16];
    int count = 0;
    for (char* at = request + strlen(request) + 1; at < request + length && count < 15;
         at += strlen(at) + 1)
      argv[count++] = at;
    argv[count] = nullptr;
    double start = now_seconds();
    pid_t child = fork();
    if (child == 0) {
      if (chdir(folder) != 0) _exit(126);
      if (!freopen("/dev/null", "r", stdin) || !freopen("/dev/null", "w", stdout)) _exit(126);
      execvp(argv[0], argv);
      _exit(127);
    }
    int status = 0;
    struct rusage usage;
    Reply reply = {0, 0, 0};
    if (child > 0 && wait4(child, &status, 0, &usage) == child) {
      reply.seconds = now_seconds() - start;
      reply.peak_kilobytes = usage.ru_maxrss;
      reply.succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    transfer(reply_pipe[1], &reply, sizeof reply, true);
  }
}

static void start_helper() {
  if (pipe(request_pipe) != 0 || pipe(reply_pipe) != 0) exit(1);
  pid_t helper = fork();
  if (helper < 0) exit(1);
  if (helper == 0) {
    close(request_pipe[1]);
    close(reply_pipe[0]);
    serve_runs();
  }
  close(request_pipe[0]);
  close(reply_pipe[1]);
}

// Runs |arguments| in |folder| through the helper. Exits the benchmark when
// the run does not end with status 0.
static RunResult run(const std::string& folder, const std::vector<std::string>& arguments) {
  std::string request = folder + '\0';
  for (const std::string& argument : arguments) request += argument + '\0';
  int length = (int)request.size();
  Reply reply = {0, 0, 0};
  if (transfer(request_pipe[1], &length, sizeof length, true) != 0 ||
      transfer(request_pipe[1], &request[0], request.size(), true) != 0 ||
      transfer(reply_pipe[0], &reply, sizeof reply, false) != 0 || !reply.succeeded) {
    fprintf(stderr, "bench: '%s' failed in %s\n", arguments[0].c_str(), folder.c_str());
    exit(1);
  }
  return RunResult{reply.seconds, reply.peak_kilobytes};
}

static RunResult run_program(const std::string& folder, const char* name) {
  return run(folder, {program_dir + "/" + name});
}

static void run_shell(const std::string& command) {
  if (system(command.c_str()) != 0) {
    fprintf(stderr, "bench: '%s' failed\n", command.c_str());
    exit(1);
  }
}

static double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// ---- The working folders ---------------------------------------------------

// The inputs of each program's folder, which every run starts from: the
// note folders f000.. of plovane's, the variable files of zembrik's, and
// both in kestrin's, whose variable files record the folders g000.. so that
// no conversion of the list writes over the input of another.
static bool is_text_input(const fs::directory_entry& entry) {
  return entry.is_directory() && entry.path().filename().string()[0] == 'f';
}
static bool is_variable_input(const fs::directory_entry& entry) {
  return entry.path().extension() == ".89t";
}
static bool is_sync_input(const fs::directory_entry& entry) {
  return is_text_input(entry) ||
         (is_variable_input(entry) && entry.path().filename().string()[0] == 'g');
}

// Removes everything of |folder| but its inputs, so that every run writes
// its outputs anew, as cp writes its copy into a fresh folder.
static void clean_folder(const std::string& folder, bool (*is_input)(const fs::directory_entry&)) {
  std::vector<fs::path> outputs;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    if (!is_input(entry)) outputs.push_back(entry.path());
  for (const fs::path& output : outputs) fs::remove_all(output);
}

static std::string read_whole_file(const std::string& path) {
  std::string content;
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) return content;
  char block[65536];
  for (size_t got; (got = fread(block, 1, sizeof block, file)) > 0;) content.append(block, got);
  fclose(file);
  return content;
}

// Makes |root|/texts (the notes in 100 sub-folders f000..), |root|/vars
// (their .89t files, made by plovane once) and |root|/sync (the notes, the
// variable files recording g000.. in place of f000.., and files.lst naming
// every one of them, texts first).
static void make_working_folders(const std::string& root, int file_count) {
  std::string texts = root + "/texts";
  std::string vars = root + "/vars";
  std::string sync = root + "/sync";
  fs::create_directories(texts);
  fs::create_directory(vars);
  int per_folder = file_count / folder_count;
  std::string list;
  for (int folder = 0; folder < folder_count; ++folder) {
    std::string folder_path = texts + "/" + folder_name(folder);
    fs::create_directory(folder_path);
    for (int note = 0; note < per_folder; ++note) {
      std::string name = note_name(folder * per_folder + note);
      if (write_whole_file(folder_path + "/" + name + ".txt", note_text()) != 0) {
        fprintf(stderr, "bench: cannot write in %s\n", folder_path.c_str());
        exit(1);
      }
      list += "t" + folder_name(folder) + "/" + name + ".txt\n";
    }
  }
  run_program(texts, "plovane");
  run_shell("cp -R '" + texts + "' '" + sync + "' && rm '" + sync + "'/*.89t");
  for (const fs::directory_entry& entry : fs::directory_iterator(texts)) {
    if (!is_variable_input(entry)) continue;
    std::string name = entry.path().filename().string();
    std::string variable = read_whole_file(entry.path().string());
    name[0] = variable[10] = 'g';
    write_whole_file(sync + "/" + name, variable);
    list += "s" + name + "\n";
    fs::rename(entry.path(), vars + "/" + entry.path().filename().string());
  }
  clean_folder(texts, is_text_input);
  write_whole_file(root + "/files.lst", list);
}

// ---- Measurements ----------------------------------------------------------

// The medians of one program at one size, and of cp on the same input.
struct Comparison {
  const char* program;
  int file_count;  // files converted in one run
  double program_seconds;
  double copy_seconds;
  long peak_kilobytes;
};

struct Timings {
  std::vector<double> program_seconds;
  std::vector<double> copy_seconds;
  long peak_kilobytes = 0;
};

// One round: cp -R of |work| into a fresh folder, then |program| in |work|.
// |prepare| puts the work folder back before each.
static void time_round(const char* program, const std::string& work,
                       void (*prepare)(const std::string& work), Timings* timings) {
  std::string copy = work + ".copy";
  prepare(work);
  fs::remove_all(copy);
  timings->copy_seconds.push_back(run(".", {"cp", "-R", work, copy}).seconds);
  fs::remove_all(copy);
  RunResult converted = run_program(work, program);
  timings->program_seconds.push_back(converted.seconds);
  timings->peak_kilobytes = std::max(timings->peak_kilobytes, converted.peak_kilobytes);
  prepare(work);
}

static Comparison summary(const char* program, int file_count, const Timings& timings) {
  return Comparison{program, file_count, median(timings.program_seconds),
                    median(timings.copy_seconds), timings.peak_kilobytes};
}

static void prepare_texts(const std::string& work) { clean_folder(work, is_text_input); }
static void prepare_vars(const std::string& work) { clean_folder(work, is_variable_input); }
// The change list lies beside the work folder; kestrin empties its copy.
static void prepare_sync(const std::string& work) {
  clean_folder(work, is_sync_input);
  fs::copy_file(fs::path(work).parent_path() / "files.lst", work + "/files.lst");
}

// Times the three programs on |large_count| and |small_count| files, the
// rounds of the two sizes alternating too, so that both meet the same load
// of the machine. Fills |large| and |small| with a comparison per program.
static void measure_sizes(const std::string& work_dir, int large_count, int small_count,
                          std::vector<Comparison>* large, std::vector<Comparison>* small) {
  std::string large_root = work_dir + "/" + std::to_string(large_count);
  std::string small_root = work_dir + "/" + std::to_string(small_count);
  printf("-- making %d and %d text files and as many variable files, in %d folders each\n",
         large_count, small_count, folder_count);
  fflush(stdout);
  make_working_folders(large_root, large_count);
  make_working_folders(small_root, small_count);
  struct Task {
    const char* program;
    const char* folder;
    int files_per_note;  // kestrin converts each note and each variable file
    void (*prepare)(const std::string& work);
  };
  const Task tasks[] = {{"plovane", "/texts", 1, prepare_texts},
                        {"zembrik", "/vars", 1, prepare_vars},
                        {"kestrin", "/sync", 2, prepare_sync}};
  for (const Task& task : tasks) {
    printf("-- timing %s\n", task.program);
    fflush(stdout);
    Timings large_timings, small_timings;
    for (int round = 0; round < timed_runs; ++round) {
      // Each size goes first in every other round, so neither always
      // follows the other's leftovers.
      if (round % 2 == 0)
        time_round(task.program, large_root + task.folder, task.prepare, &large_timings);
      time_round(task.program, small_root + task.folder, task.prepare, &small_timings);
      if (round % 2 == 1)
        time_round(task.program, large_root + task.folder, task.prepare, &large_timings);
    }
    large->push_back(summary(task.program, task.files_per_note * large_count, large_timings));
    small->push_back(summary(task.program, task.files_per_note * small_count, small_timings));
  }
  fs::remove_all(large_root);
  fs::remove_all(small_root);
}

// A variable file of |size| bytes whose text area has no text end: notes
// with calculator symbols, indented lines and command lines, up to the end.
static void write_unended_variable(const std::string& path, long size) {
  std::string chunk;
  while (chunk.size() < 1024 * 1024) {
    std::string line = note_line();
    int marker = random_below(10);
    chunk += marker == 0 ? 'C' : marker == 1 ? 'P' : ' ';
    if (!line.empty() && line[0] < ' ') line.erase(0, 1);  // markers stand for those
    if (!line.empty() && line[0] == '\t') line[0] = ' ';
    if (random_below(4) == 0) line += " \x16 y";                    // ->
    if (random_below(8) == 0) line += " \x9c \x9e \x9d \x8c \xa8";  // <= >= != PI sqrt
    chunk += line + '\r';
  }
  std::string header(header_length, '\0');
  memcpy(&header[0],
         "**TI89**\x01\x00"
         "big",
         13);
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) exit(1);
  fwrite(header.data(), 1, header.size(), file);
  for (long left = size - header_length; left > 0;) {
    long part = std::min(left, (long)chunk.size());
    fwrite(chunk.data(), 1, part, file);
    left -= part;
  }
  fclose(file);
}

struct LargeResult {
  double program_seconds;
  double copy_seconds;
  long large_peak_kilobytes;
  long medium_peak_kilobytes;  // 256 KB: every block of the conversion in use
  long small_peak_kilobytes;   // 1 KB
};

static LargeResult measure_large(const std::string& work_dir) {
  printf("-- one variable file of %ld MB with no text end\n", large_file_size / (1024 * 1024));
  fflush(stdout);
  std::string large = work_dir + "/large";
  std::string medium = work_dir + "/medium";
  std::string small = work_dir + "/small";
  fs::create_directories(large);
  fs::create_directories(medium);
  fs::create_directories(small);
  write_unended_variable(large + "/big.huge.89t", large_file_size);
  write_unended_variable(medium + "/big.medium.89t", 256 * 1024);
  write_unended_variable(small + "/big.tiny.89t", 1024);

  std::vector<double> program_times, copy_times;
  long large_peak = 0;
  for (int round = 0; round < large_runs; ++round) {
    fs::remove(work_dir + "/copy.89t");
    copy_times.push_back(run(".", {"cp", large + "/big.huge.89t", work_dir + "/copy.89t"}).seconds);
    fs::remove(work_dir + "/copy.89t");
    fs::remove_all(large + "/big");
    RunResult converted = run_program(large, "zembrik");
    program_times.push_back(converted.seconds);
    large_peak = std::max(large_peak, converted.peak_kilobytes);
  }
  long medium_peak = run_program(medium, "zembrik").peak_kilobytes;
  long small_peak = run_program(small, "zembrik").peak_kilobytes;
  fs::remove_all(large);
  fs::remove_all(medium);
  fs::remove_all(small);
  return LargeResult{median(program_times), median(copy_times), large_peak, medium_peak,
                     small_peak};
}

// ---- Report ----------------------------------------------------------------

static const char* verdict(bool met) { return met ? "met" : "MISSED"; }

int main(int argc, char** argv) {
  bool make_only = argc == 5 && strcmp(argv[3], "make") == 0 && atoi(argv[4]) > 0;
  if (argc != 3 && !make_only) {
    fprintf(stderr, "usage: bench PROGRAM_DIR WORK_DIR [make FILE_COUNT]\n");
    return 2;
  }
  start_helper();
  program_dir = fs::absolute(argv[1]).string();
  std::string work_dir = fs::absolute(argv[2]).string();
  fs::remove_all(work_dir);
  fs::create_directories(work_dir);
  if (make_only) {
    int file_count = atoi(argv[4]) / folder_count * folder_count;
    make_working_folders(work_dir + "/" + std::to_string(file_count), file_count);
    return 0;
  }

  std::vector<Comparison> large_set, small_set;
  measure_sizes(work_dir, 10000, 2500, &large_set, &small_set);
  LargeResult large = measure_large(work_dir);
  fs::remove_all(work_dir);

  char host[256] = "?";
  gethostname(host, sizeof host);
  time_t now = time(nullptr);
  char date[32];
  strftime(date, sizeof date, "%Y-%m-%d %H:%M UTC", gmtime(&now));
  printf(
      "\nMedians of %d runs, each program alternating with cp -R of its input folder into a "
      "fresh folder,\nthe two sizes alternating too; ",
      timed_runs);
  printf("%s, host %s, %ld cores.\n\n", date, host, sysconf(_SC_NPROCESSORS_ONLN));
  printf(
      "| program | files | program s | cp s | program/cp | per file at 2,500 | "
      "per file at 10,000 | growth | cp's growth | peak memory |\n");
  printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
  bool ratios_met = true, growth_met = true, memory_met = true;
  for (size_t at = 0; at < large_set.size(); ++at) {
    const Comparison& big = large_set[at];
    const Comparison& small = small_set[at];
    double ratio = big.program_seconds / big.copy_seconds;
    double per_file_big = big.program_seconds / big.file_count * 1e6;
    double per_file_small = small.program_seconds / small.file_count * 1e6;
    double growth = per_file_big / per_file_small;
    double copy_growth =
        (big.copy_seconds / big.file_count) / (small.copy_seconds / small.file_count);
    ratios_met = ratios_met && ratio <= 1.5;
    growth_met = growth_met && growth <= 1.2;
    long peak = std::max(big.peak_kilobytes, small.peak_kilobytes);
    memory_met = memory_met && peak < 8 * 1024;
    printf("| %s | %d | %.3f | %.3f | %.2f | %.1f us | %.1f us | %.2f | %.2f | %.1f MB |\n",
           big.program, big.file_count, big.program_seconds, big.copy_seconds, ratio,
           per_file_small, per_file_big, growth, copy_growth, peak / 1024.0);
  }
  double megabytes = large_file_size / (1024.0 * 1024.0);
  double program_rate = megabytes / large.program_seconds;
  double copy_rate = megabytes / large.copy_seconds;
  printf(
      "\n| large conversion | program s | cp s | program MB/s | cp MB/s | share of cp |"
      " peak memory: 200 MB file | 256 KB file | 1 KB file |\n");
  printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
  printf("| zembrik, %.0f MB | %.3f | %.3f | %.0f | %.0f | %.2f | %.1f MB | %.1f MB | %.1f MB |\n",
         megabytes, large.program_seconds, large.copy_seconds, program_rate, copy_rate,
         program_rate / copy_rate, large.large_peak_kilobytes / 1024.0,
         large.medium_peak_kilobytes / 1024.0, large.small_peak_kilobytes / 1024.0);
  bool throughput_met = program_rate * 3 >= copy_rate;
  // The same: nothing grows past what a file that fills every block of the
  // conversion takes; a 1 KB file leaves most of those fixed blocks
  // untouched, which may count for up to half a megabyte.
  bool same_memory = large.large_peak_kilobytes <= large.medium_peak_kilobytes + 64 &&
                     large.large_peak_kilobytes <= large.small_peak_kilobytes + 512;
  memory_met = memory_met && same_memory && large.large_peak_kilobytes < 8 * 1024;

  printf("\nTargets:\n");
  printf("  each program within 1.5 times cp on 10,000 files: %s\n", verdict(ratios_met));
  printf("  per-file time at 10,000 within 1.2 times that at 2,500: %s\n", verdict(growth_met));
  printf("  large conversion at least a third of cp's throughput: %s\n", verdict(throughput_met));
  printf("  peak memory under 8 MB, the same for 1 KB and 200 MB: %s\n", verdict(memory_met));
  return 0;
}
