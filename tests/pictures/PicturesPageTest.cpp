// The Pictures page on its own, with a window stand-in: clicks on device pictures, the import,
// the startup question, saving pictures on the PC, deleting, and the folder browser.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeView>
#include <functional>

#include "picture/ImageFile.h"
#include "picture/PictureCodec.h"
#include "pictures/FolderBrowser.h"
#include "pictures/PicturesPage.h"
#include "pictures/TextImportPage.h"
#include "platform/ByteOrder.h"
#include "support/FakePageHost.h"
#include "support/PumpEvents.h"
#include "support/RecordingSessionView.h"
#include "support/ScriptedPrompts.h"
#include "texts/LangStrings.h"
#include "transfer/TransferSession.h"
#include "widgets/PageHost.h"

namespace {

using testsupport::PumpUntil;

using FakeWindow = testsupport::FakePageHost;

platform::Bytes Directory(const std::vector<std::pair<std::string, bool>>& names) {
  return testsupport::DirectoryReply(names, 2592, 4);
}

class PicturesPageTest : public testing::Test {
 protected:
  PicturesPageTest() : page(1.0, nullptr, folder.path()) {
    page.ApplyTexts();
    page.SetHost(&window);
  }

  // Four factory and three added pictures, each filled with its own level (entry i: level i % 4),
  // listed on the page as the session's read lists them.
  void LoadPictures(const std::vector<std::pair<std::string, bool>>& names = {{"F0", false},
                                                                              {"F1", false},
                                                                              {"F2", false},
                                                                              {"F3", false},
                                                                              {"Sea", true},
                                                                              {"Reef", true},
                                                                              {"Wreck", true}}) {
    TCatalogue& catalogue = window.catalogue;
    catalogue.BuildCatalogue(Directory(names), 4);
    for (int i = 0; i < catalogue.CatalogueCount(); ++i) {
      QImage picture = MakeWorkingPicture();
      picture.fill(kLevelColors[i % 4]);
      catalogue.Entry(i)->Image = picture;
      page.AddDevicePicture(catalogue.Entry(i)->AddedMark != 0,
                            catalogue.Entry(i)->NameSingleByteText(), picture);
    }
  }

  void Click(QListWidget* list, int row) {
    list->setCurrentRow(row);
    list->item(row)->setSelected(true);
    emit list->itemClicked(list->item(row));
  }

  QString WriteBmp(const QString& name, QRgb color, QSize size = {300, 200}) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    const QString path = QDir(folder.path()).filePath(name);
    EXPECT_TRUE(SaveImageFile(image, path, TImageFormat::Bmp));
    return path;
  }

  QTemporaryDir folder;
  TScriptedPrompts prompts;
  FakeWindow window;
  PicturesPage page;
};

