// Plovane as a user runs it: the built program in a folder of its own.
#include <string.h>

#include "platform.h"
#include "test_support.h"

namespace {

class Plovane : public ScratchTest {};

TEST_F(Plovane, NoSubFoldersConvertsNothing) {
  write_file("loose.txt", "not in a folder");
  ProgramRun run = run_program("plovane", "any arguments");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(showed_boxes(run, ""));
  EXPECT_EQ(tree(), (std::vector<std::string>{"dirlist.txt", "loose.txt"}));
  EXPECT_EQ(read_file("dirlist.txt"), "");
}

TEST_F(Plovane, ListThatCannotBeOpenedEndsTheRun) {
  make_dir("dirlist.txt");
  write_file("dirlist.txt/x.txt", "x");
  ProgramRun run = run_program("plovane");
  EXPECT_EQ(run.status, 0);
#ifndef _WIN32  // there the command interpreter says "Access denied." on its own
  EXPECT_TRUE(showed_boxes(run, "[Error!] Unable to open 'dirlist.txt' for reading.\n"));
#endif
  EXPECT_EQ(tree(), (std::vector<std::string>{"dirlist.txt/", "dirlist.txt/x.txt"}));
}

TEST_F(Plovane, ConvertsEveryTextOfEveryFolder) {
  for (const char* path : {"A/x.txt", "A/y.txt", "B/x.txt", "B/y.txt"}) {
    make_dir(std::string(path, 1));
    write_file(path, std::string(path) + "\n");
  }
  make_dir("empty");
  write_file("B/readme.md", "not a text file by its name");
  ProgramRun run = run_program("plovane");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(showed_boxes(run, ""));
  EXPECT_EQ(tree(), (std::vector<std::string>{"A.x.89t", "A.y.89t", "A/", "A/x.txt", "A/y.txt",
                                              "B.x.89t", "B.y.89t", "B/", "B/readme.md", "B/x.txt",
                                              "B/y.txt", "dirlist.txt", "empty/"}));
  EXPECT_EQ(read_file("B.y.89t"), written_file("B", "y", " B/y.txt\r"));
  std::string list = read_file("dirlist.txt");
  for (const char* folder : {"A", "B", "empty"})
    EXPECT_NE(list.find(folder + console_line_end), std::string::npos) << list;
  EXPECT_EQ(list.size(), 7 + 3 * console_line_end.size());
}

TEST_F(Plovane, ComplainsAboutLongFolderNamesAndGoesOn) {
  make_dir("abcdefgh");
  write_file("abcdefgh/n.txt", "eight");
  make_dir("abcdefghi");
  write_file("abcdefghi/n.txt", "nine");
  make_dir("a b.c d");  // every byte counts, spaces and dots too
  write_file("a b.c d/n.txt", "seven");
  ProgramRun run = run_program("plovane");
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(showed_boxes(
      run,
      "[Plovane is complaining!] The folder name 'abcdefghi' is > 8 letters long. Perhaps "
      "you want to shorten it for the TI-89? I'm ignoring it for now.\n"));
  EXPECT_EQ(read_file("abcdefgh.n.89t"), written_file("abcdefgh", "n", " eight"));
  EXPECT_EQ(read_file("a b.c d.n.89t"), written_file("a b.c d", "n", " seven"));
  EXPECT_FALSE(exists("abcdefghi.n.89t"));
}

#ifndef _WIN32  // links, and a ':' in a folder name
TEST_F(Plovane, FoldersThatWouldLeadElsewhereArePassedOver) {
  make_dir("outside/real");
  write_file("outside/real/n.txt", "x");
  make_dir("work/notes");
  write_file("work/notes/n.txt", "notes");
  make_dir("work/a:b");  // a name no calculator folder can come back to
  write_file("work/a:b/n.txt", "x");
  write_file("work/a:b/m.txt", "x");
  symlink_dir("../outside/real", "work/away");
  symlink_dir("notes", "work/same");  // leads to a sub-folder: its parent is the start
  ASSERT_EQ(change_dir("work"), 0);
  ProgramRun run = run_program("plovane");
  std::string err = run.err;
  for (const char* line :
       {"[Error!] Unable to open 'away' for reading.\n",
        "[Plovane is complaining!] The folder name 'a:b' can't be used as a folder name on this "
        "computer. I'm ignoring it for now.\n"}) {
    size_t at = err.find(line);
    ASSERT_NE(at, std::string::npos) << run.err;
    err.erase(at, strlen(line));
  }
  EXPECT_EQ(err, "");
  ASSERT_EQ(change_dir(".."), 0);
  EXPECT_FALSE(exists("outside/away.n.89t"));
  EXPECT_EQ(read_file("work/same.n.89t"), written_file("same", "n", " notes"));
  EXPECT_EQ(read_file("work/notes.n.89t"), written_file("notes", "n", " notes"));
  EXPECT_FALSE(exists("work/a:b.n.89t"));
}
#endif

TEST_F(Plovane, SkipsTextsBesideProgramsAndLongNames) {
  make_dir("f");
  write_file("f/game.txt", "x");
  write_file("f/game.89p", "");
  write_file("f/toolongname.txt", "x");
  write_file("f/ok.txt", "x");
  ProgramRun run = run_program("plovane");
  EXPECT_TRUE(showed_boxes(
      run,
      "[Plovane is complaining!] The file name 'toolongname.txt' (toolongname without the "
      "extension) in 'f' is > 8 letters long. Perhaps you want to shorten it for the "
      "TI-89? I'm ignoring it for now.\n"));
  EXPECT_EQ(tree(), (std::vector<std::string>{"dirlist.txt", "f.ok.89t", "f/", "f/game.89p",
                                              "f/game.txt", "f/ok.txt", "f/toolongname.txt"}));
}

TEST_F(Plovane, FolderNamedLikeATextIsPassedOnWithItsProgramBeside) {
  make_dir("f/notes.txt");
  write_file("f/notes.89p", "");
  ProgramRun run = run_program("plovane");
  EXPECT_TRUE(showed_boxes(run, ""));
  EXPECT_EQ(tree(), (std::vector<std::string>{"dirlist.txt", "f/", "f/notes.89p", "f/notes.txt/"}));
}

TEST_F(Plovane, FatalResultInTheFirstFolderEndsTheRun) {
  for (const char* folder : {"A", "B", "C"}) make_dir(folder);
  run_program("plovane");  // learns the order in which the folders are listed
  std::string list = read_file("dirlist.txt");
  std::string first = list.substr(0, 1);
  make_dir(first + "/notes.txt");  // opening a folder as a text fails
  for (const char* folder : {"A", "B", "C"}) write_file(std::string(folder) + "/x.txt", "x");
  ProgramRun run = run_program("plovane");
  ASSERT_EQ(read_file("dirlist.txt"), list);
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(showed_boxes(run, "[Error!] Unable to open 'notes.txt' for reading.\n"));
  for (const char* folder : {"A", "B", "C"}) {
    if (folder != first) {
      EXPECT_FALSE(exists(std::string(folder) + ".x.89t")) << folder;
    }
  }
}

}  // namespace
