// The three drivers run in-process, to see where each leaves the current
// directory.
#include <filesystem>

#include "kestrin.h"
#include "plovane.h"
#include "test_support.h"
#include "zembrik.h"

namespace {

class Drivers : public ScratchTest {
 protected:
  std::string here() { return std::filesystem::current_path().string(); }
};

TEST_F(Drivers, PlovaneEndsInTheStartingDirectory) {
  make_dir("A");
  write_file("A/x.txt", "x");
  make_dir("B/y.txt");  // fatal: a folder named like a text
  make_dir("toolongname");
  std::string start = here();
  EXPECT_EQ(plovane_run(), 0);
  EXPECT_EQ(here(), start);
  EXPECT_FALSE(boxes().empty());
}

TEST_F(Drivers, KestrinEndsInTheStartingDirectory) {
  make_dir("notes");
  write_file("notes/x.txt", "x");
  std::string start = here();
  for (const char* list :
       {"tnotes/x.txt\n", "tnotes/missing.txt\n", "t../x.txt\n", "tnotes/x.txt\ntgone/x.txt\n"}) {
    write_file("files.lst", list);
    EXPECT_EQ(kestrin_run(), 0);
    EXPECT_EQ(here(), start) << list;
    EXPECT_EQ(read_file("files.lst"), "") << list;
  }
}

TEST_F(Drivers, ZembrikStaysWhereItStarted) {
  write_file("main.x.89t", variable_file("main", " x" + bytes({0})));
  std::string start = here();
  EXPECT_EQ(zembrik_run(), 0);
  EXPECT_EQ(here(), start);
  EXPECT_EQ(read_file("main/x.txt"), "x");
}

}  // namespace
