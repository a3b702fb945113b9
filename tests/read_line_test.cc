#include <string>
#include <vector>

#include "convert.h"
#include "test_support.h"

namespace {

class ReadLine : public ScratchTest {};

// Every call's result and line until the stream is exhausted, then one call
// more: "1:abc", "0:def", "0:".
std::vector<std::string> read_all_lines(const std::string& content, const char* mode,
                                        int limit = 128) {
  write_file("list", content);
  Stream stream;
  std::vector<std::string> calls;
  if (stream_open(&stream, "list", mode) != 0) return calls;
  std::vector<char> buffer(limit + 1 + 16, 'Z');
  for (int result = 1; result != 0;) {
    result = read_line(&stream, buffer.data(), limit);
    std::string line(buffer.data());
    EXPECT_LE(line.size(), (size_t)limit);
    calls.push_back(std::to_string(result) + ":" + line);
    if (calls.size() > 100) break;
  }
  std::vector<char> after(limit + 1, 'Z');
  calls.push_back(std::to_string(read_line(&stream, after.data(), limit)) + ":" + after.data());
  stream_close(&stream);
  return calls;
}

using Lines = std::vector<std::string>;

TEST_F(ReadLine, ReadsNonEmptyLines) {
  std::string a128(128, 'a'), b129(129, 'b'), c131(131, 'c');
  const struct {
    const char* what;
    std::string content;
    const char* mode;
    Lines calls;
  } cases[] = {
      {"empty stream", "", "rt", {"0:", "0:"}},
      {"only line ends", "\n\r\n\n", "rt", {"0:", "0:"}},
      {"last line without end", "abc\ndef", "rt", {"1:abc", "0:def", "0:"}},
      {"empty lines between", "\n\nabc\n\n\nx\n", "rt", {"1:abc", "1:x", "0:", "0:"}},
      {"CR LF in text mode", "abc\r\n\r\nx\r\n", "rt", {"1:abc", "1:x", "0:", "0:"}},
      {"CR LF in binary mode", "ab\r\ncd\r\n", "rb", {"1:ab", "1:cd", "0:", "0:"}},
      {"a CR alone ends a line in binary mode", "ab\rcd", "rb", {"1:ab", "0:cd", "0:"}},
      {"spaces and tabs are kept", " a b\t\n", "rt", {"1: a b\t", "0:", "0:"}},
      {"128 characters", a128 + "\nx\n", "rt", {"1:" + a128, "1:x", "0:", "0:"}},
      {"129 characters lose the last",
       b129 + "\nx\n",
       "rt",
       {"1:" + std::string(128, 'b'), "1:x", "0:", "0:"}},
      {"131 characters: the rest is a line",
       c131 + "\n",
       "rt",
       {"1:" + std::string(128, 'c'), "1:cc", "0:", "0:"}},
      {"128 characters at the end", a128, "rt", {"1:" + a128, "0:", "0:"}},
      {"byte 26 ends the text",
       "abc\nde" + bytes({26}) + "f\nghi\n",
       "rt",
       {"1:abc", "0:de", "0:"}},
      {"byte 255 is a character", bytes({255, 'x'}), "rt", {"0:" + bytes({255, 'x'}), "0:"}},
  };
  for (auto& c : cases) EXPECT_EQ(read_all_lines(c.content, c.mode), c.calls) << c.what;
}

TEST_F(ReadLine, SmallLimits) {
  EXPECT_EQ(read_all_lines("abcde\n", "rt", 2), (Lines{"1:ab", "1:de", "0:", "0:"}));
  EXPECT_EQ(read_all_lines("abc\n", "rt", 0), (Lines{"1:", "1:", "1:", "0:", "0:"}));
}

}  // namespace