TEST_F(PicturesPageTest, ClickedPictureIsPreviewedWithItsNameFlagAndButtons) {
  const struct {
    const char* what;
    bool added;
    int row;
    int entry;
    bool detected;
    bool isDefault;
    bool deleteEnabled;
    bool startupEnabled;
  } cases[] = {
      {"third added picture, after four factory ones", true, 2, 6, true, false, true, true},
      {"an added picture without a device", true, 0, 4, false, false, false, false},
      {"the startup picture", true, 1, 5, true, true, true, false},
      {"a factory picture", false, 3, 3, true, false, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    window.catalogue.ClearCatalogue();
    page.Clear();
    LoadPictures();
    window.catalogue.Entry(5)->DefaultFlag = 1;
    window.detected = c.detected;
    Click(c.added ? page.PicturesListBox : page.ReadOnlyListBox, c.row);

    const QString names[] = {"F0", "F1", "F2", "F3", "Sea", "Reef", "Wreck"};
    EXPECT_EQ(page.PicFilenameTntPanel->text(), names[c.entry]);
    EXPECT_FALSE(page.ViewImage->isHidden());
    EXPECT_EQ(page.ViewImage->pixmap().toImage().pixel(10, 10), kLevelColors[c.entry % 4]);
    // ">>" writes what the preview shows.
    EXPECT_EQ(page.WorkingPicture().pixel(10, 10), kLevelColors[c.entry % 4]);
    EXPECT_EQ(page.cbStartUpPic->isChecked(), c.isDefault);
    EXPECT_EQ(page.DeleteFileButton->isEnabled(), c.deleteEnabled);
    EXPECT_EQ(page.cbStartUpPic->isEnabled(), c.startupEnabled);
    EXPECT_EQ(page.WrdPicButton->isEnabled(), c.detected);
    EXPECT_TRUE(page.SavePicFileButton->isEnabled());
    EXPECT_FALSE(page.slBlack->isEnabled());
    EXPECT_EQ(window.statusPanels[2], LangStrings::SelectedPicturesText(1));
  }
}

TEST_F(PicturesPageTest, StartupQuestionSetsTheDefaultOrPutsItBack) {
  const struct {
    const char* what;
    int previousDefault;  // -1: none marked
    int clickedRow;       // in the factory list
    TMessageAnswer answer;
    bool asked;
    int defaultAfter;  // DefaultPosition
    bool started;
  } cases[] = {
      {"Yes", 2, 0, TMessageAnswer::Yes, true, 1, true},
      {"No", 2, 0, TMessageAnswer::No, true, 3, false},
      {"none marked, the first ticked: nothing to ask", -1, 0, TMessageAnswer::Yes, false, 1,
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    window.catalogue.ClearCatalogue();
    page.Clear();
    window.starts.clear();
    prompts.Clear();
    LoadPictures();
    if (c.previousDefault >= 0) window.catalogue.Entry(c.previousDefault)->DefaultFlag = 1;
    Click(page.ReadOnlyListBox, c.clickedRow);
    prompts.QueueAnswer(c.answer);
    page.cbStartUpPic->click();

    EXPECT_EQ(prompts.Records(TPromptEvent::Message).size(), c.asked ? 1u : 0u);
    if (c.asked) {
      EXPECT_EQ(prompts.Last().Text, LangString(65220));
    }
    EXPECT_EQ(window.catalogue.DefaultPosition(), c.defaultAfter);
    ASSERT_EQ(window.starts.size(), c.started ? 1u : 0u);
    if (c.started) {
      EXPECT_EQ(window.starts[0].request.Action, TAction::SetStartupPicture);
    }
    EXPECT_EQ(page.cbStartUpPic->isChecked(), c.answer == TMessageAnswer::Yes || !c.asked);
  }
}

TEST_F(PicturesPageTest, SavingSwitchesTheTypeAsksAndNeverLosesAPicture) {
  LoadPictures({{"Sea\0\0", false}, {"ABCDEFGHIJKLMNOP", false}, {"Sea", true}, {"../x", true}});
  Click(page.ReadOnlyListBox, 0);
  page.ReadOnlyListBox->item(1)->setSelected(true);
  for (int row = 0; row < 2; ++row) page.PicturesListBox->item(row)->setSelected(true);
  const struct {
    int chosenType;  // Bitmap, JPEG, TIF, GIF
    const char* mask;
    const char* extension;
  } cases[] = {{2, "*.BMP", ".bmp"}, {3, "*.JPG", ".JPG"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mask);
    page.FilterComboBox->setCurrentIndex(c.chosenType);
    prompts.QueueAnswer(TMessageAnswer::No);
    page.SavePicFileButton->click();
    EXPECT_EQ(page.FilterComboBox->currentData().toString(), c.mask);
    EXPECT_EQ(prompts.Last().Text,
              LangStrings::ExportPicturesQuestion(c.mask, QDir::toNativeSeparators(folder.path())));

    prompts.QueueAnswer(TMessageAnswer::Yes);
    page.SavePicFileButton->click();
    const QStringList expected = {QString("Sea") + c.extension,
                                  QString("ABCDEFGHIJKLMNOP") + c.extension,
                                  QString("Sea (2)") + c.extension, QString("___x") + c.extension};
    for (const QString& name : expected) {
      const TImageRead read = ReadImageFile(QDir(folder.path()).filePath(name));
      ASSERT_FALSE(read.Image.isNull()) << name.toStdString();
      EXPECT_EQ(read.Image.size(), page.ViewImage->size());
    }
    // The preview shows each picture in turn and keeps the last.
    EXPECT_EQ(page.PicFilenameTntPanel->text(), "../x");
  }
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 8);
}

TEST_F(PicturesPageTest, ImportConvertsTheFileAndWakesTheSlidersOnlyWithADevice) {
  const QString path = WriteBmp("grey.bmp", qRgb(100, 100, 100));
  const QString junk = QDir(folder.path()).filePath("junk.bmp");
  QFile(junk).open(QIODevice::WriteOnly);
  for (const bool detected : {true, false}) {
    SCOPED_TRACE(detected ? "device detected" : "no device");
    window.detected = detected;
    LoadPictures();
    page.PicturesListBox->item(0)->setSelected(true);
    page.FileListBoxClick(page.FileListModel->index(path));

    EXPECT_TRUE(page.PreviewFromPC);
    EXPECT_FALSE(page.TrueImage->isHidden());
    EXPECT_FALSE(page.ViewImage->isHidden());
    EXPECT_EQ(page.PicFilenameTntPanel->text(), "grey.bmp");
    EXPECT_EQ(page.WorkingPicture().pixel(0, 0), kLevelColors[1]);
    EXPECT_EQ(page.slGray->isEnabled(), detected);
    EXPECT_EQ(page.WrdPicButton->isEnabled(), detected);
    EXPECT_FALSE(page.cbStartUpPic->isEnabled());
    EXPECT_EQ(page.PicturesListBox->selectedItems().isEmpty(), detected);
    if (detected) {
      // The slider moves the boundary above the file's lightness of 100.
      page.slGray->setValue(60);
      page.slBlack->setValue(101);
      EXPECT_EQ(page.WorkingPicture().pixel(0, 0), kLevelColors[0]);
    }
    page.Clear();
    window.catalogue.ClearCatalogue();
  }
  page.FileListBoxClick(page.FileListModel->index(junk));
  EXPECT_EQ(prompts.Last().Text, "Formato file immagine sconosciuto");
  EXPECT_EQ(prompts.Last().Beep, TBeep::Error);
}

TEST_F(PicturesPageTest, DeleteAsksFirstAndStartsOnlyWithADevice) {
  const struct {
    TMessageAnswer answer;
    bool detected;
    bool started;
  } cases[] = {{TMessageAnswer::Yes, true, true},
               {TMessageAnswer::No, true, false},
               {TMessageAnswer::Yes, false, false}};
  for (const auto& c : cases) {
    window.starts.clear();
    window.deleteStarted = false;
    window.detected = c.detected;
    prompts.QueueAnswer(c.answer);
    page.DeleteFileButtonClick();
    EXPECT_EQ(prompts.Last().Text, LangString(65218));
    EXPECT_EQ(window.deleteStarted, c.started);
    ASSERT_EQ(window.starts.size(), c.started ? 1u : 0u);
    if (c.started) {
      EXPECT_EQ(window.starts[0].status, LangString(65194));
    }
  }
}

TEST_F(PicturesPageTest, FolderBrowserMakesFoldersAndKeepsItsPlaceOnAnUnreadableDrive) {
  TFolderBrowser& browser = *page.Panel3;
  EXPECT_EQ(browser.CurrentFolder(), QDir(folder.path()).absolutePath());

  for (const QString& name : {QString("Dives 2026"), QString("Dives 2026"), QString("../up")}) {
    browser.tbFolderPic->click();
    EXPECT_TRUE(browser.eFolderName->isEnabled());
    EXPECT_EQ(browser.eFolderName->selectedText(), LangString(65260));
    browser.eFolderName->setText(name);
    browser.bApply->click();
    EXPECT_FALSE(browser.eFolderName->isEnabled());
    EXPECT_FALSE(browser.bApply->isEnabled());
    EXPECT_EQ(browser.eFolderName->text(), LangString(65260));
  }
  EXPECT_TRUE(QDir(folder.filePath("Dives 2026")).exists());
  EXPECT_FALSE(QDir(folder.filePath("../up")).exists());
  // The second "Dives 2026" and "../up" could not be made.
  EXPECT_EQ(prompts.Records(TPromptEvent::Message).size(), 2u);
  EXPECT_EQ(prompts.Last().Text, "Impossibile creare cartella!");

  browser.DriveComboBox->addItem("/media/gone", "/media/gone-without-a-medium");
  browser.DriveComboBoxChange(browser.DriveComboBox->count() - 1);
  EXPECT_EQ(prompts.Last().Text, "Disco /media/gone:  non disponibile!");
  EXPECT_EQ(browser.CurrentFolder(), QDir(folder.path()).absolutePath());
  EXPECT_NE(browser.DriveComboBox->currentIndex(), browser.DriveComboBox->count() - 1);
}

// A resting name field keeps its text selected, to be typed over once it wakes, but shows no
// selection: before its first use and after any later one alike.
TEST_F(PicturesPageTest, RestingNameFieldsShowNoSelection) {
  page.show();
  TextImportPage& text = *page.tsTextImport;
  TFolderBrowser& browser = *page.Panel3;
  page.pgImport->setCurrentWidget(page.tsTextImport);
  QTest::keyClicks(text.retntTextEditor, "MARE");
  const struct {
    const char* what;
    QLineEdit* field;
    std::function<void()> use;  // wakes the field and puts it back to rest
  } cases[] = {
      {"picture name, unused", text.eFilename, [] {}},
      {"picture name, named and saved", text.eFilename,
       [&] {
         text.tbSaveAs->click();
         prompts.QueueAnswer(TMessageAnswer::No);
         text.bSaveApply->click();
       }},
      {"new folder, unused", browser.eFolderName, [] {}},
      {"new folder, one made", browser.eFolderName,
       [&] {
         browser.tbFolderPic->click();
         browser.bApply->click();
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.use();
    ASSERT_FALSE(c.field->isEnabled());
    const QImage atRest = c.field->grab().toImage();
    const QString selected = c.field->selectedText();
    c.field->deselect();
    EXPECT_EQ(atRest, c.field->grab().toImage());
    if (!selected.isEmpty()) c.field->selectAll();
  }
}

// A screen reader reaches every file of the folder through the file list, each named, and can
// import it as a click does.
TEST_F(PicturesPageTest, ScreenReaderReachesEveryFileOfTheList) {
  page.show();
  const struct {
    int type;  // Bitmap, JPEG, TIF, GIF
    QStringList files;
  } cases[] = {
      {0, {"Corallo.bmp", "Murena.bmp", "Polpo.bmp", "Relitto.bmp", "Stella.bmp"}},
      {1, {"Medusa.jpg", "Squalo.jpg"}},
  };
  for (const auto& c : cases) {
    for (const QString& name : c.files) {
      QImage image(64, 40, QImage::Format_RGB32);
      image.fill(qRgb(100, 100, 100));
      ASSERT_TRUE(SaveImageFile(image, QDir(folder.path()).filePath(name),
                                c.type == 0 ? TImageFormat::Bmp : TImageFormat::Jpeg));
    }
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.files.join(' ').toStdString());
    page.FilterComboBox->setCurrentIndex(c.type);
    ASSERT_TRUE(PumpUntil([&] {
      return page.FileListModel->rowCount(page.FileListBox->rootIndex()) == c.files.size();
    }));
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(page.FileListBox);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->text(QAccessible::Name), "File immagine");
    ASSERT_EQ(list->childCount(), c.files.size());
    QStringList names;
    for (int i = 0; i < list->childCount(); ++i) {
      QAccessibleInterface* item = list->child(i);
      ASSERT_NE(item, nullptr) << i;
      EXPECT_EQ(item->role(), QAccessible::ListItem);
      EXPECT_EQ(list->indexOfChild(item), i);
      names << item->text(QAccessible::Name);
    }
    names.sort();
    EXPECT_EQ(names, c.files);

    QAccessibleInterface* last = list->child(list->childCount() - 1);
    QAccessibleActionInterface* actions = last->actionInterface();
    ASSERT_NE(actions, nullptr);
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(page.PicFilenameTntPanel->text(), last->text(QAccessible::Name));
    EXPECT_TRUE(last->state().selected);
  }
}

}  // namespace
