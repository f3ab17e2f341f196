#include "devicefiles/Catalogue.h"

#include <gtest/gtest.h>

using platform::Bytes;

namespace {

Bytes RawHeader(std::uint8_t type, std::uint8_t mark, const std::string& name) {
  Bytes raw(32, 0);
  platform::WriteLE32(raw, 0, 2592);
  raw[5] = mark;
  raw[6] = type;
  std::copy(name.begin(), name.end(), raw.begin() + 12);
  return raw;
}

// A reply whose length field says `claimed` and that holds the given headers.
Bytes DirectoryReply(const std::vector<Bytes>& headers, std::uint32_t claimed) {
  Bytes reply;
  platform::AppendLE(reply, claimed, 4);
  for (const Bytes& header : headers) reply.insert(reply.end(), header.begin(), header.end());
  return reply;
}

Bytes DirectoryReply(const std::vector<Bytes>& headers) {
  return DirectoryReply(headers, static_cast<std::uint32_t>(4 + 32 * headers.size()));
}

std::vector<Bytes> Pictures(int count) {
  std::vector<Bytes> headers;
  for (int i = 0; i < count; ++i) headers.push_back(RawHeader(4, 0, "p" + std::to_string(i)));
  return headers;
}

}  // namespace

TEST(Catalogue, BuildsEntriesInReplyOrderAndSplitsLanguages) {
  TCatalogue catalogue;
  const auto names = catalogue.BuildCatalogue(
      DirectoryReply(
          {RawHeader(3, 0, "Italiano"), RawHeader(3, 0, "English"), RawHeader(3, 0xFF, "Deutsch")}),
      kTypeLanguage);
  ASSERT_EQ(catalogue.CatalogueCount(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(catalogue.Entry(i)->Position, i + 1);
    EXPECT_EQ(catalogue.Entry(i)->DirIndex, i);
  }
  EXPECT_EQ(names.Factory, QStringList({"Italiano", "English"}));
  EXPECT_EQ(names.Added, QStringList({"Deutsch"}));
  EXPECT_EQ(catalogue.FileRequestParam(2), (std::array<std::uint8_t, 3>{0xFF, 3, 3}));
  EXPECT_EQ(catalogue.FileRequestParam(3), (std::array<std::uint8_t, 3>{0, 0, 0}));

  const auto pictureNames = catalogue.BuildCatalogue(DirectoryReply(Pictures(2)), kTypePicture);
  EXPECT_TRUE(pictureNames.Factory.isEmpty());
  EXPECT_TRUE(pictureNames.Added.isEmpty());
}

// Each entry holds its own file, so nothing has to be kept aligned with the entries by hand.
TEST(Catalogue, EntriesHoldTheirFilesAndTakeThemAlong) {
  TCatalogue catalogue;
  catalogue.BuildCatalogue(DirectoryReply(Pictures(3)), kTypePicture);
  EXPECT_EQ(catalogue.FileCount(), 0);
  EXPECT_EQ(catalogue.File(0), nullptr);
  for (int i = 0; i < 3; ++i) catalogue.SetFile(i, Bytes(2592, static_cast<std::uint8_t>(i)));
  catalogue.SetFile(3, Bytes(1));  // no such entry
  EXPECT_EQ(catalogue.FileCount(), 3);

  ASSERT_TRUE(catalogue.RemoveEntry(1));
  ASSERT_NE(catalogue.File(1), nullptr);
  EXPECT_EQ(catalogue.File(1)->front(), 2);
  EXPECT_EQ(catalogue.FileCount(), 2);

  catalogue.ClearFiles();
  EXPECT_EQ(catalogue.FileCount(), 0);
  EXPECT_EQ(catalogue.CatalogueCount(), 2);
  catalogue.SetFile(0, Bytes(2592, 1));
  catalogue.BuildCatalogue(DirectoryReply(Pictures(2)), kTypePicture);
  EXPECT_EQ(catalogue.FileCount(), 0);  // a directory read afresh holds no files yet
}

TEST(Catalogue, MalformedRepliesGiveOnlyTheWholeHeadersTheyHold) {
  TCatalogue catalogue;
  const auto countOf = [&](const Bytes& reply) {
    catalogue.BuildCatalogue(reply, kTypePicture);
    return catalogue.CatalogueCount();
  };
  EXPECT_EQ(countOf(DirectoryReply({})), 0);
  EXPECT_EQ(countOf(DirectoryReply(Pictures(3), 100)), 3);
  // Length field claims five headers, the reply holds two and a half.
  Bytes truncated = DirectoryReply(Pictures(3), 4 + 5 * 32);
  truncated.resize(4 + 2 * 32 + 16);
  EXPECT_EQ(countOf(truncated), 2);
  // Length not 4 plus a multiple of 32: the partial header is ignored.
  EXPECT_EQ(countOf(DirectoryReply(Pictures(3), 4 + 2 * 32 + 31)), 2);
  EXPECT_EQ(countOf(DirectoryReply(Pictures(3), 3)), 0);
  EXPECT_EQ(countOf(DirectoryReply(Pictures(3), 0)), 0);
  EXPECT_EQ(countOf(DirectoryReply(Pictures(3), 0xFFFFFFFF)), 3);
  EXPECT_EQ(countOf(Bytes{0x24, 0x00}), 0);
  EXPECT_EQ(countOf(Bytes{}), 0);
}

TEST(Catalogue, KeepsNoMoreEntriesThanOneBytePositionsAddress) {
  TCatalogue catalogue;
  catalogue.BuildCatalogue(DirectoryReply(Pictures(300)), kTypePicture);
  ASSERT_EQ(catalogue.CatalogueCount(), 255);
  EXPECT_EQ(catalogue.Entry(254)->Position, 255);
  EXPECT_EQ(catalogue.Entry(254)->DirIndex, 254);
  EXPECT_EQ(catalogue.AppendEntry(), nullptr);
  EXPECT_EQ(catalogue.CatalogueCount(), 255);
}

TEST(Catalogue, MarkDefaultUsesTheAreaReplyOrTheFallback) {
  TCatalogue catalogue;
  catalogue.BuildCatalogue(DirectoryReply(Pictures(4)), kTypePicture);

  EXPECT_TRUE(catalogue.MarkDefault(Bytes{0x00, 0x00, 0x03, 0x00}, 1));
  EXPECT_EQ(catalogue.Entry(2)->DefaultFlag, 1);
  EXPECT_EQ(catalogue.DefaultPosition(), 3);

  // Marks already set stay; an invalid index marks the fallback instead.
  EXPECT_FALSE(catalogue.MarkDefault(Bytes{0x00, 0x00, 0x00, 0x00}, 1));
  EXPECT_EQ(catalogue.Entry(1)->DefaultFlag, 1);
  EXPECT_EQ(catalogue.Entry(2)->DefaultFlag, 1);
  EXPECT_FALSE(catalogue.MarkDefault(Bytes{0x00, 0x00, 0x05, 0x00}, 0));
  EXPECT_EQ(catalogue.Entry(0)->DefaultFlag, 1);
  EXPECT_FALSE(catalogue.MarkDefault(Bytes{0x00, 0x00}, 3));
  EXPECT_EQ(catalogue.Entry(3)->DefaultFlag, 1);
}

TEST(Catalogue, DefaultPositionIsTheLastMarkedEntry) {
  TCatalogue catalogue;
  catalogue.BuildCatalogue(DirectoryReply(Pictures(7)), kTypePicture);
  EXPECT_EQ(catalogue.DefaultPosition(), 0);
  catalogue.Entry(2)->DefaultFlag = 1;
  catalogue.Entry(5)->DefaultFlag = 1;
  EXPECT_EQ(catalogue.DefaultPosition(), 6);
}

TEST(Catalogue, MissingFallbackMarksNothing) {
  TCatalogue catalogue;
  EXPECT_FALSE(catalogue.MarkDefault(Bytes{0, 0, 0, 0}, 0));
  EXPECT_EQ(catalogue.DefaultPosition(), 0);

  catalogue.BuildCatalogue(DirectoryReply(Pictures(1)), kTypePicture);
  EXPECT_FALSE(catalogue.MarkDefault(Bytes{0, 0, 0, 0}, 1));
  EXPECT_EQ(catalogue.DefaultPosition(), 0);
}

TEST(Catalogue, AppendRemoveAndClear) {
  TCatalogue catalogue;
  catalogue.BuildCatalogue(DirectoryReply(Pictures(5)), kTypePicture);

  TFileHeader upload;
  upload.TypeCode = kTypePicture;
  upload.AddedMark = 0xFF;
  upload.Position = 255;  // an upload's header says so; its place in the catalogue is another
  ASSERT_NE(catalogue.AppendEntry(upload), nullptr);
  EXPECT_EQ(catalogue.FileRequestParam(5), (std::array<std::uint8_t, 3>{0xFF, 4, 6}));

  // Removing entries renumbers the later ones; their place in the directory reply stays.
  ASSERT_TRUE(catalogue.RemoveEntry(4));
  ASSERT_TRUE(catalogue.RemoveEntry(3));
  EXPECT_FALSE(catalogue.RemoveEntry(4));
  ASSERT_EQ(catalogue.CatalogueCount(), 4);
  EXPECT_EQ(catalogue.Entry(3)->Position, 4);
  EXPECT_EQ(catalogue.Entry(3)->AddedMark, 0xFF);
  EXPECT_EQ(catalogue.Entry(2)->DirIndex, 2);

  catalogue.ClearCatalogue();
  EXPECT_EQ(catalogue.CatalogueCount(), 0);
  EXPECT_EQ(catalogue.DefaultPosition(), 0);
  EXPECT_EQ(catalogue.AppendEntry()->Position, 1);
}

// The default-mark rule of both device pages: one entry marked, the one before returned (the
// last marked one, or the page's "none" when none was), and moving back restores it.
TEST(Catalogue, MoveDefaultMarksOneEntryAndUndoes) {
  const struct {
    const char* what;
    std::vector<int> marked;
    int selected;
    int noneMarked;
    int previous;
  } rows[] = {
      {"one marked", {2}, 4, 0, 2},
      {"several marked: the last is the default", {1, 3}, 0, 0, 3},
      {"none marked, pictures", {}, 4, 0, 0},
      {"none marked, languages", {}, 4, -1, -1},
      {"a selection that does not exist clears every mark", {2}, 9, -1, 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TCatalogue catalogue;
    catalogue.BuildCatalogue(DirectoryReply(Pictures(5)), kTypePicture);
    for (const int i : row.marked) catalogue.Entry(i)->DefaultFlag = 1;
    EXPECT_EQ(catalogue.MoveDefault(row.selected, row.noneMarked), row.previous);
    int marks = 0;
    for (int i = 0; i < catalogue.CatalogueCount(); ++i) marks += catalogue.Entry(i)->DefaultFlag;
    EXPECT_EQ(marks, row.selected < catalogue.CatalogueCount() ? 1 : 0);
    catalogue.MoveDefault(row.previous, row.noneMarked);
    EXPECT_EQ(catalogue.DefaultPosition(), row.previous + 1);
  }
}
