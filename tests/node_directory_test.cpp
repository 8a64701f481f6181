// The node directory: counts, names in Windows-1251, missing keys and sections, wild counts,
// and files that are no ini files at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "gsm/node_directory.h"
#include "platform/text.h"

using gsm::NodeDirectory;

namespace {

// An ini text written as the directory's makers write it: Windows-1251, CR LF.
std::string Ini(const std::string& utf8) {
  std::string crlf;
  for (char c : utf8) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return platform::ToCp1251(crlf);
}

}  // namespace

TEST(NodeDirectory, ListsTheCountedNodesInFileOrder) {
  struct Case {
    const char* name;
    std::string ini;
    std::int32_t count;
    std::vector<std::string> names, phones;
  };
  const Case cases[] = {
      {"three nodes, a key beyond the count ignored",
       Ini("[baza]\nkol_uzlov=3\ntel_1=+79001110001\nname_u1=Котельная №1\n"
           "tel_2=+79001110002\nname_u2=Школа, корпус 2; подвал\ntel_3=ATD89001110003\n"
           "name_u3=Насосная \"Юг\"\ntel_4=+79001110004\nname_u4=Лишний\n"),
       3,
       {"Котельная №1", "Школа, корпус 2; подвал", "Насосная \"Юг\""},
       {"+79001110001", "+79001110002", "ATD89001110003"}},
      {"keys in any order, other sections and comments around",
       Ini("; справочник\n[other]\nkol_uzlov=9\n[BAZA]\nname_u2=Б\nTel_2 = 222 \n"
           "kol_uzlov = 2\nname_u1=А\ntel_1=111\n[next]\ntel_1=999\n"),
       2,
       {"А", "Б"},
       {"111", "222"}},
      {"missing keys give empty texts", Ini("[baza]\nkol_uzlov=3\nname_u1=А\ntel_3=333\n"), 3,
       {"А", "", ""}, {"", "", "333"}},
      {"the first of repeated keys counts", Ini("[baza]\nkol_uzlov=1\ntel_1=1\ntel_1=2\n"), 1,
       {""}, {"1"}},
      {"lines ending in LF alone", "[baza]\nkol_uzlov=1\nname_u1=x\ntel_1=7\n", 1, {"x"}, {"7"}},
      {"count 0", Ini("[baza]\nkol_uzlov=0\ntel_1=1\n"), 0, {}, {}},
      {"negative count", Ini("[baza]\nkol_uzlov=-4\ntel_1=1\n"), -4, {}, {}},
      {"count not a number", Ini("[baza]\nkol_uzlov=три\ntel_1=1\n"), 0, {}, {}},
      {"count missing", Ini("[baza]\ntel_1=1\nname_u1=А\n"), 0, {}, {}},
      {"section missing", Ini("[baz]\nkol_uzlov=1\ntel_1=1\n"), 0, {}, {}},
      {"empty file", "", 0, {}, {}},
      {"not an ini file", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR[baza\0]=\xff\xfe", 27), 0,
       {}, {}},
      {"a section without its bracket", "[baza\nkol_uzlov=1\ntel_1=1\n", 0, {}, {}},
  };
  for (const auto& c : cases) {
    const NodeDirectory d = gsm::ParseNodeDirectory(c.ini);
    EXPECT_EQ(d.NodeCount, c.count) << c.name;
    EXPECT_EQ(d.NodeNames, c.names) << c.name;
    EXPECT_EQ(d.NodePhones, c.phones) << c.name;
  }
}

TEST(NodeDirectory, CountsAbove256ListEveryNodeTheFileHolds) {
  std::string text = "[baza]\nkol_uzlov=300\n";
  for (int n = 1; n <= 300; ++n)
    text += "tel_" + std::to_string(n) + "=" + std::to_string(n) + "\nname_u" +
            std::to_string(n) + "=Узел " + std::to_string(n) + "\n";
  const NodeDirectory all = gsm::ParseNodeDirectory(Ini(text));
  ASSERT_EQ(all.NodeNames.size(), 300u);
  EXPECT_EQ(all.NodeNames[299], "Узел 300");
  EXPECT_EQ(all.NodePhones[256], "257");

  // A wild count costs nothing: nodes up to the highest number the file has keys for.
  const NodeDirectory wild = gsm::ParseNodeDirectory(
      Ini("[baza]\nkol_uzlov=2000000000\ntel_1=1\nname_u3=В\ntel_0=0\ntel_007=7\n"
          "tel_99999999999=9\n"));
  EXPECT_EQ(wild.NodeCount, 2000000000);
  EXPECT_EQ(wild.NodeNames, (std::vector<std::string>{"", "", "В"}));
  EXPECT_EQ(wild.NodePhones, (std::vector<std::string>{"1", "", ""}));
  EXPECT_TRUE(gsm::ParseNodeDirectory(Ini("[baza]\nkol_uzlov=99999999999\ntel_1=1\n"))
                  .NodeNames.empty());

  // Nor a wild key number: a 45-byte file once listed two thousand million empty nodes.
  const NodeDirectory wildKey =
      gsm::ParseNodeDirectory(Ini("[baza]\nkol_uzlov=2000000000\ntel_2000000000=1\n"));
  EXPECT_EQ(wildKey.NodePhones.size(), 9999u);
  EXPECT_EQ(wildKey.NodeNames.size(), 9999u);
}

TEST(NodeDirectory, ReadsTheFileAndGivesNothingWhenThereIsNone) {
  const auto dir = std::filesystem::temp_directory_path() / "node_directory_test";
  std::filesystem::create_directories(dir);
  const auto path = (dir / gsm::kNodeDirectoryFile).string();
  std::ofstream(path, std::ios::binary) << Ini("[baza]\nkol_uzlov=1\ntel_1=+7\nname_u1=Узел\n");
  const NodeDirectory d = gsm::ReadNodeDirectory(path);
  EXPECT_EQ(d.NodeNames, std::vector<std::string>{"Узел"});
  EXPECT_EQ(d.NodePhones, std::vector<std::string>{"+7"});
  for (const auto& missing : {(dir / "none.ini").string(), dir.string()}) {
    const NodeDirectory none = gsm::ReadNodeDirectory(missing);
    EXPECT_EQ(none.NodeCount, 0) << missing;
    EXPECT_TRUE(none.NodeNames.empty()) << missing;
  }
  std::filesystem::remove_all(dir);
}
