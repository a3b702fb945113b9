// Kestrin as the update script runs it: the built program in the working
// folder, beside files.lst.
#include "platform.h"
#include "test_support.h"

namespace {

class Kestrin : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    make_dir("notes");
    write_file("notes/a.txt", "alpha\n");
    write_file("notes/b.txt", "beta\n");
    write_file("notes.c.89t", variable_file("notes", " gamma" + bytes({13, 0})));
  }
};

TEST_F(Kestrin, ConvertsEachEntryInItsDirection) {
  write_file("files.lst", "tnotes/a.txt\nsnotes.c.89t\ntnotes/b.txt\n");
  ProgramRun run = run_program("kestrin", "ignored arguments");
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(showed_boxes(run, ""));
  EXPECT_EQ(run.out, console("Gurdo: a.txt\nZembrik: 'notes.c.89t' \nGurdo: b.txt\n" +
                             texts_summary(2) + variables_summary(1)));
  EXPECT_EQ(read_file("notes.a.89t"), written_file("notes", "a", " alpha\r"));
  EXPECT_EQ(read_file("notes.b.89t"), written_file("notes", "b", " beta\r"));
  EXPECT_EQ(read_file("notes/c.txt"), "gamma\r\n");
  EXPECT_EQ(read_file("files.lst"), "");
}

TEST_F(Kestrin, ListFormsThatReadAlike) {
  const std::string lists[] = {
      "tnotes/a.txt\nsnotes.c.89t",              // no line end after the last entry
      "tnotes/a.txt\r\nsnotes.c.89t\r\n",        // CR LF
      "\n\ntnotes/a.txt\n\n\nsnotes.c.89t\n\n",  // empty lines
      "tnotes/a.txt\nsanything/notes.c.89t\n",   // an s entry keeps what follows the '/'
  };
  for (const std::string& list : lists) {
    write_file("files.lst", list);
    ProgramRun run = run_program("kestrin");
    EXPECT_EQ(run.out, console("Gurdo: a.txt\nZembrik: 'notes.c.89t' \n" + texts_summary(1) +
                               variables_summary(1)))
        << list;
    EXPECT_EQ(read_file("files.lst"), "") << list;
  }
}

TEST_F(Kestrin, EmptyListsConvertNothing) {
  for (const std::string list : {"", "\n\n\r\n"}) {
    write_file("files.lst", list);
    ProgramRun run = run_program("kestrin");
    EXPECT_EQ(run.out, console(nothing_converted));
    EXPECT_TRUE(showed_boxes(run, ""));
    EXPECT_EQ(read_file("files.lst"), "");
  }
}

TEST_F(Kestrin, SkippedEntriesAreNeitherPrintedNorCounted) {
  write_file("notes/a.89p", "");  // a program beside a.txt
  write_file("notes/toolongname.txt", "x");
  write_file("files.lst", "tnotes/a.txt\ntnotes/toolongname.txt\n");
  ProgramRun run = run_program("kestrin");
  EXPECT_EQ(run.out, console(nothing_converted));
  EXPECT_TRUE(showed_boxes(
      run,
      "[Plovane is complaining!] The file name 'toolongname.txt' (toolongname without the "
      "extension) in 'notes' is > 8 letters long. Perhaps you want to shorten it for the "
      "TI-89? I'm ignoring it for now.\n"));
  EXPECT_FALSE(exists("notes.a.89t"));
}

TEST_F(Kestrin, LongFolderIsRefusedByTheConversion) {
  make_dir("longfolder");
  write_file("longfolder/x.txt", "x");
  write_file("files.lst", "tlongfolder/x.txt\nsnotes.c.89t\n");
  ProgramRun run = run_program("kestrin");
  EXPECT_EQ(run.out, console("Zembrik: 'notes.c.89t' \n" + variables_summary(1)));
  EXPECT_TRUE(showed_boxes(
      run,
      "[Plovane is complaining!] The folder name 'longfolder' is > 8 letters long. Perhaps "
      "you want to shorten it for the TI-89? I'm ignoring it for now.\n"));
}

TEST_F(Kestrin, UnknownEntryLetterIsReportedWithoutALineEnd) {
  write_file("files.lst", "xnotes/a.txt\nsnotes.c.89t\n");
  ProgramRun run = run_program("kestrin");
  EXPECT_EQ(run.out, console("Unknown file-type x for file a.txt.Zembrik: 'notes.c.89t' \n" +
                             variables_summary(1)));
}

TEST_F(Kestrin, TextEntryWithoutFolderDeletesTheList) {
  write_file("files.lst", "snotes.c.89t\ntnotes\\a.txt\nsnotes.c.89t\n");
  ProgramRun run = run_program("kestrin");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, console("Zembrik: 'notes.c.89t' \n"));
  EXPECT_TRUE(showed_boxes(
      run,
      "[Error!] Error: Folder is NULL for a text file. (Report this please, unless you "
      "broke the python script or something.)\n"));
  EXPECT_FALSE(exists("files.lst"));
}

TEST_F(Kestrin, MissingListShowsItsBoxAndTouchesNothing) {
  ProgramRun run = run_program("kestrin");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(showed_boxes(
      run,
      "[Error] I can't find files.lst, which is supposed to tell me what files to do what "
      "with. You shouldn't run Kestrin directly, run the update script instead.\n"));
  EXPECT_EQ(tree(),
            (std::vector<std::string>{"notes.c.89t", "notes/", "notes/a.txt", "notes/b.txt"}));
}

