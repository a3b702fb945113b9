#include <algorithm>
#include <string>

#include "convert.h"
#include "test_support.h"

namespace {

class TextToVar : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    make_dir("notes");
    ASSERT_EQ(change_dir("notes"), 0);
  }
  void TearDown() override {
    change_dir(scratch.c_str());
    ScratchTest::TearDown();
  }
};

std::string last_two(const std::string& file) { return file.substr(file.size() - 2); }

TEST_F(TextToVar, ConvertsTexts) {
  const struct {
    const char* what;
    std::string text;
    std::string text_area;
    std::string checksum;  // where the layout gives it
  } cases[] = {
      {"empty text", "", "", bytes({0xE5, 0})},
      {"a line and its end", "ab\n", bytes({0x20, 0x61, 0x62, 0x0D}), bytes({0xD9, 0x01})},
      {"leading tabs", bytes({9, 9, 0x78, 9, 0x79, 10}),
       bytes({0x20, 0x20, 0x20, 0x78, 0x09, 0x79, 0x0D}), bytes({0x53, 0x02})},
      {"a space then a tab", bytes({0x20, 9, 0x61, 10}), bytes({0x20, 0x20, 0x09, 0x61, 0x0D}), ""},
      {"14 and a tab, no final line end", bytes({14, 9, 0x66, 0x6F, 0x6F}),
       bytes({0x43, 0x20, 0x66, 0x6F, 0x6F}), bytes({0x91, 0x02})},
      {"print marker", bytes({15, 0x61}), bytes({0x50, 0x61}), ""},
      {"form feed starts the second line", bytes({0x61, 10, 12, 0x62}),
       bytes({0x20, 0x61, 0x0D, 0x0C, 0x62}), ""},
      {"14 inside a line", bytes({0x61, 14, 12, 15}), bytes({0x20, 0x61, 14, 12, 15}), ""},
      {"12 after a marker is a character", bytes({14, 12, 10}), bytes({0x43, 12, 0x0D}), ""},
      {"empty lines", "\n\n", bytes({0x20, 0x0D, 0x20, 0x0D}), ""},
      {"CR LF line ends", "ab\r\n\tc\r\n", bytes({0x20, 'a', 'b', 0x0D, 0x20, 0x20, 'c', 0x0D}),
       ""},
      {"a lone CR joins lines", "a\rb\n", bytes({0x20, 'a', 'b', 0x0D}), ""},
      {"byte 26 ends the text", bytes({0x78, 26, 0x79}), bytes({0x20, 0x78}), ""},
      {"NUL is a character", bytes({0x61, 0, 0x62}), bytes({0x20, 0x61, 0, 0x62}), ""},
      {"high bytes unchanged", bytes({0xE9, 0xFF}), bytes({0x20, 0xE9, 0xFF}), ""},
  };
  for (auto& c : cases) {
    write_file("todo.txt", c.text);
    EXPECT_EQ(text_to_var("notes", "todo.txt"), CONVERTED) << c.what;
    std::string written = read_file("../notes.todo.89t");
    EXPECT_EQ(written, written_file("notes", "todo", c.text_area)) << c.what;
    if (!c.checksum.empty()) {
      EXPECT_EQ(last_two(written), c.checksum) << c.what;
    }
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(TextToVar, NamesFromTheFileName) {
  write_file("a.b.txt", "x");
  EXPECT_EQ(text_to_var("notes", "a.b.txt"), CONVERTED);
  EXPECT_EQ(read_file("../notes.a.b.89t"), written_file("notes", "a.b", bytes({0x20, 'x'})));
  write_file("abcdefgh.txt", "");
  EXPECT_EQ(text_to_var("abcdefgh", "abcdefgh.txt"), CONVERTED);
  EXPECT_EQ(read_file("../abcdefgh.abcdefgh.89t"), written_file("abcdefgh", "abcdefgh", ""));
  write_file(".txt", "");  // an empty stem is a name like any other
  EXPECT_EQ(text_to_var("notes", ".txt"), CONVERTED);
  EXPECT_EQ(read_file("../notes..89t"), written_file("notes", "", ""));
  EXPECT_TRUE(boxes().empty());
}

TEST_F(TextToVar, OverwritesAnEarlierVariableFile) {
  write_file("../notes.todo.89t", std::string(500, 'x'));
  write_file("todo.txt", "ab\n");
  EXPECT_EQ(text_to_var("notes", "todo.txt"), CONVERTED);
  EXPECT_EQ(read_file("../notes.todo.89t"), written_file("notes", "todo", " ab\r"));
}

TEST_F(TextToVar, SkipsTextsWithAProgramFileBeside) {
  write_file("game.txt", "x");
  write_file("game.89p", "");
  EXPECT_EQ(text_to_var("notes", "game.txt"), SKIPPED_PROGRAM_BESIDE);
  write_file("lost.89p", "");
  EXPECT_EQ(text_to_var("notes", "lost.txt"), SKIPPED_PROGRAM_BESIDE);  // text missing
  make_dir("dir.89p");  // a folder is no program file
  write_file("dir.txt", "x");
  boxes().clear();
  EXPECT_EQ(text_to_var("notes", "dir.txt"), CONVERTED);
  EXPECT_EQ(tree(".."),
            (std::vector<std::string>{"notes.dir.89t", "notes/", "notes/dir.89p/", "notes/dir.txt",
                                      "notes/game.89p", "notes/game.txt", "notes/lost.89p"}));
  EXPECT_TRUE(boxes().empty());
}

TEST_F(TextToVar, RefusalsLeaveEveryFileAsItWas) {
  const std::string complaint = "Plovane is complaining!";
  write_file("../notes.toolong99.89t", "old");
  write_file("toolong99.txt", "x");
  write_file("x.txt", "x");
  write_file("big.txt", std::string(65531, 'a'));  // with its marker: 65532 bytes
  write_file("../longfolder.x.89t", "old");
  write_file("../notes.big.89t", "old");
  const struct {
    const char* folder;
    const char* file_name;
    std::string text;
  } cases[] = {
      {"notes", "toolong99.txt",
       "The file name 'toolong99.txt' (toolong99 without the extension) in 'notes' is > 8 "
       "letters long. Perhaps you want to shorten it for the TI-89? I'm ignoring it for now."},
      {"longfolder", "x.txt",
       "The folder name 'longfolder' is > 8 letters long. Perhaps you want to shorten it for "
       "the TI-89? I'm ignoring it for now."},
      {"notes", "big.txt",
       "The file 'big.txt' in 'notes' is too long for the TI-89: a text variable holds at most "
       "65531 bytes. I'm ignoring it for now."},
  };
  for (auto& c : cases) {
    boxes().clear();
    EXPECT_EQ(text_to_var(c.folder, c.file_name), SKIPPED_REFUSED) << c.file_name;
    EXPECT_EQ(boxes(), (std::vector<Box>{{complaint, c.text}}));
  }
  EXPECT_EQ(read_file("../notes.toolong99.89t"), "old");
  EXPECT_EQ(read_file("../longfolder.x.89t"), "old");
  EXPECT_EQ(read_file("../notes.big.89t"), "old");
}

// The text passes through in blocks: lines that start, or run on, across
// the end of one block and the start of the next convert as anywhere else.
TEST_F(TextToVar, LinesAcrossTheEndOfABlock) {
  struct {
    std::string text_line;
    std::string area_line;
  } lines[] = {
      {"\x0e"
       "cmd",
       "Ccmd"},
      {"\x0f"
       "out",
       "Pout"},
      {"\x0c"
       "page",
       "\x0cpage"},
      {"\t\tx\ty", "   x\ty"},
      {"", " "},
      {"a\tb", " a\tb"},
  };
  for (const auto& line : lines) {
    for (int before_end : {0, 1, 2, 3}) {
      std::string text, area;
      // Filler lines bring the line to |before_end| bytes before the block's end.
      for (int left; (left = block_size - before_end - (int)text.size()) > 0;) {
        int length = std::min(60, left - 1);
        text += std::string(length, 'f') + "\n";
        area += " " + std::string(length, 'f') + "\r";
      }
      for (int repeat = 0; repeat < 3; ++repeat) {
        text += line.text_line + "\n";
        area += line.area_line + "\r";
      }
      text += "end";
      area += " end";
      write_file("t.txt", text);
      EXPECT_EQ(text_to_var("notes", "t.txt"), CONVERTED);
      EXPECT_EQ(read_file("../notes.t.89t"), written_file("notes", "t", area))
          << "line " << line.area_line << ", " << before_end << " bytes before the end";
    }
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(TextToVar, TheLongestTextThatFits) {
  std::string text(65530, 'a');  // 65531 bytes with the marker
  write_file("max.txt", text);
  EXPECT_EQ(text_to_var("notes", "max.txt"), CONVERTED);
  std::string written = read_file("../notes.max.89t");
  ASSERT_EQ(written.size(), 65531u + 94);
  EXPECT_EQ(written, written_file("notes", "max", " " + text));
  EXPECT_EQ(written.substr(86, 2), bytes({0xFF, 0xFF}));
  // What counts is the text area, not the text: each line "\t\n" takes 3 bytes.
  std::string lines;
  for (int i = 0; i < 21845; ++i) lines += "\t\n";  // 65535 bytes of text area
  write_file("tabs.txt", lines);
  EXPECT_EQ(text_to_var("notes", "tabs.txt"), SKIPPED_REFUSED);
  EXPECT_FALSE(exists("../notes.tabs.89t"));
}

TEST_F(TextToVar, FailuresAreFatalAndWriteNothing) {
  const struct {
    const char* file_name;
    Box box;
  } cases[] = {
      {"missing.txt", {"Error!", "Unable to open 'missing.txt' for reading."}},
      {"noextension", {"Error!", "Fatal error: Filename missing extension."}},
  };
  write_file("noextension", "x");
  for (auto& c : cases) {
    boxes().clear();
    EXPECT_EQ(text_to_var("notes", c.file_name), CONVERSION_FATAL) << c.file_name;
    EXPECT_EQ(boxes(), (std::vector<Box>{c.box}));
  }
  make_dir("../notes.locked.89t");  // the output cannot be opened
  write_file("locked.txt", "x");
  boxes().clear();
  EXPECT_EQ(text_to_var("notes", "locked.txt"), CONVERSION_FATAL);
  EXPECT_EQ(boxes(), (std::vector<Box>{{"Error!",
                                        "You don't have write permissions to this folder, or "
                                        "something has locked notes.locked.89t, or something. I "
                                        "was unable to open that file for writing. Program "
                                        "ending."}}));
  EXPECT_EQ(tree(".."), (std::vector<std::string>{"notes.locked.89t/", "notes/", "notes/locked.txt",
                                                  "notes/noextension"}));
}

TEST_F(TextToVar, LongNamesNeverOverflowTheBuffers) {
  std::string long_name = std::string(240, 'n') + ".txt";
  write_file(long_name, "x");
  std::string folder(300, 'f');
  EXPECT_EQ(text_to_var(folder.c_str(), long_name.c_str()), SKIPPED_REFUSED);
  ASSERT_EQ(boxes().size(), 1u);
  // Each name cut to 120 characters, so that the whole complaint fits.
  EXPECT_EQ(boxes()[0].text, "The file name '" + std::string(120, 'n') + "' (" +
                                 std::string(120, 'n') + " without the extension) in '" +
                                 std::string(120, 'f') +
                                 "' is > 8 letters long. Perhaps you want to shorten it for the "
                                 "TI-89? I'm ignoring it for now.");
  std::string huge = std::string(600, 'h') + ".txt";
  boxes().clear();
  EXPECT_EQ(text_to_var("notes", huge.c_str()), CONVERSION_FATAL);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].caption, "Error!");
}

// There and back: text_to_var, then var_to_text on what it wrote.
TEST_F(TextToVar, RoundTripsThroughVarToText) {
  const struct {
    std::string text;
    std::string back;
  } cases[] = {
      {"plain\r\n\tindented\r\n" + bytes({14}) + "\t\tcmd\r\n" + bytes({15, 9}) + "print\r\n",
       "plain\r\n\tindented\r\n" + bytes({14}) + "\t\tcmd\r\n" + bytes({15, 9}) + "print\r\n"},
      {"one\ntwo\n", "one\r\ntwo\r\n"},
      {"  x\n", "\t\tx\r\n"},
      {bytes({12, 9, 'x'}), bytes({12, 32, 'x'})},
      {bytes({'a', 22, 'b'}), "a->b"},
      {bytes({'a', 0, 'b'}), "a"},
      {"", ""},
  };
  for (auto& c : cases) {
    ASSERT_EQ(change_dir(scratch.c_str()), 0);
    make_dir("notes");
    write_file("notes/trip.txt", c.text);
    ASSERT_EQ(change_dir("notes"), 0);
    ASSERT_EQ(text_to_var("notes", "trip.txt"), CONVERTED);
    ASSERT_EQ(change_dir(".."), 0);
    ASSERT_EQ(var_to_text("notes.trip.89t"), CONVERTED);
    EXPECT_EQ(read_file("notes/trip.txt"), c.back) << c.text;
  }
  EXPECT_TRUE(boxes().empty());
}

}  // namespace

namespace {

TEST_F(TextToVar, RefusesNamesThatReachOutsideTheirFolder) {
  write_file("x.txt", "x");
  for (const char* folder : {".", "..", "a:b", "a*b", "a\\b", "a|b", "a\tb"}) {
    boxes().clear();
    EXPECT_EQ(text_to_var(folder, "x.txt"), SKIPPED_REFUSED) << folder;
    EXPECT_EQ(boxes(), (std::vector<Box>{{"Plovane is complaining!",
                                          "The folder name '" + std::string(folder) +
                                              "' can't be used as a folder name on this "
                                              "computer. I'm ignoring it for now."}}));
  }
  make_dir("sub");
  write_file("sub/x.txt", "x");
  const struct {
    const char* file_name;
    ConversionResult result;
    Box box;
  } names[] = {
      {"sub/x.txt",
       SKIPPED_REFUSED,
       {"Plovane is complaining!",
        "The file name 'sub/x.txt' (sub/x without the extension) in 'notes' holds a folder "
        "part, which a TI-89 variable name can't. I'm ignoring it for now."}},
      {"../notes/x.txt",
       SKIPPED_REFUSED,
       {"Plovane is complaining!",
        "The file name '../notes/x.txt' (../notes/x without the extension) in 'notes' is > 8 "
        "letters long. Perhaps you want to shorten it for the TI-89? I'm ignoring it for now."}},
      {"../x.txt", CONVERSION_FATAL, {"Error!", "Unable to open '../x.txt' for reading."}},
  };
  for (auto& c : names) {
    boxes().clear();
    EXPECT_EQ(text_to_var("notes", c.file_name), c.result) << c.file_name;
    EXPECT_EQ(boxes(), (std::vector<Box>{c.box}));
  }
#ifndef _WIN32
  // On this platform a backslash is a character of a name like any other.
  write_file("a\\b.txt", "x");
  boxes().clear();
  EXPECT_EQ(text_to_var("notes", "a\\b.txt"), CONVERTED);
  EXPECT_EQ(read_file("../notes.a\\b.89t"), written_file("notes", "a\\b", " x"));
  ASSERT_EQ(remove("../notes.a\\b.89t"), 0);
  ASSERT_EQ(remove("a\\b.txt"), 0);
#endif
  EXPECT_EQ(tree(".."),
            (std::vector<std::string>{"notes/", "notes/sub/", "notes/sub/x.txt", "notes/x.txt"}));
}

}  // namespace
