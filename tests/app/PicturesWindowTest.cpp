// The Pictures page in the real window against the simulated dive computer, as a diver uses it:
// import a file, adjust it, write it; make it the startup picture; delete two; save three on the
// PC; write typed text. Controls are clicked; pauses are recorded, not spent.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <chrono>
#include <thread>

#include "DeviceSimulator.h"
#include "app/Main.h"
#include "pictures/FolderBrowser.h"
#include "pictures/ImageFile.h"
#include "pictures/PictureCodec.h"
#include "pictures/PicturesPage.h"
#include "pictures/TextImportPage.h"
#include "platform/SleepHook.h"
#include "support/PumpEvents.h"
#include "support/ScriptedPrompts.h"
#include "support/TemporaryBus.h"
#include "support/WindowOnSimulator.h"
#include "widgets/LED.h"

namespace {

using testsupport::PumpUntil;

class PicturesWindowTest : public testsupport::WindowOnSimulatorTest {
 protected:
  PicturesWindowTest() {
    form->show();  // laid out, so that clicks land where the items are
    page().Panel3->SetCurrentFolder(files.path());
  }

  PicturesPage& page() { return *form->PicturesTabSheet; }
  // The Pictures page with the device's pictures read.
  void OpenPicturesPage() {
    ASSERT_TRUE(PumpUntil([&] { return form->LEDLabelIrDA->Lit(); }));
    form->TabPageControl->setCurrentWidget(form->PicturesTabSheet);
    ASSERT_TRUE(
        PumpUntil([&] { return page().PicturesListBox->count() == 2 && !form->TransferActive(); }));
  }
  void ClickItem(QListWidget* list, int row) {
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
  }
  QTemporaryDir files;
};

TEST_F(PicturesWindowTest, ImportAdjustWriteMakeStartupAndDelete) {
  QImage photo(400, 250, QImage::Format_RGB32);
  photo.fill(qRgb(100, 100, 100));
  for (int y = 0; y < 250; ++y) {
    for (int x = 200; x < 400; ++x) photo.setPixel(x, y, qRgb(200, 200, 200));
  }
  const QString path = QDir(files.path()).filePath("reef.bmp");
  ASSERT_TRUE(SaveImageFile(photo, path, TImageFormat::Bmp));
  OpenPicturesPage();

  // Pick the file: converted, previewed, the sliders alive with the device in range.
  page().FileListBoxClick(page().FileListModel->index(path));
  ASSERT_FALSE(page().ViewImage->isHidden());
  EXPECT_TRUE(page().slBlack->isEnabled());
  const QImage before = page().ViewImage->pixmap().toImage();
  page().slBlack->setValue(110);  // the left half (lightness 100) turns black
  EXPECT_NE(page().ViewImage->pixmap().toImage(), before);
  EXPECT_EQ(form->Session.ReadImage.pixel(5, 5), kLevelColors[0]);

  // ">>": the device stores the picture byte for byte, the list shows it.
  ASSERT_TRUE(page().WrdPicButton->isEnabled());
  QTest::mouseClick(page().WrdPicButton, Qt::LeftButton);
  ASSERT_TRUE(WaitIdle());
  const auto stored = device->Files(4);
  ASSERT_EQ(stored.size(), 6u);
  const platform::Bytes pixels = EncodePicture(form->Session.ReadImage);
  EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), stored[5].begin() + 32));
  EXPECT_EQ(std::string(stored[5].begin() + 12, stored[5].begin() + 16), "reef");
  ASSERT_EQ(page().PicturesListBox->count(), 3);
  EXPECT_EQ(page().PicturesListBox->item(2)->text(), "reef");

  // Click it and tick the startup box: asked, and the device makes it its startup picture.
  ClickItem(page().PicturesListBox, 2);
  EXPECT_EQ(page().PicFilenameTntPanel->text(), "reef");
  ASSERT_TRUE(page().cbStartUpPic->isEnabled());
  prompts.QueueAnswer(TMessageAnswer::Yes);
  QTest::mouseClick(page().cbStartUpPic, Qt::LeftButton, {}, QPoint(5, 5));
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(device->DefaultIndex(4), 6);

  // Select two added pictures and delete them.
  page().PicturesListBox->clearSelection();
  ClickItem(page().PicturesListBox, 0);
  QTest::mouseClick(
      page().PicturesListBox->viewport(), Qt::LeftButton, Qt::ControlModifier,
      page().PicturesListBox->visualItemRect(page().PicturesListBox->item(1)).center());
  ASSERT_EQ(page().PicturesListBox->selectedItems().size(), 2);
  prompts.QueueAnswer(TMessageAnswer::Yes);
  QTest::mouseClick(page().DeleteFileButton, Qt::LeftButton);
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(Requests(0xFF, 0xD0), 2);
  EXPECT_EQ(device->Files(4).size(), 4u);
  ASSERT_EQ(page().PicturesListBox->count(), 1);
  EXPECT_EQ(page().PicturesListBox->item(0)->text(), "reef");
  EXPECT_TRUE(form->DeleteHappened);
}

TEST_F(PicturesWindowTest, ThreeSelectedPicturesAreSavedAsReadableJpegFiles) {
  OpenPicturesPage();
  ClickItem(page().ReadOnlyListBox, 0);
  page().ReadOnlyListBox->item(2)->setSelected(true);
  page().PicturesListBox->item(1)->setSelected(true);
  page().FilterComboBox->setCurrentIndex(3);  // GIF: saved as JPEG
  prompts.QueueAnswer(TMessageAnswer::Yes);
  QTest::mouseClick(page().SavePicFileButton, Qt::LeftButton);
  EXPECT_TRUE(prompts.Last().Text.contains("*.JPG"));
  const QStringList saved = QDir(files.path()).entryList({"*.JPG"}, QDir::Files);
  ASSERT_EQ(saved.size(), 3);
  for (const QString& name : saved) {
    const TImageRead read = ReadImageFile(QDir(files.path()).filePath(name));
    EXPECT_EQ(read.Image.size(), page().ViewImage->size()) << name.toStdString();
  }
}

TEST_F(PicturesWindowTest, TypedTextIsWrittenAsAPicture) {
  OpenPicturesPage();
  page().pgImport->setCurrentWidget(page().tsTextImport);
  QTextEdit* editor = page().tsTextImport->retntTextEditor;
  QTest::keyClicks(editor, "FISH");
  QTest::keyClick(editor, Qt::Key_Return);
  QTest::keyClicks(editor, "REEF");
  ASSERT_FALSE(page().ViewImage->isHidden());
  ASSERT_TRUE(page().WrdPicButton->isEnabled());
  QTest::mouseClick(page().WrdPicButton, Qt::LeftButton);
  ASSERT_TRUE(WaitIdle());

  const auto stored = device->Files(4);
  ASSERT_EQ(stored.size(), 6u);
  // The picture holds the rendered lines: dark text on the lightest level, the two lines apart.
  QImage written = MakeWorkingPicture();
  DecodePicture(stored[5], written);
  EXPECT_EQ(written, form->Session.ReadImage);
  const auto darkInRows = [&](int top, int bottom) {
    int dark = 0;
    for (int y = top; y < bottom; ++y) {
      for (int x = 0; x < 128; ++x) dark += written.pixel(x, y) == kLevelColors[0];
    }
    return dark;
  };
  EXPECT_GT(darkInRows(5, 15), 10);
  EXPECT_GT(darkInRows(17, 27), 10);
  EXPECT_EQ(darkInRows(30, 80), 0);
  EXPECT_EQ(std::string(stored[5].begin() + 12, stored[5].begin() + 25), "Nome del file");
}

}  // namespace
