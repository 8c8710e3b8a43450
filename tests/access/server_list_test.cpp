#include "access/server_list.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "access/access_test_models.h"
#include "util/files.h"

namespace {

using namespace UIEC_61850_Access;

struct Server_List : ::testing::Test {
  test::Temp_Dir dir;
  Access_State state;
  std::string conf = dir / "conf";
  std::string catalog = dir / "conf/ICD_Catalog";
  int questions = 0;
  std::vector<std::string> asked;  // "file|IED" of every question

  void SetUp() override { util::Force_Dirs(conf); }
  Overwrite_Asker Asker(Overwrite_Answer answer) {
    return [this, answer](const std::string& file, const std::string& ied) {
      ++questions;
      asked.push_back(file + "|" + ied);
      return answer;
    };
  }
  size_t Add(const std::string& chosen, Overwrite_Answer answer = Overwrite_Answer::Yes) {
    return Add_IEC_Device(state, conf, chosen, Asker(answer), test::English(), test::Fake_Import);
  }
  // The message of a failed add; empty when it did not fail.
  std::string Add_Failure(const std::string& chosen) {
    try {
      Add(chosen);
    } catch (const std::exception& failure) {
      return failure.what();
    }
    return "";
  }
};

TEST_F(Server_List, Copies_Into_The_Catalog_And_Imports_The_Copy) {
  test::Write(dir / "a.icd", test::Fake_Scl("IED1"));
  EXPECT_EQ(Add(dir / "a.icd"), 1u);
  EXPECT_EQ(questions, 0);
  EXPECT_EQ(test::Read(catalog + "/a.icd"), test::Fake_Scl("IED1"));
  ASSERT_EQ(state.List_IEC_Dev.size(), 1u);
  EXPECT_EQ(state.List_IEC_Dev[0]->Name(), "IED1");
  EXPECT_EQ(state.List_IEC_Dev[0]->FileName(), "a.icd");

  // The same file again is a second server.
  EXPECT_EQ(Add(dir / "a.icd"), 1u);
  EXPECT_EQ(questions, 1);
  EXPECT_EQ(state.List_IEC_Dev.size(), 2u);
}

TEST_F(Server_List, Overwrite_Answers) {
  struct Case {
    Overwrite_Answer answer;
    bool added;
    const char* server;  // name of the added server
    std::string catalog_copy;
  };
  const Case cases[] = {
      {Overwrite_Answer::Yes, true, "NEW", test::Fake_Scl("NEW")},
      {Overwrite_Answer::No, true, "OLD", test::Fake_Scl("OLD")},
      {Overwrite_Answer::Cancel, false, "", test::Fake_Scl("OLD")},
  };
  test::Write(dir / "a.icd", test::Fake_Scl("NEW"));
  util::Force_Dirs(catalog);
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.answer));
    state.Reset();
    questions = 0;
    test::Write(catalog + "/a.icd", test::Fake_Scl("OLD"));
    EXPECT_EQ(Add(dir / "a.icd", c.answer), c.added ? 1u : 0u);
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(test::Read(catalog + "/a.icd"), c.catalog_copy);
    ASSERT_EQ(state.List_IEC_Dev.size(), c.added ? 1u : 0u);
    if (c.added) {
      EXPECT_EQ(state.List_IEC_Dev[0]->Name(), c.server);
    }
  }
}

TEST_F(Server_List, Failed_Copy_Is_Reported_And_Adds_Nothing) {
  const auto catalog_of = [](const std::string& folder) { return folder + "/ICD_Catalog"; };
#ifdef _WIN32
  const std::string file_in_place = util::System_Error_Text(ERROR_ALREADY_EXISTS);
  const std::string not_a_folder = "Cannot create the folder " + (dir / "conf3") + ": " +
                                   util::System_Error_Text(ERROR_ALREADY_EXISTS);
#else
  const std::string file_in_place = util::System_Error_Text(EEXIST);
  const std::string not_a_folder = "Cannot create the folder " + catalog_of(dir / "conf3") + ": " +
                                   util::System_Error_Text(ENOTDIR);
#endif
  // Unreadable source.
  std::string failure = Add_Failure(dir / "missing.icd");
  EXPECT_NE(failure.find("missing.icd"), std::string::npos) << failure;
  EXPECT_NE(failure.find(test::No_Such_File_Text()), std::string::npos) << failure;
  EXPECT_TRUE(state.List_IEC_Dev.empty());
  EXPECT_FALSE(util::File_Exists(catalog + "/missing.icd"));

  // The catalog cannot be made: a regular file stands where its folder should be.
  test::Write(dir / "a.icd", test::Fake_Scl("IED1"));
  conf = dir / "conf2";
  util::Force_Dirs(conf);
  test::Write(conf + "/ICD_Catalog", "not a folder");
  failure = Add_Failure(dir / "a.icd");
  EXPECT_EQ(failure, "Cannot create the folder " + catalog_of(conf) + ": " + file_in_place);
  EXPECT_TRUE(state.List_IEC_Dev.empty());

  // The configuration's folder is a regular file: the reason is the catalog's own, whatever the
  // calls after the failed one leave behind.
  conf = dir / "conf3";
  test::Write(conf, "not a folder");
  failure = Add_Failure(dir / "a.icd");
  EXPECT_EQ(failure, not_a_folder) << failure;
  EXPECT_TRUE(state.List_IEC_Dev.empty());
  EXPECT_EQ(test::Read(conf), "not a folder");
}

