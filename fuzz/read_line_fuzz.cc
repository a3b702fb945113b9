// Fuzz target: read_line on any stream under any limit.
//
// Input: one byte of choices (bit 0: text mode, else binary; bit 1: the
// limit is negative), one byte of limit, then the stream's bytes. Every line
// that read_line returns is compared with the lines cut from the same bytes
// by the rules of the list files, written out here a second time.
#include <string.h>

#include <vector>

#include "convert.h"
#include "fuzz_support.h"

struct ExpectedLine {
  int result;
  std::string line;
};

static bool is_line_end(char byte) { return byte == 10 || byte == 13; }

// Text mode drops every byte 13 and ends the stream at the first byte 26.
static std::string as_read(const std::string& bytes, bool text_mode) {
  if (!text_mode) return bytes;
  std::string read;
  for (char byte : bytes) {
    if (byte == 26) break;
    if (byte != 13) read += byte;
  }
  return read;
}

// The non-empty lines, each cut into pieces of |limit| characters with the
// character after each full piece lost, then the call that finds the end.
static std::vector<ExpectedLine> expected_lines(const std::string& stream, int limit) {
  std::vector<ExpectedLine> lines;
  size_t at = 0;
  for (;;) {
    while (at < stream.size() && is_line_end(stream[at])) ++at;
    if (at == stream.size()) break;
    size_t end = at;
    while (end < stream.size() && !is_line_end(stream[end])) ++end;
    std::string rest = stream.substr(at, end - at);
    bool ends_stream = end == stream.size();
    at = end < stream.size() ? end + 1 : end;
    while (!rest.empty()) {
      if (rest.size() > (size_t)limit) {
        lines.push_back({1, rest.substr(0, limit)});
        rest.erase(0, limit + 1);
      } else {
        // A piece of exactly |limit| characters ends by the limit, even at
        // the end of the stream.
        bool cut = rest.size() == (size_t)limit && limit > 0;
        lines.push_back({ends_stream && !cut ? 0 : 1, rest});
        rest.clear();
      }
    }
  }
  if (lines.empty() || lines.back().result != 0) lines.push_back({0, ""});
  return lines;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  begin_input();
  FuzzInput input = {data, size};
  int choices = take_byte(&input);
  bool text_mode = choices & 1;
  int limit = take_byte(&input);
  if (choices & 2) limit = -limit - 1;
  std::string bytes = take_rest(&input);
  write_whole_file("list", bytes);

  Stream stream;
  check(stream_open(&stream, "list", text_mode ? "rt" : "rb") == 0, "the list opens");
  int usable_limit = limit < 0 ? 0 : limit;
  std::vector<ExpectedLine> expected = expected_lines(as_read(bytes, text_mode), usable_limit);
  // Exactly limit + 1 bytes, so that a byte stored past them is an overflow.
  std::vector<char> buffer(usable_limit + 1);
  for (size_t call = 0; call <= expected.size(); ++call) {
    memset(buffer.data(), 'Z', buffer.size());
    int result = read_line(&stream, buffer.data(), limit);
    // Once the end has been returned, every later call returns it again.
    static const ExpectedLine at_end = {0, ""};
    const ExpectedLine& line = call < expected.size() ? expected[call] : at_end;
    check(result == line.result, "read_line returns 1 for a line and 0 at the end");
    check(memchr(buffer.data(), 0, buffer.size()) != nullptr, "the buffer is terminated");
    check(line.line.size() <= (size_t)usable_limit, "no line holds more than the limit");
    check(memcmp(buffer.data(), line.line.data(), line.line.size()) == 0 &&
              buffer[line.line.size()] == '\0',
          "the line is the stream's next non-empty line, cut at the limit");
  }
  stream_close(&stream);
  check_left_clean(work_folder());
  return 0;
}
