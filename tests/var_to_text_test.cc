#include <algorithm>
#include <string>

#include "convert.h"
#include "test_support.h"

namespace {

class VarToText : public ScratchTest {};

struct TextAreaCase {
  const char* what;
  std::string text_area;
  bool complete;
  std::string expected;
};

TEST_F(VarToText, ConvertsTextAreas) {
  const TextAreaCase cases[] = {
      {"empty text", bytes({0}), true, ""},
      {"only line ends", bytes({13, 13, 0}), true, "\r\n\r\n"},
      {"line with its end", bytes({32, 97, 98, 13, 0}), true, "ab\r\n"},
      {"line without end", bytes({32, 97, 98, 0}), true, "ab"},
      {"line end then end of file", bytes({32, 97, 13}), false, "a\r\n"},
      {"no text end: the end bytes are text", bytes({32, 97}) + bytes({0xE0, 0x12}), false,
       "a" + bytes({0xE0, 0x12})},
      {"command line indentation", bytes({67, 32, 32, 120, 0}), true, bytes({14, 9, 9, 120})},
      {"print line indentation", bytes({80, 32, 97, 0}), true, bytes({15, 9, 97})},
      {"page break keeps its spaces", bytes({12, 32, 32, 120, 0}), true, bytes({12, 32, 32, 120})},
      {"only leading spaces become tabs", bytes({32, 32, 32, 97, 32, 98, 0}), true,
       bytes({9, 9, 97, 32, 98})},
      {"space after the first character", bytes({32, 120, 32, 121, 0}), true, "x y"},
      {"byte 10 inside a line", bytes({32, 97, 10, 98, 0}), true, "a\r\nb"},
      {"two line ends give an empty line", bytes({32, 97, 13, 13, 32, 98, 0}), true, "a\r\n\r\nb"},
      {"unknown marker is the first character", bytes({120, 32, 121, 0}), true, "x y"},
      {"0 in marker position ends the text", bytes({32, 97, 13, 0, 98}), true, "a\r\n"},
      {"end of file in marker position", bytes({32, 97, 13}), false, "a\r\n"},
      {"translation table", bytes({32, 173, 140, 157, 22, 156, 158, 168, 0}), true,
       "-PI!=-><=>=sqrt"},
      {"translated byte in marker position", bytes({22, 97, 0}), true, "->a"},
      {"byte 0 ends the text", bytes({32, 97, 0, 98, 0}), true, "a"},
      {"high bytes pass unchanged", bytes({32, 128, 200, 255, 0}), true, bytes({128, 200, 255})},
  };
  for (const TextAreaCase& c : cases) {
    write_file("f.x.89t", variable_file("f", c.text_area, c.complete));
    EXPECT_EQ(var_to_text("f.x.89t"), CONVERTED) << c.what;
    EXPECT_EQ(read_file("f/x.txt"), c.expected) << c.what;
  }
  EXPECT_TRUE(boxes().empty());
}

// The variable file is read in blocks, the first from offset 0: lines that
// start, or run on, across the end of a block convert as anywhere else.
TEST_F(VarToText, LinesAcrossTheEndOfABlock) {
  struct {
    std::string area_line;
    std::string text_line;
  } lines[] = {
      {"C  y", bytes({14, 9, 9}) + "y"},
      {"P" + bytes({168}), bytes({15}) + "sqrt"},
      {" " + bytes({22}) + "x", "->x"},
      {bytes({12}) + "  z", bytes({12}) + "  z"},
      {" ", ""},
      {"   x y", "\t\tx y"},
  };
  const int area_in_first_block = block_size - first_text_offset;
  for (const auto& line : lines) {
    for (int before_end : {0, 1, 2, 3}) {
      std::string area, text;
      // Filler lines bring the line to |before_end| bytes before the block's
      // end; a line end alone in marker position is an empty line.
      for (int left; (left = area_in_first_block - before_end - (int)area.size()) > 0;) {
        int length = std::min(60, left - 2);
        area += length < 0 ? "\r" : " " + std::string(length, 'f') + "\r";
        text += std::string(std::max(length, 0), 'f') + "\r\n";
      }
      for (int repeat = 0; repeat < 3; ++repeat) {
        area += line.area_line + "\r";
        text += line.text_line + "\r\n";
      }
      write_file("f.x.89t", variable_file("f", area + bytes({0})));
      EXPECT_EQ(var_to_text("f.x.89t"), CONVERTED);
      EXPECT_EQ(read_file("f/x.txt"), text)
          << "line " << line.text_line << ", " << before_end << " bytes before the end";
    }
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(VarToText, TextEndsAtTheEndOfABlock) {
  const int area_in_first_block = block_size - first_text_offset;
  std::string words = " " + std::string(area_in_first_block - 1, 'w');
  std::string line_ends(area_in_first_block, 13);
  std::string empty_lines;
  for (int i = 0; i < area_in_first_block; ++i) empty_lines += "\r\n";
  struct {
    const char* what;
    std::string file;
    std::string expected;
  } cases[] = {
      {"the file ends with the block", variable_file("f", words, false),
       std::string(area_in_first_block - 1, 'w')},
      {"the text end opens the next block", variable_file("f", words + bytes({0})),
       std::string(area_in_first_block - 1, 'w') + tokenized_program_notice},
      {"nothing but line ends before it", variable_file("f", line_ends + bytes({0})), empty_lines},
  };
  for (const auto& c : cases) {
    write_file("p.89p", c.file);
    EXPECT_EQ(var_to_text("p.89p"), CONVERTED) << c.what;
    EXPECT_EQ(read_file("f/p.txt"), c.expected) << c.what;
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(VarToText, AppendsNoticesToProgramFilesOnly) {
  struct {
    const char* path;
    std::string text_area;
    std::string expected;
  } cases[] = {
      {"p.89p", " abcdefgh", "abcdefgh" + empty_program_notice},        // 103 bytes
      {"p.89p", " abcdefghi", "abcdefghi" + tokenized_program_notice},  // 104 bytes
      {"p.89p", " ", empty_program_notice},                             // a marker counts as text
      {"p.89p", bytes({0}), ""},                                        // nothing before the 0
      {"p.89p", bytes({13, 13, 0}), "\r\n\r\n"},                        // only line ends
      {"p.89t", " abcdefghi", "abcdefghi"},                             // text variables: never
      {"p.89P", " abcdefghi", "abcdefghi"},                             // only a lower-case p
  };
  for (auto& c : cases) {
    std::string area = c.text_area + bytes({0});
    if (c.text_area.back() == 0) area = c.text_area;
    write_file(c.path, variable_file("f", area));
    EXPECT_EQ(var_to_text(c.path), CONVERTED) << c.path << " " << c.text_area;
    EXPECT_EQ(read_file("f/p.txt"), c.expected) << c.path << " " << c.text_area;
  }
  std::string unterminated = variable_file("f", " abcdefghijk", false);  // no 0: no notice
  write_file("q.89p", unterminated);
  EXPECT_EQ(var_to_text("q.89p"), CONVERTED);
  EXPECT_EQ(read_file("f/q.txt"), "abcdefghijk");
}

TEST_F(VarToText, BuildsTheOutputPathFromTheArgumentAndTheStoredFolder) {
  const struct {
    const char* path;
    const char* folder;
    const char* output;
    std::string text;
  } cases[] = {
      {"notes.89t", "main", "main/notes.txt", "hi"},
      {"main.notes.89t", "main", "main/notes.txt", "hi"},
      {"work.notes.89t", "main", "main/notes.txt", "hi"},  // the stored folder wins
      {"a.b.c.89p", "f", "f/b.c.txt", "hi" + empty_program_notice},
      {"x.text", "f", "f/x.ttxt", "hi"},
  };
  for (auto& c : cases) {
    write_file(c.path, variable_file(c.folder, bytes({32, 104, 105, 0})));
    EXPECT_EQ(var_to_text(c.path), CONVERTED) << c.path;
    EXPECT_EQ(read_file(c.output), c.text) << c.path;
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(VarToText, ReadsTheFolderField) {
  write_file("a.89t", variable_file("abcdefgh", " 8" + bytes({0})));
  write_file("b.89t", variable_file("ab", " 2" + bytes({0})));
  std::string high = bytes({0xE9, 't', 0xE9});
  write_file("c.89t", variable_file(high, " h" + bytes({0})));
  write_file("d.89t", variable_file("short", "").substr(0, 50));  // ends before the text
  for (const char* path : {"a.89t", "b.89t", "c.89t", "d.89t"})
    EXPECT_EQ(var_to_text(path), CONVERTED) << path;
  EXPECT_EQ(read_file("abcdefgh/a.txt"), "8");
  EXPECT_EQ(read_file("ab/b.txt"), "2");
  EXPECT_EQ(read_file(high + "/c.txt"), "h");
  EXPECT_EQ(read_file("short/d.txt"), "");
}

TEST_F(VarToText, ConvertingTwiceOverwritesWithTheSameText) {
  write_file("f.x.89t", variable_file("f", " one" + bytes({13, 0})));
  make_dir("f");
  write_file("f/x.txt", "an older, longer text\r\n");
  EXPECT_EQ(var_to_text("f.x.89t"), CONVERTED);
  EXPECT_EQ(var_to_text("f.x.89t"), CONVERTED);
  EXPECT_EQ(read_file("f/x.txt"), "one\r\n");
}

TEST_F(VarToText, MissingInputIsFatalAndTouchesNothing) {
  EXPECT_EQ(var_to_text("nope.89t"), CONVERSION_FATAL);
  EXPECT_EQ(boxes(), (std::vector<Box>{{"Error!", "Unable to open 'nope.89t' for reading."}}));
  EXPECT_TRUE(tree().empty());
}

TEST_F(VarToText, FolderInPlaceOfTheInputIsFatal) {
  make_dir("x.89t");
  EXPECT_EQ(var_to_text("x.89t"), CONVERSION_FATAL);
  EXPECT_EQ(boxes(), (std::vector<Box>{{"Error!", "Unable to open 'x.89t' for reading."}}));
}

TEST_F(VarToText, PathWithoutDotMakesTheFolderThenFails) {
  write_file("noext", variable_file("f", " a"));
  EXPECT_EQ(var_to_text("noext"), CONVERSION_FATAL);
  EXPECT_EQ(boxes(), (std::vector<Box>{{"Error!", "Fatal error: Filename missing extension."}}));
  EXPECT_EQ(tree(), (std::vector<std::string>{"f/", "noext"}));
}

TEST_F(VarToText, FileNamedLikeTheFolderIsAWriteFailure) {
  write_file("main", "not a folder");
  write_file("main.x.89t", variable_file("main", " a"));
  EXPECT_EQ(var_to_text("main.x.89t"), CONVERSION_FATAL);
  EXPECT_EQ(boxes(), (std::vector<Box>{{"Error!",
                                        "You don't have write permissions to this folder, or "
                                        "something has locked main" +
                                            std::string(1, separator) +
                                            "x.txt, or something. I was unable to open that file "
                                            "for writing. Program ending."}}));
  EXPECT_EQ(read_file("main"), "not a folder");
}

TEST_F(VarToText, RefusesFolderNamesThatCannotBeUsed) {
  const std::string names[] = {"",     ".",   "..",  "a/b", "a\\b", "a:b",  "a*b", "a?b",
                               "a\"b", "a<b", "a>b", "a|b", "a\tb", "../x", "/"};
  for (const std::string& name : names) {
    boxes().clear();
    write_file("v.89t", variable_file(name, " a"));
    EXPECT_EQ(var_to_text("v.89t"), SKIPPED_REFUSED) << name;
    EXPECT_EQ(boxes(), (std::vector<Box>{{"Error!", "The file 'v.89t' names the folder '" + name +
                                                        "', which can't be used as a folder name "
                                                        "on this computer. I'm ignoring that file "
                                                        "for now."}}));
    EXPECT_EQ(tree(), (std::vector<std::string>{"v.89t"})) << name;
  }
  write_file("tiny.89t", "**TI89**");  // too short to hold a folder name
  boxes().clear();
  EXPECT_EQ(var_to_text("tiny.89t"), SKIPPED_REFUSED);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text,
            "The file 'tiny.89t' names the folder '', which can't be used as a folder name on "
            "this computer. I'm ignoring that file for now.");
}

TEST_F(VarToText, LongPathIsRefusedWithoutOverflow) {
  std::string path =
      std::string(200, 'a') + "." + std::string(200, 'b') + "." + std::string(150, 'c') + ".89t";
  EXPECT_EQ(var_to_text(path.c_str()), CONVERSION_FATAL);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].caption, "Error!");
}

}  // namespace

namespace {

TEST_F(VarToText, RefusesNamesThatLeaveTheirFolder) {
  make_dir("d.e");
  write_file("d.e/f.89t", variable_file("main", " a" + bytes({0})));
  EXPECT_EQ(var_to_text("d.e/f.89t"), SKIPPED_REFUSED);
  EXPECT_EQ(boxes(), (std::vector<Box>{{"Error!", "The file 'd.e/f.89t' would be written as 'main" +
                                                      std::string(1, separator) +
                                                      "e/f.txt', which is not a file of its "
                                                      "folder 'main'. I'm ignoring that file for "
                                                      "now."}}));
  EXPECT_EQ(tree(), (std::vector<std::string>{"d.e/", "d.e/f.89t"}));
  // A folder part before the first dot is only where the file is read from.
  make_dir("sub");
  write_file("sub/main.g.89t", variable_file("main", " g" + bytes({0})));
  boxes().clear();
  EXPECT_EQ(var_to_text("sub/main.g.89t"), CONVERTED);
  EXPECT_EQ(read_file("main/g.txt"), "g");
  EXPECT_TRUE(boxes().empty());
}

TEST_F(VarToText, RefusesNamesTooShortToStayInTheirFolder) {
  const struct {
    const char* path;
    const char* output;  // where "txt" over the last three characters would put it
  } cases[] = {{"x.", "maintxt"}, {"a.b.", "maintxt"}, {"a..", "maitxt"}};
  for (auto& c : cases) {
    boxes().clear();
    write_file(c.path, variable_file("main", " a" + bytes({0})));
    EXPECT_EQ(var_to_text(c.path), SKIPPED_REFUSED) << c.path;
    EXPECT_EQ(boxes(), (std::vector<Box>{{"Error!", std::string("The file '") + c.path +
                                                        "' would be written as '" + c.output +
                                                        "', which is not a file of its folder "
                                                        "'main'. I'm ignoring that file for "
                                                        "now."}}));
#ifndef _WIN32  // Windows drops the dots at the end of a file's name
    EXPECT_EQ(tree(), (std::vector<std::string>{c.path})) << c.path;
#endif
    remove_file(c.path);
  }
  // Three characters are enough: the text stays in its folder.
  write_file("a.b", variable_file("main", " a" + bytes({0})));
  EXPECT_EQ(var_to_text("a.b"), CONVERTED);
  EXPECT_EQ(read_file("main/txt"), "a");
}

}  // namespace
