// kestrin-update as a user runs it: the built program in the working folder,
// with kestrin beside it in the same folder of built programs.
#include "update.h"

#include <stdlib.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <map>

#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const std::string record = "kestrin-update.rec";
const std::string nothing_to_convert = "kestrin-update: nothing to convert.\n";

// Every file below the current folder with its content, to see that a run
// changed nothing at all.
std::map<std::string, std::string> contents() {
  std::map<std::string, std::string> files;
  for (const std::string& path : tree()) files[path] = path.back() == '/' ? "" : read_file(path);
  return files;
}

// The change list that a run would hand to kestrin.
std::string change_list() { return run_program("kestrin-update", "--dry-run").out; }

// Moves the modification time of |path| by |shift|.
void shift_time(const std::string& path, std::chrono::seconds shift) {
  fs::last_write_time(path, fs::last_write_time(path) + shift);
}

// Rewrites |path| with |content| and gives it back its modification time, as
// a file system that keeps times to two seconds does for a quick edit.
void rewrite_keeping_time(const std::string& path, const std::string& content) {
  fs::file_time_type time = fs::last_write_time(path);
  write_file(path, content);
  fs::last_write_time(path, time);
}

const std::string memo_area = " memo" + bytes({13, 0});

// A working folder in step: two texts and a variable file from the
// calculator, brought in step by a first run.
void make_working_folder() {
  make_dir("notes");
  write_file("notes/todo.txt", "milk\n");
  write_file("notes/plan.txt", "\tstep\n");
  write_file("notes.memo.89t", variable_file("notes", memo_area));
  ProgramRun first = run_program("kestrin-update");
  ASSERT_EQ(first.status, 0) << first.err;
  ASSERT_EQ(first.err, "");
  ASSERT_EQ(read_file("notes/memo.txt"), "memo\r\n");
}

class Update : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    make_working_folder();
  }
};

TEST_F(Update, EditedTextRebuildsItsVariableFile) {
  write_file("notes/todo.txt", "milk\neggs\n");
  EXPECT_EQ(change_list(), "tnotes/todo.txt\n");
  ProgramRun run = run_program("kestrin-update");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, "Gurdo: todo.txt\n" + texts_summary(1));
  EXPECT_EQ(read_file("notes.todo.89t"), written_file("notes", "todo", " milk\r eggs\r"));
  EXPECT_EQ(read_file("files.lst"), "");
}

TEST_F(Update, ChangedVariableFileRebuildsItsText) {
  write_file("notes.memo.89t", variable_file("notes", " memo\r two" + bytes({13, 0})));
  EXPECT_EQ(change_list(), "snotes.memo.89t\n");
  ProgramRun run = run_program("kestrin-update");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "Zembrik: 'notes.memo.89t' \n" + variables_summary(1));
  EXPECT_EQ(read_file("notes/memo.txt"), "memo\r\ntwo\r\n");
}

TEST_F(Update, SecondRunRightAfterFindsNothing) {
  write_file("notes/todo.txt", "bread\n");
  write_file("notes.memo.89t", variable_file("notes", " new" + bytes({13, 0})));
  EXPECT_EQ(run_program("kestrin-update").status, 0);
  std::map<std::string, std::string> before = contents();
  EXPECT_EQ(change_list(), "");
  ProgramRun again = run_program("kestrin-update");
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.out, "");
  EXPECT_EQ(again.err, nothing_to_convert);
  before.erase(record);
  std::map<std::string, std::string> after = contents();
  after.erase(record);
  EXPECT_EQ(after, before);
}

TEST_F(Update, NewSubFolderTextsAreFound) {
  make_dir("school");
  write_file("school/exams.txt", "maths\n");
  write_file("school/physics.txt", "");
  EXPECT_EQ(change_list(), "tschool/exams.txt\ntschool/physics.txt\n");
  ProgramRun run = run_program("kestrin-update");
  EXPECT_EQ(run.out, "Gurdo: exams.txt\nGurdo: physics.txt\n" + texts_summary(2));
  EXPECT_EQ(read_file("school.exams.89t"), written_file("school", "exams", " maths\r"));
  EXPECT_EQ(read_file("school.physics.89t"), written_file("school", "physics", ""));
}

