// Zembrik as a user runs it: the built program in a folder of its own.
#include "test_support.h"

namespace {

class Zembrik : public ScratchTest {};

const std::string no_text_files = "[Error!] No .89t files found in current directory.\n";

TEST_F(Zembrik, EmptyFolderShowsOneBoxAndWritesNothing) {
  ProgramRun run = run_program("zembrik", "--any arguments");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(showed_boxes(run, no_text_files));
  EXPECT_TRUE(tree().empty());
}

TEST_F(Zembrik, ProgramFilesAloneComeAfterTheBox) {
  write_file("prog.89p", variable_file("main", " a" + bytes({13, 0})));
  write_file("other.89p", variable_file("games", bytes({0})));
  ProgramRun run = run_program("zembrik");
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(showed_boxes(run, no_text_files));
  EXPECT_EQ(read_file("main/prog.txt"), "a\r\n" + empty_program_notice);
  EXPECT_EQ(read_file("games/other.txt"), "");
}

TEST_F(Zembrik, TextVariablesComeBeforeProgramFiles) {
  // Both write main/x.txt: the program file, converted last, wins.
  write_file("main.x.89t", variable_file("main", " from text" + bytes({0})));
  write_file("x.89p", variable_file("main", " from program" + bytes({0})));
  write_file("main.y.89t", variable_file("main", " y" + bytes({0})));
  ProgramRun run = run_program("zembrik");
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(showed_boxes(run, ""));
  EXPECT_EQ(read_file("main/x.txt"), "from program" + tokenized_program_notice);
  EXPECT_EQ(read_file("main/y.txt"), "y");
  EXPECT_EQ(tree(), (std::vector<std::string>{"main.x.89t", "main.y.89t", "main/", "main/x.txt",
                                              "main/y.txt", "x.89p"}));
}

TEST_F(Zembrik, FolderNamedLikeAVariableFileEndsTheRun) {
  make_dir("x.89t");
  write_file("p.89p", variable_file("main", " a" + bytes({0})));
  ProgramRun run = run_program("zembrik");
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(showed_boxes(run, "[Error!] Unable to open 'x.89t' for reading.\n"));
  EXPECT_FALSE(exists("main"));
}

TEST_F(Zembrik, FatalProgramFileComesAfterACompleteTextPass) {
  write_file("a.t.89t", variable_file("a", " t" + bytes({0})));
  write_file("a.u.89t", variable_file("a", " u" + bytes({0})));
  make_dir("z.89p");
  ProgramRun run = run_program("zembrik");
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(showed_boxes(run, "[Error!] Unable to open 'z.89p' for reading.\n"));
  EXPECT_EQ(read_file("a/t.txt"), "t");
  EXPECT_EQ(read_file("a/u.txt"), "u");
}

TEST_F(Zembrik, FileNamedLikeTheFolderIsAWriteFailure) {
  write_file("main.t.89t", variable_file("main", " t" + bytes({0})));
  write_file("main", "");
  ProgramRun run = run_program("zembrik");
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(
      showed_boxes(run,
                   "[Error!] You don't have write permissions to this folder, or something has "
                   "locked main/t.txt, or something. I was unable to open that file for writing. "
                   "Program ending.\n"));
  EXPECT_EQ(tree(), (std::vector<std::string>{"main", "main.t.89t"}));
}

TEST_F(Zembrik, UnusableFolderIsSkippedAndTheNextFileConverted) {
  write_file("bad.89t", variable_file("..", " evil" + bytes({0})));
  write_file("good.89p", variable_file("main", " fine" + bytes({0})));
  ProgramRun run = run_program("zembrik");
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(showed_boxes(
      run,
      "[Error!] The file 'bad.89t' names the folder '..', which can't be used as a folder "
      "name on this computer. I'm ignoring that file for now.\n"));
  EXPECT_EQ(read_file("main/good.txt"), "fine" + empty_program_notice);
  EXPECT_EQ(tree(), (std::vector<std::string>{"bad.89t", "good.89p", "main/", "main/good.txt"}));
}

}  // namespace
