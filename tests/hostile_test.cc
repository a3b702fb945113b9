// Hostile inputs for the three programs, run as a user runs them: names that
// a shell would read as commands, wildcards, "..", very long names, bytes 128
// to 255, folders where files are expected and the other way round, truncated
// and empty variable files, and files of random bytes. Each program runs in
// the folder "work" of the scratch folder; the files beside "work" are there
// to be reached by a program that climbs out, and must stay as they were.
// The names below hold bytes that Windows does not allow in a file name, so
// these tables are for POSIX systems.
#ifndef _WIN32
#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform.h"
#include "test_support.h"

namespace {

// A path that ends in "/" is a folder; any other a file with its content.
using Files = std::vector<std::pair<std::string, std::string>>;
using Tree = std::vector<std::string>;

struct Case {
  const char* what;
  Files before;  // made in "work" before the run
  std::string out;
  std::string err;  // every box, one line each
  Tree after;       // the whole tree of "work" after the run
  Files written;    // files whose every byte is known
};

std::string unusable_folder_box(const std::string& file, const std::string& folder) {
  return "[Error!] The file '" + file + "' names the folder '" + folder +
         "', which can't be used as a folder name on this computer. I'm ignoring that file for "
         "now.\n";
}
std::string refused_folder_box(const std::string& folder) {
  return "[Plovane is complaining!] The folder name '" + folder +
         "' can't be used as a folder name on this computer. I'm ignoring it for now.\n";
}
std::string long_folder_box(const std::string& folder) {
  return "[Plovane is complaining!] The folder name '" + folder +
         "' is > 8 letters long. Perhaps you want to shorten it for the TI-89? I'm ignoring it "
         "for now.\n";
}
std::string unreadable_box(const std::string& name) {
  return "[Error!] Unable to open '" + name + "' for reading.\n";
}
std::string unwritable_box(const std::string& name) {
  return "[Error!] You don't have write permissions to this folder, or something has locked " +
         name + ", or something. I was unable to open that file for writing. Program ending.\n";
}

// The same bytes on every run: a linear congruential generator.
std::string random_bytes(size_t count, unsigned seed) {
  std::string result;
  for (size_t at = 0; at < count; ++at) {
    seed = seed * 1103515245u + 12345u;
    result.push_back((char)(seed >> 16));
  }
  return result;
}

class Hostile : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    write_file("outside.txt", "beside the working folder\n");
    make_dir("notes");
    write_file("notes/x.txt", "beside the working folder\n");
    write_file("main.x.89t", variable_file("main", " beside" + bytes({0})));
    outside = tree(scratch);
  }

  // Runs |program| in a fresh "work" holding |files|.
  ProgramRun run_in_work(const std::string& program, const Files& files) {
    EXPECT_EQ(change_dir(scratch.c_str()), 0);
    std::error_code ignored;
    std::filesystem::remove_all("work", ignored);
    make_dir("work");
    EXPECT_EQ(change_dir("work"), 0);
    for (const auto& [path, content] : files) {
      if (path.back() == '/')
        make_dir(path);
      else
        write_file(path, content);
    }
    return run_program(program);
  }

  // Nothing beside "work" was made, changed or removed.
  void expect_outside_unchanged(const char* what) {
    Tree now;
    for (const std::string& path : tree(scratch))
      if (path.compare(0, 5, "work/") != 0) now.push_back(path);
    now.erase(std::remove(now.begin(), now.end(), "work/"), now.end());
    EXPECT_EQ(now, outside) << what;
    EXPECT_EQ(read_file(scratch + "/outside.txt"), "beside the working folder\n") << what;
    EXPECT_EQ(read_file(scratch + "/notes/x.txt"), "beside the working folder\n") << what;
  }

  void run_table(const std::string& program, const std::vector<Case>& cases) {
    for (const Case& row : cases) {
      ProgramRun run = run_in_work(program, row.before);
      EXPECT_EQ(run.status, 0) << row.what;
      EXPECT_EQ(run.out, row.out) << row.what;
      EXPECT_EQ(run.err, row.err) << row.what;
      EXPECT_EQ(tree(), row.after) << row.what;
      for (const auto& [path, content] : row.written)
        EXPECT_EQ(read_file(path), content) << row.what << ": " << path;
      expect_outside_unchanged(row.what);
    }
  }

  Tree outside;
};

