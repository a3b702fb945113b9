#include "platform.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

class Platform : public ScratchTest {};

std::string read_all(const char* path, const char* mode) {
  Stream stream;
  if (stream_open(&stream, path, mode) != 0) return "<not opened>";
  std::string content;
  for (int byte; (byte = stream_get(&stream)) != EOF;) content.push_back((char)byte);
  content += stream_get(&stream) == EOF ? "" : "<read after the end>";
  stream_close(&stream);
  return content;
}

TEST_F(Platform, TextModeReadingDropsCarriageReturnsAndEndsAt26) {
  write_file("f", bytes({'a', 13, 10, 13, 'b', 13, 26, 'c', 10}));
  EXPECT_EQ(read_all("f", "rt"), bytes({'a', 10, 'b'}));
  EXPECT_EQ(read_all("f", "rb"), bytes({'a', 13, 10, 13, 'b', 13, 26, 'c', 10}));
}

TEST_F(Platform, TextModeWritingTurnsLineFeedsIntoCrLf) {
  Stream stream;
  ASSERT_EQ(stream_open(&stream, "t", "wt"), 0);
  stream_put_string(&stream, "a\nb\r\n");
  stream_put(&stream, 255);
  stream_close(&stream);
  EXPECT_EQ(read_file("t"), "a\r\nb\r\r\n" + bytes({255}));
  ASSERT_EQ(stream_open(&stream, "b", "wb"), 0);
  stream_put_string(&stream, "a\nb\r\n");
  stream_close(&stream);
  EXPECT_EQ(read_file("b"), "a\nb\r\n");
}

TEST_F(Platform, SeekingBackReadsAgainAfterTheEndOfText) {
  write_file("f", bytes({'x', 26, 'y'}));
  Stream stream;
  ASSERT_EQ(stream_open(&stream, "f", "rt"), 0);
  EXPECT_EQ(stream_get(&stream), 'x');
  EXPECT_EQ(stream_get(&stream), EOF);
  EXPECT_EQ(stream_seek(&stream, 0, SEEK_SET), 0);
  EXPECT_EQ(stream_get(&stream), 'x');
  stream_close(&stream);
}

// Contents for the block calls: byte 13 alone, in pairs and at the ends of
// reads, byte 26 early and late, long lines and many short ones.
std::vector<std::string> block_contents() {
  const char pattern[] = "ab\r\n\r\rcd\n\t";
  std::string mixed;
  for (int i = 0; i < 70000; ++i) mixed.push_back(pattern[(i * 7 + i / 13) % (sizeof pattern - 1)]);
  std::string returns_then_text(9000, '\r');
  returns_then_text += "x\r\ny";
  return {"",
          "\r",
          "\r\r\r\n",
          bytes({'a', 13, 10, 13, 'b', 13, 26, 'c', 10}),
          mixed,
          mixed + bytes({26}) + "after the end\r\n",
          returns_then_text,
          std::string(100000, 'x') + "\n" + std::string(70000, '\n')};
}

std::string read_in_blocks(const char* path, const char* mode, int size) {
  Stream stream;
  if (stream_open(&stream, path, mode) != 0) return "<not opened>";
  std::string content;
  std::vector<unsigned char> block(size);
  for (;;) {
    int count = stream_read(&stream, block.data(), size);
    content.append(block.begin(), block.begin() + count);
    if (count < size) break;
  }
  content += stream_read(&stream, block.data(), size) == 0 ? "" : "<read after the end>";
  stream_close(&stream);
  return content;
}

TEST_F(Platform, BlockReadsGiveWhatByteReadsGive) {
  for (const std::string& content : block_contents()) {
    write_file("f", content);
    for (const char* mode : {"rt", "rb"}) {
      std::string expected = read_all("f", mode);
      for (int size : {1, 2, 3, 7, 4096, 65536, 300000})
        EXPECT_EQ(read_in_blocks("f", mode, size), expected)
            << mode << ", " << content.size() << " bytes in blocks of " << size;
    }
  }
}