TEST_F(Server_List, File_That_Is_Not_Xml_Is_Reported_And_Its_Copy_Stays) {
  test::Write(dir / "bad.icd", "<SCL");
  const std::string failure = Add_Failure(dir / "bad.icd");
  EXPECT_NE(failure.find("unexpected end of data"), std::string::npos) << failure;
  EXPECT_TRUE(state.List_IEC_Dev.empty());
  EXPECT_TRUE(util::File_Exists(catalog + "/bad.icd"));
}

TEST(Catalog_Path, Only_The_File_Name_Counts) {
  EXPECT_EQ(Catalog_Path("/c/ICD_Catalog", "a.icd"), "/c/ICD_Catalog/a.icd");
  EXPECT_EQ(Catalog_Path("/c/ICD_Catalog", "../../etc/a.icd"), "/c/ICD_Catalog/a.icd");
  EXPECT_EQ(Catalog_Path("/c/ICD_Catalog", "C:\\scl\\b.cid"), "/c/ICD_Catalog/b.cid");
  EXPECT_EQ(Catalog_Path("/c/ICD_Catalog", "/abs/x.scd"), "/c/ICD_Catalog/x.scd");
  for (const char* unusable : {"", ".", "..", "dir/", "a/.."})
    EXPECT_EQ(Catalog_Path("/c/ICD_Catalog", unusable), "") << unusable;
  EXPECT_EQ(Catalog_Dir("/c"), "/c/ICD_Catalog");
}

// A file with several IEDs: the IEDs picked become servers of their own, each from a catalog
// file holding only it.
struct Several_Ieds : Server_List {
  std::string source = test::Data_Dir() + "/scl/fixtures/multi.scd";
  std::vector<std::string> offered;

  size_t Add_Picked(std::vector<size_t> picks, Overwrite_Answer answer = Overwrite_Answer::Yes) {
    return Add_IEC_Devices(
        state, conf, source, UIEC_Client_Decode::List_IEDs(source),
        [&](const std::vector<IED_Info>& ieds) {
          offered.clear();
          for (const IED_Info& ied : ieds) offered.push_back(ied.name);
          return picks;
        },
        Asker(answer), test::English());
  }
  std::vector<std::string> Servers() const {
    std::vector<std::string> names;
    for (const auto& device : state.List_IEC_Dev)
      names.push_back(device->Name() + " " + device->FileName());
    return names;
  }
};

TEST_F(Several_Ieds, Picked_Ieds_Are_Added_In_File_Order_From_Files_Of_Their_Own) {
  EXPECT_EQ(Add_Picked({2, 1, 0}), 3u);
  EXPECT_EQ(offered, (std::vector<std::string>{"P1", "P2", "A/B", "Bare"}));
  EXPECT_EQ(Servers(),
            (std::vector<std::string>{"P1 multi_P1.scd", "P2 multi_P2.scd", "A/B multi_A_B.scd"}));
  EXPECT_EQ(state.List_IEC_Dev[1]->List_LDevice.at(0)->Name(), "CTRL");
  EXPECT_TRUE(state.List_IEC_Dev[2]->List_LDevice.empty());  // no server in that IED
  EXPECT_EQ(questions, 0);
  EXPECT_FALSE(util::File_Exists(catalog + "/multi.scd"));
}

TEST_F(Several_Ieds, Cancel_In_The_Chooser_Adds_Nothing) {
  EXPECT_EQ(Add_Picked({}), 0u);
  EXPECT_TRUE(state.List_IEC_Dev.empty());
  EXPECT_FALSE(util::Dir_Exists(catalog));
}

