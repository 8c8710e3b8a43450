#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <functional>

#include "support/test_support.h"
#include "util/files.h"
#include "util/sha256.h"
#include "util/utf.h"
#include "util/xml.h"

namespace {

// The system's reasons the tests expect, as the file layer words them on each system.
#ifdef _WIN32
const std::string Parent_Is_A_File = util::System_Error_Text(ERROR_PATH_NOT_FOUND);
const std::string Folder_Missing = util::System_Error_Text(ERROR_PATH_NOT_FOUND);
const std::string Something_In_Its_Place = util::System_Error_Text(ERROR_ALREADY_EXISTS);
#else
const std::string Parent_Is_A_File = util::System_Error_Text(ENOTDIR);
const std::string Folder_Missing = util::System_Error_Text(ENOENT);
const std::string Something_In_Its_Place = util::System_Error_Text(EEXIST);
#endif

TEST(Write_File_Atomic, Replaces_Whole_File_And_Leaves_No_Temporary) {
  test::Temp_Dir dir;
  const std::string path = dir / "a.xml";
  util::Write_File_Atomic(path, "first version, longer");
  util::Write_File_Atomic(path, "second");
  EXPECT_EQ(test::Read(path), "second");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IRGRP, 0u) << "written with the usual permissions";
  int entries = 0;
  for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1) << "no temporary file left behind";
}