TEST_F(Update, RemovedFileIsForgottenNotDeletedOnTheOtherSide) {
  std::string todo_variable = read_file("notes.todo.89t");
  fs::remove("notes/todo.txt");
  fs::remove("notes.memo.89t");
  EXPECT_EQ(change_list(), "");
  ProgramRun run = run_program("kestrin-update");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, nothing_to_convert);
  EXPECT_EQ(read_file("notes.todo.89t"), todo_variable);
  EXPECT_EQ(read_file("notes/memo.txt"), "memo\r\n");
  std::string recorded = read_file(record);
  EXPECT_EQ(recorded.find("notes/todo.txt"), std::string::npos) << recorded;
  EXPECT_EQ(recorded.find("notes.memo.89t"), std::string::npos) << recorded;

  // A text made anew under the old name is a new file.
  write_file("notes/todo.txt", "cheese\n");
  EXPECT_EQ(change_list(), "tnotes/todo.txt\n");
}

class UpdateConflict : public ScratchTest {};

// Each case in a working folder of its own: both sides of the pair changed,
// then the user removes one of them.
TEST_F(UpdateConflict, NothingIsOverwrittenAndTheKeptSideWins) {
  struct Case {
    std::string removed;
    std::string next_list;
  };
  const Case cases[] = {{"notes.todo.89t", "tnotes/todo.txt\n"},
                        {"notes/todo.txt", "snotes.todo.89t\n"}};
  for (const Case& kept : cases) {
    std::string folder = scratch + "/keeping " + kept.next_list.substr(0, 1);
    make_dir(folder);
    fs::current_path(folder);
    make_working_folder();
    write_file("notes/todo.txt", "edited on the PC\n");
    write_file("notes.todo.89t", variable_file("notes", " edited on the TI" + bytes({13, 0})));
    write_file("notes/plan.txt", "also edited\n");
    std::map<std::string, std::string> before = contents();

    EXPECT_EQ(change_list(), "tnotes/plan.txt\n");
    ProgramRun run = run_program("kestrin-update");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "kestrin-update: conflict: notes.todo.89t and notes/todo.txt both changed since the "
              "last run, so neither is converted; remove the one you do not keep, then run "
              "kestrin-update again.\n");
    EXPECT_EQ(read_file("notes/todo.txt"), before["notes/todo.txt"]);
    EXPECT_EQ(read_file("notes.todo.89t"), before["notes.todo.89t"]);
    EXPECT_EQ(change_list(), "");

    fs::remove(kept.removed);
    EXPECT_EQ(change_list(), kept.next_list) << kept.removed;
    EXPECT_EQ(run_program("kestrin-update").status, 0);
    if (kept.removed == "notes.todo.89t") {
      EXPECT_EQ(read_file("notes.todo.89t"), written_file("notes", "todo", " edited on the PC\r"));
    } else {
      EXPECT_EQ(read_file("notes/todo.txt"), "edited on the TI\r\n");
    }
    EXPECT_EQ(change_list(), "");
  }
}

TEST_F(Update, TwoVariableFilesForOneTextConflict) {
  // Both write notes/memo.txt: the bare name takes its folder from the file.
  write_file("memo.89t", variable_file("notes", " other" + bytes({13, 0})));
  write_file("notes.memo.89t", variable_file("notes", " changed" + bytes({13, 0})));
  ProgramRun run = run_program("kestrin-update");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "kestrin-update: conflict: memo.89t and notes.memo.89t both changed since the last "
            "run, so neither is converted; remove the one you do not keep, then run "
            "kestrin-update again.\n" +
                nothing_to_convert);
  EXPECT_EQ(read_file("notes/memo.txt"), "memo\r\n");
}

class UpdateFirstRun : public ScratchTest {};