std::string text_variable(const std::string& folder, const std::string& text) {
  return variable_file(folder, text + bytes({0}));
}

TEST_F(Hostile, Zembrik) {
  const std::string long_name = std::string(241, 'n');  // "main." + 241 + ".89t": 250 bytes
  const std::string whole = variable_file("main", " abc" + bytes({0}));
  const std::vector<Case> cases = {
      {"shell characters in the folder and the name",
       {{"q.$(touch pwned);x.89t", text_variable("a;b&$(x)", " one")},
        {"it's.`x`|y.89t", text_variable("it's", " two")}},
       "",
       "",
       {"a;b&$(x)/", "a;b&$(x)/$(touch pwned);x.txt", "it's.`x`|y.89t", "it's/", "it's/`x`|y.txt",
        "q.$(touch pwned);x.89t"},
       {{"a;b&$(x)/$(touch pwned);x.txt", "one"}, {"it's/`x`|y.txt", "two"}}},
      {"a double quote in the folder",
       {{"dq.89t", text_variable("\"q\"", " x")}},
       "",
       unusable_folder_box("dq.89t", "\"q\""),
       {"dq.89t"},
       {}},
      {"a pipe in the folder",
       {{"p.89t", text_variable("a|b", " x")}},
       "",
       unusable_folder_box("p.89t", "a|b"),
       {"p.89t"},
       {}},
      {"a wildcard as the folder",
       {{"w.89t", text_variable("*", " x")}},
       "",
       unusable_folder_box("w.89t", "*"),
       {"w.89t"},
       {}},
      {"a wildcard as the name",
       {{"*.89t", text_variable("main", " star")}},
       "",
       "",
       {"*.89t", "main/", "main/*.txt"},
       {{"main/*.txt", "star"}}},
      {"'..' as the folder",
       {{"up.89t", text_variable("..", " x")}},
       "",
       unusable_folder_box("up.89t", ".."),
       {"up.89t"},
       {}},
      {"dots opening the name",
       {{"..x.89t", text_variable("main", " dots")}},
       "",
       "",
       {"..x.89t", "main/", "main/.x.txt"},
       {{"main/.x.txt", "dots"}}},
      {"a name of 250 bytes",
       {{"main." + long_name + ".89t", whole}},
       "",
       "",
       {"main." + long_name + ".89t", "main/", "main/" + long_name + ".txt"},
       {{"main/" + long_name + ".txt", "abc"}}},
      {"bytes 128 to 255 in the folder, the name and the text",
       {{"\xff\x80.89t", text_variable("\xe9t\xe9", " \xe9\xfe\x80\r")}},
       "",
       "",
       {"\xe9t\xe9/", "\xe9t\xe9/\xff\x80.txt", "\xff\x80.89t"},
       {{"\xe9t\xe9/\xff\x80.txt", "\xe9\xfe\x80\r\n"}}},
      {"a folder named like a variable file",
       {{"x.89t/", ""}},
       "",
       unreadable_box("x.89t"),
       {"x.89t/"},
       {}},
      {"a folder where the text file goes",
       {{"main.t.89t", whole}, {"main/t.txt/", ""}},
       "",
       unwritable_box("main/t.txt"),
       {"main.t.89t", "main/", "main/t.txt/"},
       {}},
      {"a file where the folder goes",
       {{"main.t.89t", whole}, {"main", "a file"}},
       "",
       unwritable_box("main/t.txt"),
       {"main", "main.t.89t"},
       {{"main", "a file"}}},
      {"an empty variable file",
       {{"e.89t", ""}},
       "",
       unusable_folder_box("e.89t", ""),
       {"e.89t"},
       {}},
      {"a variable file cut before its folder",
       {{"c.89t", whole.substr(0, 10)}},
       "",
       unusable_folder_box("c.89t", ""),
       {"c.89t"},
       {}},
      {"a variable file cut inside its folder",
       {{"c.89t", whole.substr(0, 12)}},
       "",
       "",
       {"c.89t", "ma/", "ma/c.txt"},
       {{"ma/c.txt", ""}}},
      {"a variable file cut before its text",
       {{"c.89t", whole.substr(0, 89)}},
       "",
       "",
       {"c.89t", "main/", "main/c.txt"},
       {{"main/c.txt", ""}}},
      {"a variable file cut inside its text",
       {{"c.89p", whole.substr(0, 92)}},
       "",
       "[Error!] No .89t files found in current directory.\n",
       {"c.89p", "main/", "main/c.txt"},
       {{"main/c.txt", "a"}}},
  };
  run_table("zembrik", cases);
}