TEST_F(Kestrin, LongLinesAreCut) {
  // 130 characters: the first 128 make an entry with a cut path, the 129th is
  // lost, the 130th is an entry of its own with an empty name.
  std::string line = "q" + std::string(126, 'p') + "EFZ";
  write_file("files.lst", line + "\n");
  ProgramRun run = run_program("kestrin");
  EXPECT_EQ(run.out, console("Unknown file-type q for file " + std::string(126, 'p') +
                             "E.Unknown file-type Z for file ." + nothing_converted));
}

TEST_F(Kestrin, FatalResultStopsTheListButKeepsTheSummary) {
  write_file("files.lst", "tnotes/a.txt\nsmissing.89t\ntnotes/b.txt\nsnotes.c.89t\nx\n");
  ProgramRun run = run_program("kestrin");
  EXPECT_EQ(run.out, console("Gurdo: a.txt\n" + texts_summary(1)));
  EXPECT_TRUE(showed_boxes(run, "[Error!] Unable to open 'missing.89t' for reading.\n"));
  EXPECT_FALSE(exists("notes.b.89t"));
  EXPECT_FALSE(exists("notes/c.txt"));
  EXPECT_EQ(read_file("files.lst"), "");
}

TEST_F(Kestrin, TextEntryNameKeepsTheLaterSlashes) {
  make_dir("notes/sub");
  write_file("notes/sub/x.txt", "x");
  write_file("notes/sub/y.txt", "y");
  write_file("notes/sub/y.89p", "");  // the program beside it comes first: skipped
  write_file("files.lst", "tnotes/sub/y.txt\ntnotes/sub/x.txt\ntnotes/a.txt\n");
  ProgramRun run = run_program("kestrin");
  EXPECT_EQ(run.out, console("Gurdo: a.txt\n" + texts_summary(1)));
  EXPECT_TRUE(showed_boxes(run,
                           "[Plovane is complaining!] The file name 'sub/x.txt' (sub/x without "
                           "the extension) in 'notes' holds a folder part, which a TI-89 variable "
                           "name can't. I'm ignoring it for now.\n"));
}

TEST_F(Kestrin, FolderThatCannotBeEnteredIsFatal) {
  write_file("a.txt", "in the starting folder");
  const std::string entries[] = {"tgone/a.txt", "t/a.txt"};
  for (const std::string& entry : entries) {
    write_file("files.lst", "tnotes/b.txt\n" + entry + "\ntnotes/a.txt\n");
    ProgramRun run = run_program("kestrin");
    EXPECT_EQ(run.out, console("Gurdo: b.txt\n" + texts_summary(1))) << entry;
    EXPECT_TRUE(
        showed_boxes(run, "[Error!] Unable to open '" + entry.substr(1) + "' for reading.\n"));
    EXPECT_EQ(read_file("files.lst"), "");
    EXPECT_FALSE(exists("notes.a.89t"));
  }
  EXPECT_EQ(tree(), (std::vector<std::string>{"a.txt", "files.lst", "notes.b.89t", "notes.c.89t",
                                              "notes/", "notes/a.txt", "notes/b.txt"}));
}

}  // namespace

namespace {

// The starting folder "work" lies inside the scratch folder, so that what
// climbs out of it can be seen.
class KestrinClimbing : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    write_file("x.txt", "in the parent");
    make_dir("work/notes");
    write_file("work/x.txt", "in the starting folder");
    write_file("work/notes/x.txt", "in notes");
    ASSERT_EQ(change_dir("work"), 0);
  }
};

TEST_F(KestrinClimbing, EntriesThatLeaveTheStartingFolderStopTheList) {
  std::vector<std::string> fatal_entries = {"t../x.txt", "t./x.txt", "t.././x.txt", "ta\\b/x.txt",
                                            "ta:b/x.txt"};
#ifndef _WIN32
  // A link whose parent is not the starting folder. (Windows resolves ".." by
  // the text of a path, so there a link's parent is where the link stands.)
  symlink_dir("..", "up");
  fatal_entries.push_back("tup/x.txt");
#endif
  for (const std::string& entry : fatal_entries) {
    write_file("files.lst", "tnotes/x.txt\n" + entry + "\ntnotes/x.txt\n");
    ProgramRun run = run_program("kestrin");
    EXPECT_EQ(run.out, console("Gurdo: x.txt\n" + texts_summary(1))) << entry;
    EXPECT_TRUE(
        showed_boxes(run, "[Error!] Unable to open '" + entry.substr(1) + "' for reading.\n"))
        << entry;
    EXPECT_EQ(read_file("files.lst"), "") << entry;
  }
  // The name climbs out too: reading there is harmless, writing is refused.
  write_file("files.lst", "tnotes/../../x.txt\ns../../x.89t\n");
  ProgramRun run = run_program("kestrin");
  EXPECT_EQ(run.out, console(nothing_converted));
  EXPECT_TRUE(showed_boxes(run,
                           "[Plovane is complaining!] The file name '../../x.txt' (../../x "
                           "without the extension) in 'notes' holds a folder part, which a TI-89 "
                           "variable name can't. I'm ignoring it for now.\n"
                           "[Error!] Unable to open '../x.89t' for reading.\n"));
  ASSERT_EQ(change_dir(scratch.c_str()), 0);
  std::vector<std::string> expected = {"work/",       "work/files.lst",   "work/notes.x.89t",
                                       "work/notes/", "work/notes/x.txt", "work/x.txt",
                                       "x.txt"};
#ifndef _WIN32
  expected.insert(expected.begin() + 5, "work/up@");
#endif
  EXPECT_EQ(tree(), expected);
}

}  // namespace