TEST_F(UpdateFirstRun, ExistingPairsAreTakenAsInStepAndLoneFilesConverted) {
  make_dir("notes");
  write_file("notes/todo.txt", "the PC's version\n");
  std::string calculator_todo = variable_file("notes", " the TI's version" + bytes({13, 0}));
  write_file("notes.todo.89t", calculator_todo);
  write_file("notes/lone.txt", "only here\n");
  write_file("notes.memo.89t", variable_file("notes", memo_area));

  EXPECT_EQ(change_list(), "tnotes/lone.txt\nsnotes.memo.89t\n");
  ProgramRun run = run_program("kestrin-update");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err,
            "kestrin-update: first run: 1 pair found on both sides taken as in step, not "
            "converted.\n");
  EXPECT_EQ(run.out, "Gurdo: lone.txt\nZembrik: 'notes.memo.89t' \n" + texts_summary(1) +
                         variables_summary(1));
  EXPECT_EQ(read_file("notes/todo.txt"), "the PC's version\n");
  EXPECT_EQ(read_file("notes.todo.89t"), calculator_todo);
  EXPECT_EQ(read_file("notes.lone.89t"), written_file("notes", "lone", " only here\r"));
  EXPECT_EQ(read_file("notes/memo.txt"), "memo\r\n");
  EXPECT_EQ(change_list(), "");

  write_file("notes/todo.txt", "edited\n");
  EXPECT_EQ(change_list(), "tnotes/todo.txt\n");
}

TEST_F(UpdateFirstRun, AnEmptyFolderGivesAnEmptyRecord) {
  ProgramRun run = run_program("kestrin-update");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, nothing_to_convert);
  EXPECT_EQ(tree(), (std::vector<std::string>{record}));
  EXPECT_EQ(read_file(record), "kestrin-update record 1\nend 0\n");
}

TEST_F(Update, DamagedRecordGivesAClearErrorAndChangesNothing) {
  struct Case {
    std::string record;
    std::string problem;
  };
  const std::string header = "kestrin-update record 1\n";
  const std::string entry = "6 1 0123456789abcdef notes/todo.txt\n";
  const Case cases[] = {
      {"", "line 1 (it is empty)"},
      {"garbage\n", "line 1 (it does not begin as a record of this program)"},
      {header + entry, "line 2 (its end is missing)"},
      {header + entry + "end 1", "line 3 (its last line is cut short)"},
      {header + entry + "end 2\n", "line 3 (its count of files does not match)"},
      {header + entry + "end 1\nend 1\n", "line 4 (a line follows its end)"},
      {header + "six 1 0123456789abcdef a\nend 1\n", "line 2 (a size is not a number)"},
      {header + "99999999999999999999 1 0123456789abcdef a\nend 1\n",
       "line 2 (a size is not a number)"},
      {header + "6 x 0123456789abcdef a\nend 1\n", "line 2 (a time is not a number)"},
      {header + "6 1 0123456789ABCDEF a\nend 1\n", "line 2 (a content hash is not 16 hex digits)"},
      {header + "6 1 0123456789abcdef \nend 1\n", "line 2 (a path is empty or too long)"},
      {header + "6 1 0123456789abcdef b\n6 1 0123456789abcdef a\nend 2\n",
       "line 3 (its paths are out of order)"},
  };
  write_file("notes/todo.txt", "changed\n");
  for (const Case& damaged : cases) {
    write_file(record, damaged.record);
    std::map<std::string, std::string> before = contents();
    for (const char* options : {"", "--dry-run"}) {
      ProgramRun run = run_program("kestrin-update", options);
      EXPECT_EQ(run.status, 2) << damaged.record;
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(run.err, "kestrin-update: the record kestrin-update.rec is damaged at " +
                             damaged.problem +
                             "; nothing was changed. Move it away to start again as on a first "
                             "run.\n");
      EXPECT_EQ(contents(), before) << damaged.record;
    }
  }
}