TEST_F(Platform, BlockWritesGiveWhatByteWritesGive) {
  for (const std::string& content : block_contents()) {
    for (const char* mode : {"wt", "wb"}) {
      Stream stream;
      ASSERT_EQ(stream_open(&stream, "by-bytes", mode), 0);
      for (char byte : content) stream_put(&stream, (unsigned char)byte);
      stream_close(&stream);
      for (int size : {1, 3, 4096, 300000}) {
        ASSERT_EQ(stream_open(&stream, "in-blocks", mode), 0);
        for (size_t at = 0; at < content.size(); at += size) {
          int count = (int)std::min(content.size() - at, (size_t)size);
          stream_write(&stream, (const unsigned char*)content.data() + at, count);
        }
        stream_close(&stream);
        EXPECT_EQ(read_file("in-blocks"), read_file("by-bytes"))
            << mode << ", " << content.size() << " bytes in blocks of " << size;
      }
    }
  }
}

TEST_F(Platform, OpeningFailsOnMissingFilesAndFolders) {
  make_dir("folder");
  Stream stream;
  EXPECT_EQ(stream_open(&stream, "missing", "rb"), -1);
  EXPECT_EQ(stream_open(&stream, "folder", "rt"), -1);
  EXPECT_EQ(stream_open(&stream, "folder", "wb"), -1);
  EXPECT_EQ(stream_open(&stream, "missing-folder/x", "wt"), -1);
}

std::vector<std::string> search(const char* pattern) {
  std::vector<std::string> names;
  DirSearch found;
  if (dir_search_first(&found, pattern) == 0) {
    do names.push_back(found.name);
    while (dir_search_next(&found) == 0);
    dir_search_close(&found);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Case counts on POSIX; Windows matches names regardless of case.
TEST_F(Platform, DirectorySearchMatchesStarAndQuestionMark) {
  for (const char* name : {"a.txt", "b.TXT", ".txt", "ab.txt.bak", "x.89t", "y.89p"})
    write_file(name, "");
  make_dir("dir.txt");
  std::vector<std::string> texts = {".txt", "a.txt", "dir.txt"};
  if (search_ignores_case) texts = {".txt", "a.txt", "b.TXT", "dir.txt"};
  EXPECT_EQ(search("*.txt"), texts);
  EXPECT_EQ(search("?.89?"), (std::vector<std::string>{"x.89t", "y.89p"}));
  EXPECT_EQ(search("*"), (std::vector<std::string>{".txt", "a.txt", "ab.txt.bak", "b.TXT",
                                                   "dir.txt", "x.89t", "y.89p"}));
  EXPECT_TRUE(search("*.none").empty());
}

TEST_F(Platform, ExistenceIsLiteralAndCountsFilesAndFolders) {
  write_file("file", "");
  make_dir("folder");
  EXPECT_EQ(path_exists("file"), 1);
  EXPECT_EQ(path_exists("folder"), 1);
  EXPECT_EQ(path_exists("f*"), 0);
  EXPECT_EQ(path_exists("missing"), 0);
  EXPECT_EQ(make_folder("new"), 0);
  EXPECT_EQ(make_folder("new"), -1);
  EXPECT_EQ(path_exists("new"), 1);
}

TEST_F(Platform, ReturnsToTheStartingDirectory) {
  make_dir("a/b");
  ASSERT_EQ(remember_start_dir(), 0);
  ASSERT_EQ(change_dir("a/b"), 0);
  EXPECT_EQ(change_dir("missing"), -1);
  ASSERT_EQ(return_to_start_dir(), 0);
  EXPECT_TRUE(exists("a/b"));
}

// A starting directory whose name the system's narrow code page cannot
// spell (Greek letters beyond Windows-1252) is still found again.
TEST_F(Platform, ReturnsToAStartingDirectoryOfAnyName) {
  std::filesystem::path start = std::filesystem::u8path(u8"\u03a9\u03bc\u03ad\u03b3\u03b1");
  std::filesystem::create_directories(start / "a");
  std::filesystem::current_path(start);
  ASSERT_EQ(remember_start_dir(), 0);
  ASSERT_EQ(change_dir("a"), 0);
  ASSERT_EQ(return_to_start_dir(), 0);
  EXPECT_EQ(std::filesystem::current_path().filename(), start);
}

}  // namespace