TEST_F(Hostile, Plovane) {
  const std::string long_folder = std::string(250, 'f');
  const std::string long_text = std::string(246, 't');                // with ".txt": 250 bytes
  const std::string dots = std::string("...") + "." + ".." + ".89t";  // folder "...", stem ".."
  const std::vector<Case> cases = {
      {"shell characters in the folder and the name",
       {{"a;b&$(x)/", ""}, {"a;b&$(x)/$(y);z.txt", "hi\n"}},
       "",
       "",
       {"a;b&$(x).$(y);z.89t", "a;b&$(x)/", "a;b&$(x)/$(y);z.txt", "dirlist.txt"},
       {{"a;b&$(x).$(y);z.89t", written_file("a;b&$(x)", "$(y);z", " hi\r")}}},
      {"quotes in the names",
       {{"it's/", ""}, {"it's/\"q\".txt", "q\n"}},
       "",
       "",
       {"dirlist.txt", "it's.\"q\".89t", "it's/", "it's/\"q\".txt"},
       {{"it's.\"q\".89t", written_file("it's", "\"q\"", " q\r")}}},
      {"a double quote in the folder",
       {{"\"q\"/", ""}, {"\"q\"/a.txt", "a"}},
       "",
       refused_folder_box("\"q\""),
       {"\"q\"/", "\"q\"/a.txt", "dirlist.txt"},
       {}},
      {"a wildcard as the folder",
       {{"*/", ""}, {"*/a.txt", "a"}},
       "",
       refused_folder_box("*"),
       {"*/", "*/a.txt", "dirlist.txt"},
       {}},
      {"a wildcard as the name",
       {{"f/", ""}, {"f/*.txt", "star"}},
       "",
       "",
       {"dirlist.txt", "f.*.89t", "f/", "f/*.txt"},
       {{"f.*.89t", written_file("f", "*", " star")}}},
      {"dots as the folder and the name",
       {{".../", ""}, {".../...txt", "dots"}},
       "",
       "",
       {dots, ".../", ".../...txt", "dirlist.txt"},
       {{dots, written_file("...", "..", " dots")}}},
      {"a folder name of 250 bytes comes in two pieces",
       {{long_folder + "/", ""}, {long_folder + "/a.txt", "a"}},
       "",
       long_folder_box(std::string(128, 'f')) + long_folder_box(std::string(121, 'f')),
       {"dirlist.txt", long_folder + "/", long_folder + "/a.txt"},
       {}},
      {"a text name of 250 bytes",
       {{"f/", ""}, {"f/" + long_text + ".txt", "a"}},
       "",
       // The names are cut, so that the complaint fits its buffer whole.
       "[Plovane is complaining!] The file name '" + long_text.substr(0, 120) + "' (" +
           long_text.substr(0, 120) +
           " without the extension) in 'f' is > 8 letters long. Perhaps you want to shorten it "
           "for the TI-89? I'm ignoring it for now.\n",
       {"dirlist.txt", "f/", "f/" + long_text + ".txt"},
       {}},
      {"bytes 128 to 255 in the folder, the name and the text",
       {{"\xe9t\xe9/", ""}, {"\xe9t\xe9/\xff.txt", "\x80\xfe\n"}},
       "",
       "",
       {"dirlist.txt", "\xe9t\xe9.\xff.89t", "\xe9t\xe9/", "\xe9t\xe9/\xff.txt"},
       {{"\xe9t\xe9.\xff.89t", written_file("\xe9t\xe9", "\xff", " \x80\xfe\r")}}},
      {"a folder named like a text",
       {{"f/", ""}, {"f/a.txt/", ""}},
       "",
       unreadable_box("a.txt"),
       {"dirlist.txt", "f/", "f/a.txt/"},
       {}},
      {"a folder where the variable file goes",
       {{"f/", ""}, {"f/a.txt", "a"}, {"f.a.89t/", ""}},
       "",
       unwritable_box("f.a.89t"),
       {"dirlist.txt", "f.a.89t/", "f/", "f/a.txt"},
       {}},
      {"a folder where the folder list goes",
       {{"dirlist.txt/", ""}},
       "",
       unreadable_box("dirlist.txt"),
       {"dirlist.txt/"},
       {}},
      {"a folder named like the program file is no program file",
       {{"f/", ""}, {"f/game.txt", "g"}, {"f/game.89p/", ""}},
       "",
       "",
       {"dirlist.txt", "f.game.89t", "f/", "f/game.89p/", "f/game.txt"},
       {{"f.game.89t", written_file("f", "game", " g")}}},
      {"a line end in a folder name climbs nowhere",
       {{"x\n../", ""}, {"b/", ""}, {"b/x.txt", "b"}},
       "",
       refused_folder_box("x?.."),
       {"b.x.89t", "b/", "b/x.txt", "dirlist.txt", "x\n../"},
       {{"b.x.89t", written_file("b", "x", " b")}}},
      {"a byte 26 in a folder name ends no list",
       {{"a\x1a/", ""}, {"b/", ""}, {"b/x.txt", "b"}},
       "",
       refused_folder_box("a?"),
       {"a\x1a/", "b.x.89t", "b/", "b/x.txt", "dirlist.txt"},
       {{"b.x.89t", written_file("b", "x", " b")}}},
      {"an empty text",
       {{"f/", ""}, {"f/e.txt", ""}},
       "",
       "",
       {"dirlist.txt", "f.e.89t", "f/", "f/e.txt"},
       {{"f.e.89t", written_file("f", "e", "")}}},
  };
  run_table("plovane", cases);
}

