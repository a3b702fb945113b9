// The calls of the platform layer that kestrin-update needs.
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "platform.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

class PlatformForUpdate : public ScratchTest {
 protected:
  void TearDown() override {
    if (saved_path.empty())
      unsetenv("PATH");
    else
      setenv("PATH", saved_path.c_str(), 1);
    ScratchTest::TearDown();
  }
  std::string saved_path = getenv("PATH") ? getenv("PATH") : "";
};

TEST_F(PlatformForUpdate, FileStatusGivesSizeTimeAndKind) {
  write_file("file", "12345");
  make_dir("folder");
  long long before = current_time();
  FileStatus status;
  ASSERT_EQ(file_status("file", &status), 0);
  EXPECT_EQ(status.size, 5);
  EXPECT_EQ(status.is_folder, 0);
  // Written a moment ago, on the clock of current_time.
  EXPECT_LE(status.modified, before);
  EXPECT_GT(status.modified, before - 60000000000LL);
  fs::last_write_time("file", fs::last_write_time("file") - std::chrono::seconds(10));
  FileStatus older;
  ASSERT_EQ(file_status("file", &older), 0);
  EXPECT_EQ(status.modified - older.modified, 10000000000LL);
  ASSERT_EQ(file_status("folder", &status), 0);
  EXPECT_EQ(status.is_folder, 1);
  EXPECT_EQ(file_status("missing", &status), -1);
}

TEST_F(PlatformForUpdate, WholeFileIsWrittenAndRenamedIntoPlace) {
  write_file("target", "old content");
  ASSERT_EQ(write_whole_file("new", "a\nb\0c", 5), 0);
  EXPECT_EQ(read_file("new"), std::string("a\nb\0c", 5));
  ASSERT_EQ(rename_file("new", "target"), 0);
  EXPECT_EQ(read_file("target"), std::string("a\nb\0c", 5));
  EXPECT_FALSE(exists("new"));
  EXPECT_EQ(write_whole_file("empty", "", 0), 0);
  EXPECT_EQ(read_file("empty"), "");

  EXPECT_EQ(write_whole_file("missing-folder/x", "x", 1), -1);
  make_dir("folder");
  EXPECT_EQ(write_whole_file("folder", "x", 1), -1);
  EXPECT_EQ(rename_file("missing", "target"), -1);
  EXPECT_EQ(read_file("target"), std::string("a\nb\0c", 5));
}

TEST_F(PlatformForUpdate, ProgramsAreFoundBesideUsAndOnThePath) {
  char folder[4096];
  ASSERT_EQ(running_program_folder(folder, sizeof folder), 0);
  EXPECT_EQ(fs::canonical(folder), fs::canonical(PROGRAM_DIR));
  EXPECT_EQ(running_program_folder(folder, 2), -1);

  std::string kestrin = std::string(PROGRAM_DIR) + "/kestrin" + program_suffix;
  EXPECT_EQ(is_program(kestrin.c_str()), 1);
  write_file("plain", "");
  EXPECT_EQ(is_program("plain"), 0);
  EXPECT_EQ(is_program(PROGRAM_DIR), 0);

  char found[4096];
  setenv("PATH", ("/nonexistent::" + std::string(PROGRAM_DIR)).c_str(), 1);
  ASSERT_EQ(find_on_path("kestrin", found, sizeof found), 0);
  EXPECT_EQ(std::string(found), std::string(PROGRAM_DIR) + "/kestrin");
  EXPECT_EQ(find_on_path("kestrin", found, 8), -1);
  EXPECT_EQ(find_on_path("no-such-program", found, sizeof found), -1);

  // An empty entry does not stand for the current folder.
  fs::copy_file(kestrin, "here");
  setenv("PATH", ":/nonexistent:", 1);
  EXPECT_EQ(find_on_path("here", found, sizeof found), -1);
  unsetenv("PATH");
  EXPECT_EQ(find_on_path("kestrin", found, sizeof found), -1);
}

TEST_F(PlatformForUpdate, ProgramRunsInTheCurrentFolderAndGivesItsStatus) {
  write_file("script", "#!/bin/sh\necho ran > ran-here\nexit 3\n");
  fs::permissions("script", fs::perms::owner_all);
  std::string script = scratch + "/script";
  EXPECT_EQ(run_and_wait(script.c_str()), 3);
  EXPECT_EQ(read_file("ran-here"), "ran\n");
  write_file("killed", "#!/bin/sh\nkill -9 $$\n");
  fs::permissions("killed", fs::perms::owner_all);
  EXPECT_EQ(run_and_wait((scratch + "/killed").c_str()), -1);
  EXPECT_EQ(run_and_wait((scratch + "/missing").c_str()), -1);
}

}  // namespace