TEST(Write_File_Atomic, Failure_Names_The_File_And_Keeps_The_Target) {
  test::Temp_Dir dir;
  test::Write(dir / "plain", "x");
  try {
    util::Write_File_Atomic(dir / "plain/inside.xml", "data");  // parent is a file
    FAIL() << "no error";
  } catch (const util::File_Error& e) {
    EXPECT_NE(std::string(e.what()).find("inside.xml"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find(Parent_Is_A_File), std::string::npos) << e.what();
  }
  // A folder standing where the file should go: the rename fails, the folder survives.
  util::Create_Dir(dir / "taken");
  EXPECT_THROW(util::Write_File_Atomic(dir / "taken", "data"), util::File_Error);
  EXPECT_TRUE(util::Dir_Exists(dir / "taken"));
}

TEST(Force_Dirs, Makes_Missing_Parents_And_Leaves_Existing_Folders) {
  test::Temp_Dir dir;
  util::Force_Dirs(dir / "a/b/c");
  EXPECT_TRUE(util::Dir_Exists(dir / "a/b/c"));
  test::Write(dir / "a/b/c/kept", "x");
  util::Force_Dirs(dir / "a/b/c");
  util::Force_Dirs(dir / "a/b/d");
  EXPECT_EQ(test::Read(dir / "a/b/c/kept"), "x");
  EXPECT_TRUE(util::Dir_Exists(dir / "a/b/d"));
}

// A failure names the folder whose creation failed and the system's reason for exactly that
// folder, not one left over from a later call.
TEST(Force_Dirs, Failure_Names_The_Folder_And_Its_Own_Reason) {
  const struct {
    const char* what;
    std::string path;   // below the temporary folder, which holds a regular file "plain"
    std::string named;  // the folder the message names
    std::string reason;
  } cases[] = {
#ifdef _WIN32
      // Windows says only that the path is not found, and the file is found where the folder
      // "plain" would have to be made.
      {"a file in a parent's place", "plain/sub/deeper", "plain", Something_In_Its_Place},
#else
      {"a file in a parent's place", "plain/sub/deeper", "plain/sub/deeper", Parent_Is_A_File},
#endif
      {"a file in its place", "plain", "plain", Something_In_Its_Place},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::Temp_Dir dir;
    test::Write(dir / "plain", "x");
    try {
      util::Force_Dirs(dir / c.path);
      ADD_FAILURE() << "no error";
    } catch (const util::File_Error& e) {
      EXPECT_EQ(std::string(e.what()),
                "Cannot create the folder " + (dir / c.named) + ": " + c.reason);
    }
    EXPECT_EQ(test::Read(dir / "plain"), "x");
  }
  EXPECT_THROW(util::Force_Dirs(""), util::File_Error);
}

TEST(List_Folder, Failure_Names_The_Folder_And_The_Reason) {
  test::Temp_Dir dir;
  test::Write(dir / "plain", "x");
  util::Create_Dir(dir / "empty");
  EXPECT_TRUE(util::List_Folder(dir / "empty").empty());
  const struct {
    std::string folder, reason;  // no reason: the system's own, whichever it gives
  } cases[] = {
      {dir / "missing", Folder_Missing},
#ifdef _WIN32
      // Windows versions differ in the code for a file in a folder's place.
      {dir / "plain", ""},
#else
      {dir / "plain", Parent_Is_A_File},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    try {
      util::List_Folder(c.folder);
      ADD_FAILURE() << "no error";
    } catch (const util::File_Error& e) {
      const std::string start = "Cannot list the folder " + c.folder + ": ";
      if (c.reason.empty()) {
        EXPECT_EQ(std::string(e.what()).rfind(start, 0), 0u) << e.what();
        EXPECT_GT(std::string(e.what()).size(), start.size()) << e.what();
      } else {
        EXPECT_EQ(std::string(e.what()), start + c.reason);
      }
    }
  }
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A save of several files replaces all of them or none: a failure on the second file leaves
// the first one old too, and no temporary file behind.
TEST(Write_Files_Atomic, A_Failure_On_One_File_Leaves_Every_Target_Old) {
  struct Case {
    const char* name;
    std::function<void(const test::Temp_Dir&)> prepare;
    std::string second;  // the second target, inside the folder
    std::string reason;
  };
  std::vector<Case> cases = {
      {"second target is a folder",
       [](const test::Temp_Dir& d) { std::filesystem::create_directories(d / "b.bin/inside"); },
       "b.bin", "Is a directory"},
      {"second target's folder is missing", [](const test::Temp_Dir&) {}, "gone/b.bin",
       Folder_Missing},
  };
#ifndef _WIN32
  // Larger than the file-size limit set below: the write of the second file fails the way it
  // does on a full disk. (Windows has no per-process file-size limit.)
  cases.push_back({"disk full on the second file", [](const test::Temp_Dir&) {}, "b.bin",
                   util::System_Error_Text(EFBIG)});
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::Temp_Dir dir;
    test::Write(dir / "a.bin", "old a");
    c.prepare(dir);
    const std::vector<std::string> before = Entries(dir.path());
    const std::string big(100000, 'b');
#ifndef _WIN32
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limited = previous;
    limited.rlim_cur = 50000;
    const bool limit = c.name == std::string("disk full on the second file");
    auto old_handler = signal(SIGXFSZ, SIG_IGN);
    if (limit) setrlimit(RLIMIT_FSIZE, &limited);
#endif
    try {
      util::Write_Files_Atomic({{dir / "a.bin", "new a"}, {dir / c.second, big}});
      ADD_FAILURE() << "no error";
    } catch (const util::File_Error& e) {
      EXPECT_NE(std::string(e.what()).find(dir / c.second), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
    }
#ifndef _WIN32
    if (limit) setrlimit(RLIMIT_FSIZE, &previous);
    signal(SIGXFSZ, old_handler);
#endif
    EXPECT_EQ(test::Read(dir / "a.bin"), "old a");
    EXPECT_EQ(Entries(dir.path()), before);
  }
  test::Temp_Dir dir;
  util::Write_Files_Atomic({{dir / "a.bin", "new a"}, {dir / "b.bin", "new b"}});
  EXPECT_EQ(test::Read(dir / "a.bin"), "new a");
  EXPECT_EQ(test::Read(dir / "b.bin"), "new b");
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"a.bin", "b.bin"}));
}