TEST_F(Hostile, Kestrin) {
  const Files fixture = {{"notes/", ""},
                         {"notes/a.txt", "alpha\n"},
                         {"notes/sub.txt/", ""},
                         {"plain", "a file"},
                         {"main.p.89t", text_variable("main", " p")}};
  const Tree fixture_tree = {"files.lst",   "main.p.89t",     "notes/",
                             "notes/a.txt", "notes/sub.txt/", "plain"};
  auto with = [&](Files more) {
    Files files = fixture;
    files.insert(files.end(), more.begin(), more.end());
    return files;
  };
  auto tree_with = [&](Tree more) {
    Tree paths = fixture_tree;
    paths.insert(paths.end(), more.begin(), more.end());
    std::sort(paths.begin(), paths.end());
    return paths;
  };
  const std::string long_line = "tnotes/" + std::string(243, 'l');  // 250 bytes
  const std::vector<Case> cases = {
      {"shell characters in the folder and the names",
       with({{"a;b/", ""},
             {"a;b/$(x)|y.txt", "s\n"},
             {"$(touch pwned).89t", text_variable("main", " t")},
             {"files.lst", "ta;b/$(x)|y.txt\ns$(touch pwned).89t\n"}}),
       "Gurdo: $(x)|y.txt\nZembrik: '$(touch pwned).89t' \n" + texts_summary(1) +
           variables_summary(1),
       "",
       tree_with({"$(touch pwned).89t", "a;b.$(x)|y.89t", "a;b/", "a;b/$(x)|y.txt", "main/",
                  "main/$(touch pwned).txt"}),
       {{"a;b.$(x)|y.89t", written_file("a;b", "$(x)|y", " s\r")},
        {"main/$(touch pwned).txt", "t"},
        {"files.lst", ""}}},
      {"quotes in the folder",
       with({{"'q'/", ""}, {"'q'/a.txt", "q"}, {"files.lst", "t'q'/a.txt\nt\"q\"/a.txt\n"}}),
       "Gurdo: a.txt\n" + texts_summary(1),
       unreadable_box("\"q\"/a.txt"),
       tree_with({"'q'.a.89t", "'q'/", "'q'/a.txt"}),
       {{"'q'.a.89t", written_file("'q'", "a", " q")}, {"files.lst", ""}}},
      {"a wildcard as the name",
       with({{"files.lst", "tnotes/*.txt\n"}}),
       nothing_converted,
       unreadable_box("*.txt"),
       fixture_tree,
       {{"files.lst", ""}}},
      {"a wildcard as the folder",
       with({{"files.lst", "t*/a.txt\n"}}),
       nothing_converted,
       unreadable_box("*/a.txt"),
       fixture_tree,
       {{"files.lst", ""}}},
      {"a wildcard as the variable file",
       with({{"files.lst", "s*.89t\n"}}),
       nothing_converted,
       unreadable_box("*.89t"),
       fixture_tree,
       {{"files.lst", ""}}},
      {"'..' out of the working folder",
       with({{"files.lst", "t../outside.txt\n"}}),
       nothing_converted,
       unreadable_box("../outside.txt"),
       fixture_tree,
       {{"files.lst", ""}}},
      {"a line of 250 bytes is cut at 128",
       with({{"files.lst", long_line + "\n"}}),
       nothing_converted,
       "[Error!] Fatal error: Filename missing extension.\n",
       fixture_tree,
       {{"files.lst", ""}}},
      {"bytes 128 to 255 in the folder, the names and the text",
       with({{"\xe9/", ""},
             {"\xe9/\xff.txt", "\x80\xfe\n"},
             {"\xe9.\xe0.89t", text_variable("\xe9", " \xe1")},
             {"files.lst", "t\xe9/\xff.txt\ns\xe9.\xe0.89t\n"}}),
       "Gurdo: \xff.txt\nZembrik: '\xe9.\xe0.89t' \n" + texts_summary(1) + variables_summary(1),
       "",
       tree_with({"\xe9.\xe0.89t", "\xe9.\xff.89t", "\xe9/", "\xe9/\xe0.txt", "\xe9/\xff.txt"}),
       {{"\xe9.\xff.89t", written_file("\xe9", "\xff", " \x80\xfe\r")}, {"\xe9/\xe0.txt", "\xe1"}}},
      {"a folder named like a variable file",
       with({{"files.lst", "snotes\n"}}),
       nothing_converted,
       unreadable_box("notes"),
       fixture_tree,
       {{"files.lst", ""}}},
      {"a folder named like a text",
       with({{"files.lst", "tnotes/sub.txt\n"}}),
       nothing_converted,
       unreadable_box("sub.txt"),
       fixture_tree,
       {{"files.lst", ""}}},
      {"a file named like a folder",
       with({{"files.lst", "tplain/a.txt\n"}}),
       nothing_converted,
       unreadable_box("plain/a.txt"),
       fixture_tree,
       {{"plain", "a file"}, {"files.lst", ""}}},
      {"a folder where the change list goes",
       with({{"files.lst/", ""}}),
       "",
       "[Error] I can't find files.lst, which is supposed to tell me what files to do what "
       "with. You shouldn't run Kestrin directly, run the update script instead.\n",
       {"files.lst/", "main.p.89t", "notes/", "notes/a.txt", "notes/sub.txt/", "plain"},
       {}},
      {"an empty variable file",
       with({{"e.89t", ""}, {"files.lst", "se.89t\nsmain.p.89t\n"}}),
       "Zembrik: 'main.p.89t' \n" + variables_summary(1),
       unusable_folder_box("e.89t", ""),
       tree_with({"e.89t", "main/", "main/p.txt"}),
       {{"main/p.txt", "p"}, {"files.lst", ""}}},
  };
  run_table("kestrin", cases);
}