TEST_F(Several_Ieds, Overwrite_Answers_For_The_File_Of_The_Same_Ied) {
  const std::string old_copy = "<SCL><IED name='P1' desc='old'/><DataTypeTemplates/></SCL>";
  const struct {
    Overwrite_Answer answer;
    std::vector<std::string> servers;
    bool replaced;
  } cases[] = {
      {Overwrite_Answer::Yes, {"P1 multi_P1.scd", "P2 multi_P2.scd"}, true},
      {Overwrite_Answer::No, {"P1 multi_P1.scd", "P2 multi_P2.scd"}, false},
      // Cancel stops at the taken name: neither it nor the IEDs after it are added
      {Overwrite_Answer::Cancel, {}, false},
  };
  for (const auto& c : cases) {
    state.Reset();
    questions = 0;
    asked.clear();
    util::Force_Dirs(catalog);
    std::remove((catalog + "/multi_P2.scd").c_str());
    test::Write(catalog + "/multi_P1.scd", old_copy);
    Add_Picked({0, 1}, c.answer);
    EXPECT_EQ(asked, (std::vector<std::string>{"multi_P1.scd|P1"}));
    EXPECT_EQ(Servers(), c.servers);
    EXPECT_EQ(test::Read(catalog + "/multi_P1.scd") != old_copy, c.replaced);
    EXPECT_EQ(util::File_Exists(catalog + "/multi_P2.scd"), !c.servers.empty());
    EXPECT_FALSE(util::File_Exists(catalog + "/multi_P1_2.scd"));
  }
}

// A catalog name that another IED's file already has (or a file that is not SCL) is never
// written over nor read as this IED: the IED gets the next free numbered name, or the numbered
// file that already holds it.
TEST_F(Several_Ieds, A_Name_Taken_By_Another_Ied_Gets_A_Number) {
  util::Force_Dirs(catalog);
  const std::string other = "<SCL><IED name='OTHER'/><DataTypeTemplates/></SCL>";
  test::Write(catalog + "/multi_P1.scd", other);
  test::Write(catalog + "/multi_P1_2.scd", "not SCL");
  EXPECT_EQ(Add_Picked({0}), 1u);
  EXPECT_EQ(Servers(), (std::vector<std::string>{"P1 multi_P1_3.scd"}));
  EXPECT_EQ(questions, 0);
  EXPECT_EQ(test::Read(catalog + "/multi_P1.scd"), other);
  EXPECT_EQ(test::Read(catalog + "/multi_P1_2.scd"), "not SCL");

  // P1 again finds its own file and asks about it.
  EXPECT_EQ(Add_Picked({0}, Overwrite_Answer::No), 1u);
  EXPECT_EQ(asked, (std::vector<std::string>{"multi_P1_3.scd|P1"}));
  EXPECT_EQ(Servers().back(), "P1 multi_P1_3.scd");
}

TEST(Overwrite_Question, Names_The_File_And_Its_Ied) {
  EXPECT_EQ(Overwrite_Question_For("s_a_b.scd", "a/b", test::English()),
            "File s_a_b.scd (IED \"a/b\") already exists in catalog directory. Do you want to "
            "overwrite file?");
  EXPECT_EQ(Overwrite_Question_For("x%2.icd", "", test::English()),
            "File x%2.icd already exists in catalog directory. Do you want to overwrite file?");
}

// An IED whose name holds a control character (read from a character reference) cannot be
// written into any file: adding it is refused before anything is copied.
TEST_F(Server_List, An_Ied_Name_With_A_Control_Character_Is_Refused) {
  const std::string ied = "<SCL><IED name='bad&#1;name'/><DataTypeTemplates/></SCL>";
  test::Write(dir / "one.icd", ied);
  std::string failure = Add_Failure(dir / "one.icd");
  EXPECT_NE(failure.find("one.icd: the IED's name holds a control character"), std::string::npos)
      << failure;
  EXPECT_NE(failure.find("\"bad?name\""), std::string::npos) << failure;
  EXPECT_FALSE(util::Dir_Exists(catalog));

  test::Write(dir / "two.scd",
              "<SCL><IED name='good'/><IED name='bad&#1;name'/><DataTypeTemplates/></SCL>");
  try {
    Add_IEC_Devices(
        state, conf, dir / "two.scd", UIEC_Client_Decode::List_IEDs(dir / "two.scd"),
        [](const std::vector<IED_Info>&) {
          return std::vector<size_t>{0, 1};
        },
        Asker(Overwrite_Answer::Yes), test::English());
    ADD_FAILURE() << "added";
  } catch (const std::exception& e) {
    failure = e.what();
  }
  EXPECT_NE(failure.find("control character"), std::string::npos) << failure;
  ASSERT_EQ(state.List_IEC_Dev.size(), 1u);  // the one before it stays
  EXPECT_EQ(state.List_IEC_Dev[0]->Name(), "good");
  EXPECT_EQ(util::List_Folder(catalog), (std::vector<std::string>{"two_good.scd"}));
}

}  // namespace
