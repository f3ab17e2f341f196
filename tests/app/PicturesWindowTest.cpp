// The Pictures page in the real window against the simulated dive computer, as a diver uses it:
// import a file, adjust it, write it; make it the startup picture; delete two; save three on the
// PC; write typed text. Controls are clicked; pauses are recorded, not spent.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
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
#include <functional>
#include <string>
#include <thread>

#include "DeviceSimulator.h"
#include "app/Main.h"
#include "picture/GreyLevels.h"
#include "picture/ImageFile.h"
#include "picture/PictureCodec.h"
#include "pictures/FolderBrowser.h"
#include "pictures/PicturesPage.h"
#include "pictures/TextImportPage.h"
#include "platform/SleepHook.h"
#include "support/PumpEvents.h"
#include "support/ScriptedPrompts.h"
#include "support/TemporaryBus.h"
#include "support/WindowOnSimulator.h"
#include "texts/LangStrings.h"
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
    ASSERT_TRUE(PumpUntil([&] { return form->BottomStrip->LEDLabelIrDA->Lit(); }));
    form->TabPageControl->setCurrentWidget(form->PicturesTabSheet);
    ASSERT_TRUE(
        PumpUntil([&] { return page().PicturesListBox->count() == 2 && !form->TransferActive(); }));
  }
  void ClickItem(QListWidget* list, int row, Qt::KeyboardModifiers keys = {}) {
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, keys,
                      list->visualItemRect(list->item(row)).center());
  }
  // Clicks the file of this name in the file list, once the list shows it.
  void ClickFile(const QString& name) {
    const QString path = QDir(files.path()).filePath(name);
    ASSERT_TRUE(PumpUntil([&] {
      const QModelIndex index = page().FileListModel->index(path);
      return index.isValid() && !page().FileListBox->visualRect(index).isEmpty();
    }));
    const QModelIndex index = page().FileListModel->index(path);
    page().FileListBox->scrollTo(index);
    QTest::mouseClick(page().FileListBox->viewport(), Qt::LeftButton, {},
                      page().FileListBox->visualRect(index).center());
  }
  void WriteBmp(const QString& name) {
    QImage photo(400, 250, QImage::Format_RGB32);
    photo.fill(qRgb(100, 100, 100));
    for (int y = 0; y < 250; ++y) {
      for (int x = 200; x < 400; ++x) photo.setPixel(x, y, qRgb(200, 200, 200));
    }
    ASSERT_TRUE(SaveImageFile(photo, QDir(files.path()).filePath(name), TImageFormat::Bmp));
  }
  // "<<" pressed and the question answered Yes.
  void SaveSelected() {
    prompts.QueueAnswer(TMessageAnswer::Yes);
    QTest::mouseClick(page().SavePicFileButton, Qt::LeftButton);
  }
  void ClearSelections() {
    page().ReadOnlyListBox->clearSelection();
    page().PicturesListBox->clearSelection();
  }
  // The preview brought back to the device's size: the picture the diver sees.
  QImage Shown() {
    QImage shown = MakeWorkingPicture();
    StretchInto(page().ViewImage->pixmap().toImage(), shown);
    return shown;
  }
  QTemporaryDir files;
};

// The 16 name bytes of a stored device file, up to the first zero byte.
std::string StoredName(const platform::Bytes& file) {
  std::string name(file.begin() + 12, file.begin() + 28);
  return name.substr(0, name.find('\0'));
}