// A rename that fails after others succeeded puts their old content back: the pair never mixes
// two saves.
TEST(Write_Files_Atomic, A_Failed_Rename_Puts_The_Earlier_Targets_Back) {
#ifdef _WIN32
  test::Temp_Dir dir;
  test::Write(dir / "a.bin", "old a");
  test::Write(dir / "b.bin", "old b");
  // Another program holds b.bin open without allowing its deletion: no rename can replace it.
  HANDLE held = CreateFileW(util::Utf8_To_Wide(dir / "b.bin").c_str(), GENERIC_READ,
                            FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  try {
    util::Write_Files_Atomic({{dir / "a.bin", "new a"}, {dir / "b.bin", "new b"}});
    ADD_FAILURE() << "no error";
  } catch (const util::File_Error& e) {
    EXPECT_NE(std::string(e.what()).find(dir / "b.bin"), std::string::npos) << e.what();
  }
  CloseHandle(held);
  EXPECT_EQ(test::Read(dir / "a.bin"), "old a");
  EXPECT_EQ(test::Read(dir / "b.bin"), "old b");
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"a.bin", "b.bin"}));
#else
  GTEST_SKIP() << "on Linux a rename in a folder whose other renames succeed fails only in a race";
#endif
}

// The running program's own path, and its folder from it.
TEST(Executable_Path, Names_The_Running_Test_Program) {
  const std::string path = util::Executable_Path();
  EXPECT_EQ(util::File_Name_Of(path).rfind("test_util", 0), 0u) << path;
  const std::string dir = util::Executable_Dir();
  ASSERT_LT(dir.size(), path.size());
  EXPECT_EQ(path.substr(0, dir.size()), dir);
  EXPECT_EQ(util::File_Name_Of(path.substr(dir.size())), util::File_Name_Of(path));
  EXPECT_TRUE(util::File_Exists(path));
}