TEST_F(Update, NamesThatCannotGoThroughKestrinAreLeftOut) {
  make_dir("longfolder");
  write_file("longfolder/x.txt", "x");
  write_file("notes/toolongname.txt", "x");
  write_file("notes/back\\slash.txt", "x");
  write_file("empty.89t", variable_file("", memo_area));
  // Its text would be notes/longname1.txt, a file that is not kept in step.
  write_file("notes/longname1.txt", "left alone");
  write_file("notes.longname1.89t", variable_file("notes", memo_area));
  // Kestrin would stop at this one and drop the rest of its list.
  write_file("main", "a file, not a folder");
  write_file("main.x.89t", variable_file("main", memo_area));
  write_file("notes/todo.txt", "changed\n");
  ProgramRun dry_run = run_program("kestrin-update", "--dry-run");
  EXPECT_EQ(dry_run.status, 1);
  EXPECT_EQ(dry_run.out, "tnotes/todo.txt\n");
  const std::string left_out =
      "kestrin-update: left out empty.89t: the calculator folder that it records cannot be a "
      "folder here.\n"
      "kestrin-update: left out longfolder/x.txt: calculator folder names have at most 8 "
      "characters.\n"
      "kestrin-update: left out main.x.89t: a file stands where its folder would be.\n"
      "kestrin-update: left out notes.longname1.89t: it would overwrite a file that is not kept "
      "in step.\n"
      "kestrin-update: left out notes/back\\slash.txt: its name holds a character that the "
      "change list cannot carry.\n"
      "kestrin-update: left out notes/longname1.txt: calculator variable names have at most 8 "
      "characters.\n"
      "kestrin-update: left out notes/toolongname.txt: calculator variable names have at most 8 "
      "characters.\n";
  EXPECT_EQ(dry_run.err, left_out);
  ProgramRun run = run_program("kestrin-update");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, left_out);
  EXPECT_EQ(run.out, "Gurdo: todo.txt\n" + texts_summary(1));
  EXPECT_EQ(read_file("notes/longname1.txt"), "left alone");
}

TEST_F(Update, TextBesideAProgramOfItsNameIsPassedOverSilently) {
  write_file("notes/todo.89p", "");
  write_file("notes/todo.txt", "changed\n");
  ProgramRun run = run_program("kestrin-update");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, nothing_to_convert);
}

TEST_F(Update, FileThatKestrinDoesNotConvertStaysListed) {
  // Too long for a text variable: kestrin complains and passes it over.
  write_file("notes/big.txt", std::string(70000, 'x'));
  ProgramRun run = run_program("kestrin-update");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out,
            "No files have been updated, so none have been converted (in either direction).\n");
  EXPECT_EQ(run.err,
            "[Plovane is complaining!] The file 'big.txt' in 'notes' is too long for the TI-89: a "
            "text variable holds at most 65531 bytes. I'm ignoring it for now.\n"
            "kestrin-update: kestrin did not convert notes/big.txt; it is listed again on the "
            "next run.\n");
  EXPECT_EQ(change_list(), "tnotes/big.txt\n");
}

TEST_F(Update, ContentIsComparedWhenTheTimeCannotBeTrusted) {
  // Recorded right after it was written: a change within the same time
  // stamp is still seen.
  rewrite_keeping_time("notes/todo.txt", "eggs\n");
  EXPECT_EQ(change_list(), "tnotes/todo.txt\n");
  EXPECT_EQ(run_program("kestrin-update").status, 0);

  // Recorded long after its last change: size and time are trusted, and a
  // time that moved alone is no change.
  shift_time("notes/todo.txt", std::chrono::seconds(-3600));
  EXPECT_EQ(run_program("kestrin-update").err, nothing_to_convert);
  shift_time("notes/todo.txt", std::chrono::seconds(-60));
  EXPECT_EQ(change_list(), "");
  EXPECT_EQ(run_program("kestrin-update").err, nothing_to_convert);
  rewrite_keeping_time("notes/todo.txt", "milk\n");
  EXPECT_EQ(change_list(), "");
  write_file("notes/todo.txt", "milk\n");
  EXPECT_EQ(change_list(), "tnotes/todo.txt\n");
}

TEST_F(Update, RecordThatCannotBeWrittenStopsBeforeAnyConversion) {
  write_file("notes/todo.txt", "changed\n");
  make_dir("kestrin-update.rec.new");
  std::map<std::string, std::string> before = contents();
  ProgramRun run = run_program("kestrin-update");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "kestrin-update: cannot write the record kestrin-update.rec (through "
            "kestrin-update.rec.new).\n");
  EXPECT_EQ(contents(), before);
}