TEST_F(PicturesWindowTest, ImportAdjustWriteMakeStartupAndDelete) {
  WriteBmp("reef.bmp");
  const QString path = QDir(files.path()).filePath("reef.bmp");
  OpenPicturesPage();

  // Pick the file: converted, previewed, the sliders alive with the device in range.
  page().FileListBoxClick(page().FileListModel->index(path));
  ASSERT_FALSE(page().ViewImage->isHidden());
  EXPECT_TRUE(page().slBlack->isEnabled());
  const QImage before = page().ViewImage->pixmap().toImage();
  page().slBlack->setValue(110);  // the left half (lightness 100) turns black
  EXPECT_NE(page().ViewImage->pixmap().toImage(), before);
  EXPECT_EQ(form->PicturesTabSheet->WorkingPicture().pixel(5, 5), kLevelColors[0]);

  // ">>": the device stores the picture byte for byte, the list shows it.
  ASSERT_TRUE(page().WrdPicButton->isEnabled());
  QTest::mouseClick(page().WrdPicButton, Qt::LeftButton);
  ASSERT_TRUE(WaitIdle());
  const auto stored = device->Files(4);
  ASSERT_EQ(stored.size(), 6u);
  const platform::Bytes pixels = EncodePicture(form->PicturesTabSheet->WorkingPicture());
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
  // The default command has no answer: the device may still be reading it.
  EXPECT_TRUE(PumpUntil([&] { return device->DefaultIndex(4) == 6; }));

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
  EXPECT_EQ(written, form->PicturesTabSheet->WorkingPicture());
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

// Whatever put the picture in the preview, ">>" writes that picture under the name shown, and a
// device picture written back keeps its name.
TEST_F(PicturesWindowTest, WritesThePictureShownUnderTheNameShown) {
  WriteBmp("reef.bmp");
  OpenPicturesPage();
  QListWidget* factory = page().ReadOnlyListBox;  // Diver, Compass, Reef
  QListWidget* added = page().PicturesListBox;    // Fish, Dive flag
  const struct {
    const char* what;
    std::function<void()> choose;
    QString shownName;
    std::string deviceName;
  } cases[] = {
      {"two added pictures saved, the lower one clicked first: the one saved last",
       [&] {
         ClickItem(added, 1);
         ClickItem(added, 0, Qt::ControlModifier);
         SaveSelected();
       },
       "Dive flag", "Dive flag"},
      {"a factory and an added picture saved: the added one, saved last",
       [&] {
         ClickItem(added, 0);
         ClickItem(factory, 1);
         SaveSelected();
       },
       "Fish", "Fish"},
      {"a factory picture clicked", [&] { ClickItem(factory, 2); }, "Reef", "Reef"},
      {"an added picture reached with the arrow key",
       [&] {
         ClickItem(added, 0);
         QTest::keyClick(added, Qt::Key_Down);
       },
       "Dive flag", "Dive flag"},
      {"a file imported", [&] { ClickFile("reef.bmp"); }, "reef.bmp", "reef"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ClearSelections();
    c.choose();
    ASSERT_FALSE(page().ViewImage->isHidden());
    EXPECT_EQ(page().PicFilenameTntPanel->text(), c.shownName);
    const QImage shown = Shown();
    const std::size_t before = device->Files(4).size();
    ASSERT_TRUE(page().WrdPicButton->isEnabled());
    QTest::mouseClick(page().WrdPicButton, Qt::LeftButton);
    ASSERT_TRUE(WaitIdle());

    const auto stored = device->Files(4);
    ASSERT_EQ(stored.size(), before + 1);
    QImage written = MakeWorkingPicture();
    DecodePicture(stored.back(), written);
    EXPECT_EQ(written, shown);
    EXPECT_EQ(StoredName(stored.back()), c.deviceName);
    EXPECT_EQ(page().PicturesListBox->item(page().PicturesListBox->count() - 1)->text(),
              QString::fromStdString(c.deviceName));
  }
}

// "<<" saves the selected device pictures; an import takes that away only where it takes the
// selection too: with the device in range, from the added list.
TEST_F(PicturesWindowTest, ImportKeepsSaveWhileDevicePicturesStaySelected) {
  WriteBmp("reef.bmp");
  OpenPicturesPage();
  const struct {
    const char* what;
    bool inRange;
    bool saveEnabled;
    int selectedAfter;
  } cases[] = {
      {"device in range: the added list's selection goes, and \"<<\" with it", true, false, 1},
      {"no device: both selected pictures stay, and so does \"<<\"", false, true, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.inRange) {
      device->Stop();
      ASSERT_TRUE(PumpUntil([&] { return !form->BottomStrip->LEDLabelIrDA->Lit(); }));
    }
    ClearSelections();
    ClickItem(page().ReadOnlyListBox, 0);
    ClickItem(page().PicturesListBox, 1);
    ASSERT_TRUE(page().SavePicFileButton->isEnabled());
    ClickFile("reef.bmp");
    ASSERT_EQ(page().PicFilenameTntPanel->text(), "reef.bmp");
    EXPECT_EQ(page().SavePicFileButton->isEnabled(), c.saveEnabled);
    EXPECT_EQ(page().SelectedCount(), c.selectedAfter);
    EXPECT_EQ(form->StatusText(2), c.saveEnabled ? LangStrings::SelectedPicturesText(2) : "");
    if (c.saveEnabled) {
      SaveSelected();
      EXPECT_TRUE(QFile::exists(QDir(files.path()).filePath("Diver.bmp")));
      EXPECT_TRUE(QFile::exists(QDir(files.path()).filePath("Dive flag.bmp")));
    }
  }
}

}  // namespace
