// Finding the selected files of a delete again after a failed attempt, from the directory alone.
#include "devicefiles/FileMatching.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A listed picture header; `name` "Fish#2" is a Fish of another checksum.
TRawHeader Listed(const std::string& name) {
  TRawHeader raw{};
  raw[0] = 0x20;
  raw[1] = 0x0A;
  raw[6] = 4;
  const std::string base = name.substr(0, name.find('#'));
  std::copy(base.begin(), base.end(), raw.begin() + 12);
  if (name.find('#') != std::string::npos) raw[28] = static_cast<std::uint8_t>(name.back());
  return raw;
}

std::vector<TRawHeader> Directory(const std::vector<std::string>& names) {
  std::vector<TRawHeader> list;
  for (const std::string& name : names) list.push_back(Listed(name));
  return list;
}

TEST(FileMatching, DeleteRetryFindsTheSelectedFilesStillThere) {
  struct Case {
    const char* what;
    std::vector<std::string> before;
    std::vector<int> selected;
    std::vector<std::string> now;
    std::vector<int> remaining;
    bool consistent;
  };
  const Case cases[] = {
      {"nothing deleted yet",
       {"A", "Fish", "Flag", "Keep"},
       {1, 2},
       {"A", "Fish", "Flag", "Keep"},
       {1, 2},
       true},
      {"the higher one deleted",
       {"A", "Fish", "Flag", "Keep"},
       {1, 2},
       {"A", "Fish", "Keep"},
       {1},
       true},
      {"all deleted", {"A", "Fish", "Flag", "Keep"}, {1, 2}, {"A", "Keep"}, {}, true},
      // Twins with the same header: the one deleted first was the later, selected one.
      {"twin selected after its brother", {"A", "Fish", "Fish"}, {2}, {"A", "Fish"}, {}, true},
      {"twin selected before its brother",
       {"A", "Fish", "Fish", "Flag"},
       {1, 3},
       {"A", "Fish", "Fish"},
       {1},
       true},
      {"same name, another file", {"A", "Fish", "Flag"}, {1}, {"A", "Fish#2", "Flag"}, {}, false},
      {"a file added meanwhile",
       {"A", "Fish", "Flag"},
       {1, 2},
       {"A", "Fish", "Flag", "New"},
       {1, 2},
       false},
      {"a twin added meanwhile",
       {"A", "Fish", "Flag"},
       {1, 2},
       {"A", "Fish", "Flag", "Fish"},
       {2},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<TRawHeader> before = Directory(c.before);
    const std::vector<TRawHeader> now = Directory(c.now);
    const TDeleteRetryPlan plan = PlanDeleteRetry(before, c.selected, now);
    EXPECT_EQ(plan.Remaining, c.remaining);
    EXPECT_EQ(plan.Consistent, c.consistent);
  }
}

TEST(FileMatching, UploadCountsAsStoredOnlyAsTheOneNewLastFile) {
  const TRawHeader sent = Listed("Reef");
  TRawHeader sentWithOtherMark = sent;
  sentWithOtherMark[5] = 0xFF;
  EXPECT_TRUE(UploadStored(2, sent, Directory({"A", "B", "Reef"})));
  EXPECT_TRUE(UploadStored(2, sentWithOtherMark, Directory({"A", "B", "Reef"})));
  EXPECT_FALSE(UploadStored(2, sent, Directory({"A", "B"})));
  EXPECT_FALSE(UploadStored(3, sent, Directory({"A", "Reef", "Reef"})));
  EXPECT_FALSE(UploadStored(2, sent, Directory({"A", "B", "Reef#2"})));
}

}  // namespace