// Random bytes where each program expects its own kind of file: whatever they
// hold, the program ends with status 0, writes nothing beside "work" and
// leaves no change list behind with entries in it.
TEST_F(Hostile, RandomBytes) {
  for (unsigned seed = 1; seed <= 8; ++seed) {
    std::string noise = random_bytes(4096, seed);
    std::string what = "seed " + std::to_string(seed);
    ProgramRun run =
        run_in_work("kestrin", {{"notes/", ""}, {"notes/a.txt", "alpha\n"}, {"files.lst", noise}});
    EXPECT_EQ(run.status, 0) << what;
    EXPECT_TRUE(!exists("files.lst") || read_file("files.lst").empty()) << what;
    expect_outside_unchanged(what.c_str());

    run = run_in_work("zembrik", {{"r.89t", noise}, {"r.89p", noise.substr(0, 200)}});
    EXPECT_EQ(run.status, 0) << what;
    expect_outside_unchanged(what.c_str());

    run = run_in_work("plovane", {{"f/", ""}, {"f/r.txt", noise}});
    EXPECT_EQ(run.status, 0) << what;
    EXPECT_EQ(run.err, "") << what;
    expect_outside_unchanged(what.c_str());
    run = run_program("zembrik");  // and back
    EXPECT_EQ(run.status, 0) << what;
    EXPECT_EQ(run.err, "") << what;
    expect_outside_unchanged(what.c_str());
  }
}

}  // namespace

#endif  // _WIN32
