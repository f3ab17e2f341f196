// The device picture lists draw each item as its name above its full-size picture.
#include <gtest/gtest.h>

#include <QListWidget>

#include "picture/PictureCodec.h"
#include "pictures/PictureListWidget.h"

namespace {

TEST(PictureListTest, ItemShowsNameAboveUnscaledPictureWithRedAsBackground) {
  QListWidget list;
  list.resize(200, 260);
  TPictureItemDelegate::Install(&list);

  QImage picture = MakeWorkingPicture();
  picture.fill(kLevelColors[1]);
  picture.setPixel(10, 10, kInvalidLevelColor);  // red shows the background
  TPictureItemDelegate::AddItem(&list, "reef", picture);
  TPictureItemDelegate::AddItem(&list, "fish", picture);

  EXPECT_EQ(list.visualItemRect(list.item(0)).height(), TPictureItemDelegate::kItemHeight);
  EXPECT_EQ(list.visualItemRect(list.item(1)).top(), TPictureItemDelegate::kItemHeight);

  const QImage shot = list.viewport()->grab().toImage();
  const int top = 2 * list.font().pointSize();
  const QPoint origin(TPictureItemDelegate::kLeftMargin, top);
  EXPECT_EQ(shot.pixel(origin + QPoint(0, 0)) & 0xFFFFFF, kLevelColors[1] & 0xFFFFFF);
  EXPECT_EQ(shot.pixel(origin + QPoint(127, 79)) & 0xFFFFFF, kLevelColors[1] & 0xFFFFFF);
  EXPECT_NE(shot.pixel(origin + QPoint(128, 40)) & 0xFFFFFF, kLevelColors[1] & 0xFFFFFF);
  const QRgb background = list.palette().color(QPalette::Base).rgb();
  EXPECT_EQ(shot.pixel(origin + QPoint(10, 10)) & 0xFFFFFF, background & 0xFFFFFF);
}

// A file the device could not deliver whole: its name, and nothing in the picture's place that
// could pass for a picture or for a frame around one, selected or not.
TEST(PictureListTest, ItemWithoutAPictureShowsItsNameOnly) {
  QListWidget list;
  list.resize(200, 160);
  TPictureItemDelegate::Install(&list);
  TPictureItemDelegate::AddItem(&list, "torn", QImage());
  EXPECT_EQ(list.item(0)->data(Qt::AccessibleDescriptionRole).toString(),
            "anteprima non disponibile");

  for (const bool selected : {false, true}) {
    SCOPED_TRACE(selected ? "selected" : "not selected");
    list.item(0)->setSelected(selected);
    // Asking for the item's place lays the items out before the list is drawn.
    const QPoint origin = list.visualItemRect(list.item(0)).topLeft() +
                          QPoint(TPictureItemDelegate::kLeftMargin, 2 * list.font().pointSize());
    const QImage shot = list.viewport()->grab().toImage();
    const QRgb background =
        list.palette().color(selected ? QPalette::Highlight : QPalette::Base).rgb() & 0xFFFFFF;
    int dark = 0;
    int drawn = 0;
    for (int y = 0; y < kPictureHeight; ++y) {
      for (int x = 0; x < kPictureWidth; ++x) {
        const QRgb pixel = shot.pixel(origin + QPoint(x, y)) & 0xFFFFFF;
        dark += pixel == 0;
        drawn += pixel != background;
      }
    }
    EXPECT_LT(dark, 128 * 80 / 10);  // no picture's worth of black
    EXPECT_EQ(shot.pixel(origin + QPoint(2, 2)) & 0xFFFFFF, background);
    EXPECT_EQ(drawn, 0);
  }
}

}  // namespace