#ifdef _WIN32
// What only the Windows file layer does: both separators, the read-only attribute, devices.
TEST(Windows_Files, Separators_Attributes_And_Devices) {
  test::Temp_Dir dir;
  EXPECT_EQ(util::Join_Path("C:\\conf\\", "a.xml"), "C:\\conf\\a.xml");
  EXPECT_EQ(util::Join_Path("C:\\conf", "a.xml"), "C:\\conf/a.xml");
  test::Write(dir / "locked.xml", "x");
  ASSERT_TRUE(
      SetFileAttributesW(util::Utf8_To_Wide(dir / "locked.xml").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(util::Is_Writable_File(dir / "locked.xml"));
  test::Write(dir / "open.xml", "x");
  EXPECT_TRUE(util::Is_Writable_File(dir / "open.xml"));
  util::Force_Dirs(dir / "a\\b/c");
  EXPECT_TRUE(util::Dir_Exists(dir / "a/b\\c"));
  EXPECT_EQ(util::List_Folder(dir / "a"), (std::vector<std::string>{"b"}));
  for (const auto& [path, reason] :
       {std::pair<std::string, std::string>{dir / "a", "Is a directory"},
        {"NUL", "not a regular file"}}) {
    SCOPED_TRACE(path);
    try {
      util::Read_File(path);
      ADD_FAILURE() << "read";
    } catch (const util::File_Error& e) {
      EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
    }
  }
  SetFileAttributesW(util::Utf8_To_Wide(dir / "locked.xml").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Windows_Files, System_Error_Text_Is_The_Systems_Text_In_Utf8) {
  const std::string text = util::System_Error_Text(ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n');
  EXPECT_EQ(text.find("error 2"), std::string::npos) << text;
}
#endif

// Temporary files of an interrupted save of the same target go at the next save; nothing else
// does, not even a temporary file that a running save still holds.
TEST(Write_File_Atomic, Removes_Leftovers_Of_Its_Own_Target_Only) {
  test::Temp_Dir dir;
  test::Temp_Dir outside;
  test::Write(outside / "precious", "keep");
  const std::vector<std::string> leftovers = {".a.xml.Ab3dE9", ".a.xml.000000", ".a.xml.zzzzzz"};
  for (const std::string& name : leftovers) test::Write(dir / name, "partial");
  // Kept: names that only look like leftovers, and one that a running save holds.
  std::vector<std::string> kept = {
      ".a.xml.Ab3dE",  ".a.xml.Ab3dE9x", "a.xml.Ab3dE9",  ".a.xml.Ab3dE!",  ".a.xml.Ab3-E9",
      ".a.xmlxAb3dE9", ".b.xml.Ab3dE9",  ".A.xml.Ab3dE9", "..a.xml.Ab3dE9", ".a.xml.held00"};
#ifdef _WIN32
  // Windows names ignore case: ".A.xml.Ab3dE9" is the leftover ".a.xml.Ab3dE9" itself.
  std::erase(kept, ".A.xml.Ab3dE9");
#endif
  for (const std::string& name : kept) test::Write(dir / name, "not a leftover");
  std::filesystem::create_directory(dir / ".a.xml.Folder");
  std::vector<std::string> expected = kept;
  expected.insert(expected.end(), {".a.xml.Folder", "a.xml"});
#ifdef _WIN32
  // A save in progress elsewhere holds its temporary file open (links need a privilege here).
  HANDLE held =
      CreateFileW(util::Utf8_To_Wide(dir / ".a.xml.held00").c_str(), GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  util::Write_File_Atomic(dir / "a.xml", "saved");
  CloseHandle(held);
#else
  std::filesystem::create_symlink(outside / "precious", dir / ".a.xml.Linked");
  expected.push_back(".a.xml.Linked");
  // A save in progress elsewhere holds its temporary file locked.
  int held = open((dir / ".a.xml.held00").c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  util::Write_File_Atomic(dir / "a.xml", "saved");
  close(held);
#endif
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Entries(dir.path()), expected);
  EXPECT_EQ(test::Read(outside / "precious"), "keep");
  EXPECT_EQ(test::Read(dir / "a.xml"), "saved");
}

TEST(Read_File, Anything_But_A_Regular_File_Is_An_Error_That_Names_It) {
#ifdef _WIN32
  GTEST_SKIP() << "FIFOs, links and /dev/null are Linux kinds; Windows_Files covers a folder "
                  "and a device there";
#else
  test::Temp_Dir dir;
  test::Write(dir / "real.xml", "content");
  std::filesystem::create_directory(dir / "folder.xml");
  ASSERT_EQ(mkfifo((dir / "fifo.xml").c_str(), 0644), 0);
  std::filesystem::create_symlink(dir / "nowhere.xml", dir / "dangling.xml");
  std::filesystem::create_symlink(dir / "real.xml", dir / "link.xml");
  EXPECT_EQ(util::Read_File(dir / "link.xml"), "content");
  const struct {
    std::string path;
    const char* reason;
  } cases[] = {{dir / "folder.xml", "Is a directory"},
               {dir / "fifo.xml", "not a regular file"},  // and it does not wait for a writer
               {dir / "dangling.xml", "No such file or directory"},
               {"/dev/null", "not a regular file"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_TRUE(util::Path_Present(c.path));
    try {
      util::Read_File(c.path);
      ADD_FAILURE() << "read";
    } catch (const util::File_Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.path), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
    }
  }
  EXPECT_FALSE(util::Path_Present(dir / "nowhere.xml"));
#endif
}

// The lock of a folder: one holder at a time, and a holder killed outright leaves it free.
TEST(Folder_Lock, One_Holder_And_A_Crash_Releases_It) {
  using R = util::Folder_Lock::Result;
  test::Temp_Dir dir;
  util::Folder_Lock first, second;
  EXPECT_EQ(first.Try_Lock(dir.path(), "x.lock"), R::Taken);
  EXPECT_EQ(second.Try_Lock(dir.path(), "x.lock"), R::Held);
  first.Unlock();
  EXPECT_EQ(second.Try_Lock(dir.path(), "x.lock"), R::Taken);  // the file stayed: taken over
  second.Unlock();
#ifdef _WIN32
  GTEST_SKIP() << "a holder killed outright needs fork(); Windows drops a dead process's locks";
#else
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    util::Folder_Lock held;
    const char taken = held.Try_Lock(dir.path(), "x.lock") == R::Taken ? '1' : '0';
    if (write(ready[1], &taken, 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  char taken = 0;
  ASSERT_EQ(read(ready[0], &taken, 1), 1);
  EXPECT_EQ(taken, '1');
  EXPECT_EQ(first.Try_Lock(dir.path(), "x.lock"), R::Held);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_EQ(first.Try_Lock(dir.path(), "x.lock"), R::Taken);
#endif
}

// A lock that cannot be taken for another reason than a holder is Unusable, with the lock file
// and the system's reason (or, for a FIFO, the platform layer's own); these ways work for root
// too, for whom permissions deny nothing.
TEST(Folder_Lock, Unusable_Says_Why) {
  using R = util::Folder_Lock::Result;
  using Refusal = util::File_Error::Refusal;
  test::Temp_Dir dir;
  std::filesystem::create_directory(dir / "folder.lock");
  struct Case {
    std::string folder, file, reason;
    Refusal refusal = Refusal::System;
  };
  test::Temp_Dir read_only;
#ifdef _WIN32
  // Links need a privilege here, and the read-only attribute does not protect a folder.
  std::vector<Case> cases{
      {dir / "missing", "x.lock", util::System_Error_Text(ERROR_PATH_NOT_FOUND)},
      {dir.path(), "folder.lock", util::System_Error_Text(ERROR_ACCESS_DENIED)}};
#else
  ASSERT_EQ(symlink((dir / "target").c_str(), (dir / "link.lock").c_str()), 0);
  std::vector<Case> cases{{dir / "missing", "x.lock", "No such file or directory"},
                          {dir.path(), "folder.lock", "Is a directory"},
                          {dir.path(), "link.lock", "Too many levels of symbolic links"},
                          {dir.path(), "fifo.lock", "", Refusal::Not_Regular_File}};
  ASSERT_EQ(mkfifo((dir / "fifo.lock").c_str(), 0666), 0);
  if (geteuid() != 0) {  // permissions do not stop root
    chmod(read_only.path().c_str(), 0555);
    cases.push_back({read_only.path(), "x.lock", "Permission denied"});
  }
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    util::Folder_Lock lock;
    EXPECT_EQ(lock.Try_Lock(c.folder, c.file), R::Unusable);
    EXPECT_FALSE(lock.Locked());
    ASSERT_TRUE(lock.Failure());
    EXPECT_EQ(lock.Failure()->What_Attempted(), util::File_Error::Attempt::Use);
    EXPECT_EQ(lock.Failure()->Path(), c.folder + "/" + c.file);
    EXPECT_EQ(lock.Failure()->Why(), c.refusal);
    EXPECT_EQ(lock.Failure()->Reason(), c.reason);
  }
  // A lock taken afterwards leaves no failure behind.
  util::Folder_Lock lock;
  ASSERT_EQ(lock.Try_Lock(dir / "missing", "x.lock"), R::Unusable);
  EXPECT_EQ(lock.Try_Lock(dir.path(), "x.lock"), R::Taken);
  EXPECT_FALSE(lock.Failure());
#ifndef _WIN32
  chmod(read_only.path().c_str(), 0755);
#endif
  EXPECT_FALSE(std::filesystem::exists(dir / "target")) << "nothing created through the link";
}

// A folder the product writes into is used only where it resolves inside its root; the message
// names the link, where it leads and the root.
TEST(Require_Inside, Links_Out_Of_The_Root_Are_Refused_By_Name) {
  test::Temp_Dir outside, root;
  const std::string conf = root / "PROJECTS/conf";
  std::filesystem::create_directories(conf);
  std::filesystem::create_directories(root / "elsewhere");
  const std::string real_outside = std::filesystem::canonical(outside.path()).string();
  struct Case {
    std::string what, link_target;  // "" = a plain folder, "-" = nothing there
    std::string link;               // the folder below the root that is checked
    std::string message;            // "" = passes
  };
  const std::vector<Case> cases{
      {"plain folder", "", conf + "/bin", ""},
      {"folder not there yet", "-", conf + "/bin", ""},
      {"link inside the root", root / "elsewhere", conf + "/bin", ""},
      {"link out of the root", outside.path(), conf + "/bin",
       conf + "/bin leads to " + real_outside + ", outside " + root.path() +
           ". Nothing was written."},
      {"link that points nowhere", outside / "gone", conf + "/bin",
       conf + "/bin leads to " + outside / "gone" + ", outside " + root.path() +
           ". Nothing was written."},
      {"link through the root's parent", "../../..", conf + "/bin", conf + "/bin leads to "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(c.link);
    if (c.link_target.empty())
      std::filesystem::create_directory(c.link);
    else if (c.link_target != "-" && !test::Make_Folder_Link(c.link_target, c.link))
      GTEST_SKIP() << "this system does not let this user make folder links";
    try {
      util::Require_Inside(root.path(), c.link + "/ICD_Catalog", test::English());
      EXPECT_EQ(c.message, "");
    } catch (const util::File_Error& e) {
      ASSERT_NE(c.message, "") << e.what();
      EXPECT_EQ(std::string(e.what()).find(c.message), 0u) << e.what();
    }
  }
  // A link higher up is named itself, not the folder below it.
  std::filesystem::remove_all(conf);
  ASSERT_TRUE(test::Make_Folder_Link(outside.path(), conf));
  EXPECT_THROW(
      {
        try {
          util::Require_Inside(root.path(), conf + "/bin", test::English());
        } catch (const util::File_Error& e) {
          EXPECT_EQ(std::string(e.what()).find(conf + " leads to " + real_outside), 0u) << e.what();
          throw;
        }
      },
      util::File_Error);
}

TEST(Sha256, Known_Digests) {
  EXPECT_EQ(util::Sha256_Hex(""),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(util::Sha256_Hex("abc"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(util::Sha256_Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(util::Sha256_Hex(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Xml, Parse_Error_Has_Line_And_Column) {
  pugi::xml_document doc;
  try {
    util::Load_Xml_Text(doc, "<a>\n  <b>\n</a>", "f.xml");
    FAIL() << "no error";
  } catch (const util::Xml_Error& e) {
    EXPECT_NE(std::string(e.what()).find("f.xml"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("line 3"), std::string::npos) << e.what();
  }
}

TEST(Xml, Reading_Rules) {
  pugi::xml_document doc;
  util::Load_Xml_Text(
      doc, "<!-- note --><Root><v>1</v><v>2</v><g><x/></g><e/><c><!--c-->t</c></Root>", "t");
  // The first top-level node is the root, whatever it is: here the comment.
  EXPECT_EQ(util::First_Top_Node(doc).type(), pugi::node_comment);
  pugi::xml_node root = doc.child("Root");
  EXPECT_EQ(util::Child_Text(root, "v").value(), "1");    // the first of a name counts
  EXPECT_FALSE(util::Child_Text(root, "V").has_value());  // names are case-sensitive
  EXPECT_FALSE(util::Child_Text(root, "g").has_value());  // holds elements: unreadable
  EXPECT_EQ(util::Child_Text(root, "e").value(), "");
  EXPECT_EQ(util::Child_Text(root, "c").value(), "t");
}

TEST(Xml, Writes_Without_Declaration_Or_Indentation) {
  pugi::xml_document doc;
  pugi::xml_node root = doc.append_child("R");
  doc.append_child(pugi::node_comment).set_value("SW_VERSION = 1.001");
  root.append_child("a").text().set("x & y");
  EXPECT_EQ(util::Xml_To_String(doc), "<R><a>x &amp; y</a></R><!--SW_VERSION = 1.001-->");
}

TEST(Utf, Decodes_Text_Files_By_Mark_Or_Content) {
  EXPECT_EQ(util::Decode_Text_File("\xEF\xBB\xBF"
                                   "caf\xC3\xA9"),
            "caf\xC3\xA9");
  EXPECT_EQ(util::Decode_Text_File(std::string("\xFF\xFE"
                                               "c\0\xE9\0",
                                               6)),
            "c\xC3\xA9");
  EXPECT_EQ(util::Decode_Text_File(std::string("\xFE\xFF\0c\0\xE9", 6)), "c\xC3\xA9");
  EXPECT_EQ(util::Decode_Text_File("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");  // Windows-1252
  EXPECT_EQ(util::Low_Bytes("A\xC3\xA9\xE2\x82\xAC"), "A\xE9\xAC");  // U+20AC keeps 0xAC
  EXPECT_FALSE(util::Is_Valid_Utf8("\xC0\xAF"));                     // overlong
}

}  // namespace

// A save replaces a file or a link, never anything else that stands in the target's place: a
// FIFO, a socket or a folder stays as it was, and no temporary file is left beside it.
TEST(Write_File_Atomic, Refuses_A_Target_That_Is_Not_A_Regular_File) {
#ifdef _WIN32
  GTEST_SKIP() << "FIFOs and sockets in folders are Linux kinds of file";
#else
  test::Temp_Dir dir;
  const struct {
    const char* kind;
    std::function<void(const std::string&)> make;
    const char* reason;
  } kinds[] = {
      {"FIFO", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0); },
       "not a regular file"},
      {"folder", [](const std::string& p) { std::filesystem::create_directory(p); },
       "Is a directory"},
      {"device", [](const std::string& p) { std::filesystem::create_symlink("/dev/null", p); },
       ""},  // a link: the rename replaces the link itself, the device is not touched
  };
  for (const auto& k : kinds) {
    SCOPED_TRACE(k.kind);
    const std::string target = dir / k.kind;
    k.make(target);
    try {
      util::Write_File_Atomic(target, "data");
      EXPECT_STREQ(k.reason, "");
      EXPECT_EQ(test::Read(target), "data");
    } catch (const util::File_Error& e) {
      EXPECT_EQ(std::string(e.what()).find("Cannot write " + target + ": "), 0u) << e.what();
      EXPECT_NE(std::string(e.what()).find(k.reason), std::string::npos) << e.what();
    }
  }
  EXPECT_TRUE(std::filesystem::is_fifo(dir / "FIFO"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
  EXPECT_EQ(util::List_Folder(dir.path()).size(), 3u) << "no temporary file stays";
#endif
}

// A loop of links is said to be one, not a place outside.
TEST(Require_Inside, A_Loop_Of_Links_Is_Named_A_Loop) {
  test::Temp_Dir root;
  const std::string bin = root / "bin", bin2 = root / "bin2";
  if (!test::Make_Folder_Link(bin2, bin) || !test::Make_Folder_Link(bin, bin2))
    GTEST_SKIP() << "this system does not let this user make folder links";
  try {
    util::Require_Inside(root.path(), bin, test::English());
    FAIL() << "a loop passed";
  } catch (const util::File_Error& e) {
#ifndef _WIN32  // which error Windows gives for a loop depends on the file system
    EXPECT_EQ(std::string(e.what()), bin + " is a loop of links. Nothing was written.");
#endif
  }
}

TEST(Xml, Texts_Xml_Cannot_Hold) {
  const struct {
    const char* text;
    bool held;
  } cases[] = {
      {"plain \xC3\xA9 \xEF\xBF\xBD \xF0\x9F\x98\x80 \t\r\n", true},  // U+FFFD, an emoji
      {"\x01", false},
      {"a\x1b[2J", false},
      {"\xEF\xBF\xBE", false},  // U+FFFE
      {"\xEF\xBF\xBF", false},  // U+FFFF
      {"\xED\xA0\x80", false},  // a lone surrogate, as a reader decodes &#xD800;
      {"\xED\x9F\xBF", true},   // U+D7FF, just below the surrogates
  };
  for (const auto& c : cases) EXPECT_EQ(util::Is_Xml_Text(c.text), c.held) << c.text;
}