TEST_F(Update, RecordThatCannotBeReadIsAnError) {
  fs::remove(record);
  make_dir(record);
  write_file("notes/todo.txt", "changed\n");
  std::map<std::string, std::string> before = contents();
  ProgramRun run = run_program("kestrin-update");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err,
            "kestrin-update: cannot read the record kestrin-update.rec; nothing was changed.\n");
  EXPECT_EQ(contents(), before);
}

TEST_F(Update, RecordIsRenamedIntoPlace) {
  write_file("notes/todo.txt", "changed\n");
  EXPECT_EQ(run_program("kestrin-update").status, 0);
  EXPECT_FALSE(exists("kestrin-update.rec.new"));
  std::string recorded = read_file(record);
  EXPECT_EQ(recorded.rfind("kestrin-update record 1\n", 0), 0u) << recorded;
  EXPECT_NE(recorded.find(" notes.todo.89t\n"), std::string::npos) << recorded;
  EXPECT_NE(recorded.find(" notes/todo.txt\n"), std::string::npos) << recorded;
  EXPECT_EQ(recorded.substr(recorded.size() - 7), "\nend 6\n") << recorded;
}

class UpdateOptions : public ScratchTest {};

TEST_F(UpdateOptions, HelpVersionAndUnknownOptions) {
  ProgramRun help = run_program("kestrin-update", "--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: kestrin-update [--dry-run]\n", 0), 0u) << help.out;
  EXPECT_EQ(help.err, "");
  ProgramRun version = run_program("kestrin-update", "--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "kestrin-update 1.0.0\n");
  ProgramRun unknown = run_program("kestrin-update", "--force");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.err, "kestrin-update: unknown option '--force'; try kestrin-update --help.\n");
  EXPECT_TRUE(tree().empty());
}

// Runs a copy of kestrin-update that has no kestrin beside it, with |path| as
// its PATH.
ProgramRun run_alone(const std::string& path) {
  std::string alone = ScratchTest::output_dir() + "/alone";
  fs::create_directories(alone);
  fs::copy_file(std::string(PROGRAM_DIR) + "/kestrin-update", alone + "/kestrin-update",
                fs::copy_options::overwrite_existing);
  std::string out = ScratchTest::output_dir() + "/stdout";
  std::string err = ScratchTest::output_dir() + "/stderr";
  std::string command = "PATH='" + path + "' '" + alone + "/kestrin-update' > '" + out + "' 2> '" +
                        err + "' < /dev/null";
  int status = system(command.c_str());
  return ProgramRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_file(out), read_file(err)};
}

TEST_F(Update, KestrinIsTakenFromThePathWhenNotBesideIt) {
  write_file("notes/todo.txt", "changed\n");
  std::map<std::string, std::string> before = contents();
  ProgramRun missing = run_alone("/nonexistent::");
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err,
            "kestrin-update: cannot find kestrin, neither beside this program nor on the PATH; "
            "nothing was converted.\n");
  EXPECT_EQ(contents(), before);

  ProgramRun found = run_alone("/nonexistent:" + std::string(PROGRAM_DIR));
  EXPECT_EQ(found.status, 0);
  EXPECT_EQ(found.out, "Gurdo: todo.txt\n" + texts_summary(1));
  EXPECT_EQ(read_file("notes.todo.89t"), written_file("notes", "todo", " changed\r"));
}

TEST_F(Update, RunsInProcessAndStaysInItsFolder) {
  write_file("notes/todo.txt", "changed\n");
  std::string start = fs::current_path().string();
  const char* const arguments[] = {"kestrin-update", "--dry-run"};
  EXPECT_EQ(update_run(2, arguments), UPDATE_IN_STEP);
  EXPECT_EQ(fs::current_path().string(), start);
  EXPECT_EQ(read_file("files.lst"), "");
  EXPECT_EQ(read_file("notes.todo.89t"), written_file("notes", "todo", " milk\r"));
}

}  // namespace
