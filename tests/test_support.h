// Scratch folders, file fixtures and captured message boxes for the tests.
#ifndef TESTS_TEST_SUPPORT_H
#define TESTS_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

// One message box as the user would have seen it.
struct Box {
  std::string caption;
  std::string text;
  bool operator==(const Box& other) const { return caption == other.caption && text == other.text; }
};
void PrintTo(const Box& box, std::ostream* out);

// Runs each test in a fresh empty folder of its own, which is the current
// directory during the test, and captures the boxes shown meanwhile.
class ScratchTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string scratch;  // absolute path of the folder

 public:
  static std::vector<Box>& boxes();
  // A folder beside the scratch folder for what the test keeps aside.
  static std::string& output_dir();
};

std::string bytes(std::initializer_list<int> values);
void write_file(const std::string& path, const std::string& content);
// The whole file, or "<missing>" when it cannot be read.
std::string read_file(const std::string& path);
bool exists(const std::string& path);
void make_dir(const std::string& path);
// Makes |link| a link to the folder |target|.
void symlink_dir(const std::string& target, const std::string& link);
// Every file and folder below |root|, as sorted relative paths: "a/" a folder,
// "a/b" a file, "a/c@" a link (not followed).
std::vector<std::string> tree(const std::string& root = ".");

// A variable file as a calculator would send it: the 90-byte header of a text
// variable with |folder| in its folder field (cut to 8 bytes, no terminator
// then), then |text_area| (its 0 text end included where wanted), then, when
// |complete|, the end byte 0xE0 and the two checksum bytes.
std::string variable_file(const std::string& folder, const std::string& text_area,
                          bool complete = true);

// The whole .89t file that text_to_var must write for |text_area|, laid out
// field by field.
std::string written_file(const std::string& folder, const std::string& name,
                         const std::string& text_area);

// The notices that follow the text of a program file, as a text file holds
// them.
extern const std::string empty_program_notice;
extern const std::string tokenized_program_notice;

// ---- What differs between the POSIX and the Windows programs --------------

// The line end that "\n" becomes on standard output and in the folder list
// that the command interpreter writes: LF on POSIX, CR LF on Windows.
extern const std::string console_line_end;
// |text| with every "\n" as console_line_end.
std::string console(const std::string& text);
// The separator of folder and name in the paths that messages show.
extern const char separator;
// True when the directory search matches names regardless of case (Windows).
extern const bool search_ignores_case;
// True when a run's boxes can be read: on POSIX each is a line "[caption] text"
// on standard error. On Windows a box is a window, and under a headless wine
// nobody sees it, so the box texts are checked by the POSIX run only.
extern const bool boxes_readable;

// kestrin's summary lines, as it prints them ("\n" as the line end).
extern const std::string nothing_converted;
std::string texts_summary(int count);
std::string variables_summary(int count);

// What a program run left on its standard streams.
struct ProgramRun {
  int status;
  std::string out;
  std::string err;
};

// Runs the built program |name| ("zembrik", ...) with |arguments| in the
// current directory, standard input from the null device.
ProgramRun run_program(const std::string& name, const std::string& arguments = "");

// Succeeds when |run| showed exactly the boxes |expected| ("[caption] text\n"
// each). Where boxes cannot be read (see boxes_readable), it succeeds when
// nothing at all reached standard error.
::testing::AssertionResult showed_boxes(const ProgramRun& run, std::string expected);

#endif  // TESTS_TEST_SUPPORT_H
