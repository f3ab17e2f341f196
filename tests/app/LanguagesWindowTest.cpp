// The Languages page in the real window against the simulated dive computer, as a diver uses it:
// import a language file, pass the disclaimer, write it, make it the default, delete it.
// Controls are clicked; pauses are recorded, not spent.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "DemoContent.h"
#include "DeviceSimulator.h"
#include "app/AboutPage.h"
#include "app/Main.h"
#include "languages/LangDisclaimerForm.h"
#include "languages/LanguagesPage.h"
#include "support/Controls.h"
#include "support/PumpEvents.h"
#include "support/ScriptedPrompts.h"
#include "support/WindowOnSimulator.h"
#include "texts/LangStrings.h"

namespace {

using testsupport::Control;

using testsupport::PumpUntil;

class LanguagesWindowTest : public testsupport::WindowOnSimulatorTest {
 protected:
  LanguagesWindowTest() {
    form->show();  // laid out, so that clicks land where the items are
    // The simulator's own sample files, as a diver would have them on disk.
    std::string error;
    EXPECT_TRUE(devsim::WriteSamples(files.path().toStdString(), error)) << error;
  }

  LanguagesPage& page() { return *form->LanguagesTabSheet; }
  // The Languages page with the device's languages read: three factory, Español added.
  void OpenLanguagesPage() {
    ASSERT_TRUE(WaitForLight());
    form->TabPageControl->setCurrentWidget(form->LanguagesTabSheet);
    ASSERT_TRUE(PumpUntil([&] {
      return Control<QListWidget>(&page(), "LanguageTntListBox")->count() == 1 &&
             !form->TransferActive();
    }));
    ASSERT_EQ(Control<QListWidget>(&page(), "LangReadOnlyTntListBox")->count(), 3);
  }
  void ClickItem(QListWidget* list, int row) {
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
  }
  void Import() {
    prompts.QueueFileName(polski);
    ASSERT_TRUE(Control<QPushButton>(&page(), "ImportLangButton")->isEnabled());
    QTest::mouseClick(Control<QPushButton>(&page(), "ImportLangButton"), Qt::LeftButton);
    ASSERT_EQ(Control<QLabel>(&page(), "LangDescrTntPanel")->text(), "Polski");
    ASSERT_TRUE(Control<QPushButton>(&page(), "WriteLangButton")->isEnabled());
  }
  // The disclaimer as the diver answers it: both statements ticked and Continue, or Cancel.
  void AnswerDisclaimer(bool accept) {
    prompts.QueueModal([accept](QDialog& dialog) {
      auto& disclaimer = dynamic_cast<TLangDisclaimerForm&>(dialog);
      EXPECT_EQ(disclaimer.Texts().Intro, DisclaimerFor("Polski").Intro);
      if (!accept) {
        disclaimer.bCancel->click();
        return disclaimer.result();
      }
      QTest::mouseClick(disclaimer.cbConfirm, Qt::LeftButton, {}, QPoint(5, 5));
      QTest::mouseClick(disclaimer.cbUnderstand, Qt::LeftButton, {}, QPoint(5, 5));
      EXPECT_TRUE(disclaimer.bOk->isEnabled());
      disclaimer.bOk->click();
      return disclaimer.result();
    });
  }

  QTemporaryDir files;
  const QString polski = QDir(files.path()).filePath("polski.bin");
};

TEST_F(LanguagesWindowTest, WriteMakeDefaultAndDeleteAnAddedLanguage) {
  OpenLanguagesPage();
  EXPECT_EQ(device->Files(3).size(), 4u);
  Import();
  EXPECT_EQ(Control<QLabel>(&page(), "LangFilenamePanel")->text(), "polski.bin");
  EXPECT_EQ(Control<QLabel>(&page(), "LangSizePanel")->text(), "3242 Bytes");

  // ">>" and the disclaimer in Polish: the device stores the file as an added language.
  AnswerDisclaimer(true);
  QTest::mouseClick(Control<QPushButton>(&page(), "WriteLangButton"), Qt::LeftButton);
  ASSERT_TRUE(WaitIdle());
  ASSERT_EQ(prompts.Records(TPromptEvent::Modal).size(), 1u);
  const auto stored = device->Files(3);
  ASSERT_EQ(stored.size(), 5u);
  EXPECT_EQ(std::string(stored[4].begin() + 12, stored[4].begin() + 18), "Polski");
  EXPECT_EQ(stored[4][5], 0xFF);
  ASSERT_EQ(Control<QListWidget>(&page(), "LanguageTntListBox")->count(), 2);
  EXPECT_EQ(Control<QListWidget>(&page(), "LanguageTntListBox")->item(1)->text(), "Polski");
  EXPECT_EQ(Control<QLabel>(&page(), "lAddLang")->text(), "Lingue aggiuntive");

  // Click it and tick the default box: asked, and the device makes it its language.
  ClickItem(Control<QListWidget>(&page(), "LanguageTntListBox"), 1);
  EXPECT_FALSE(Control<QCheckBox>(&page(), "cbDefaultLang")->isChecked());
  ASSERT_TRUE(Control<QCheckBox>(&page(), "cbDefaultLang")->isEnabled());
  EXPECT_TRUE(Control<QPushButton>(&page(), "DeleteLangButton")->isEnabled());
  prompts.QueueAnswer(TMessageAnswer::Yes);
  QTest::mouseClick(Control<QCheckBox>(&page(), "cbDefaultLang"), Qt::LeftButton, {}, QPoint(5, 5));
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(prompts.Last().Text, LangString(65206));
  // The default command has no answer: the device may still be reading it.
  EXPECT_TRUE(PumpUntil([&] { return device->DefaultIndex(3) == 5; }));
  EXPECT_TRUE(Control<QCheckBox>(&page(), "cbDefaultLang")->isChecked());
  EXPECT_FALSE(Control<QCheckBox>(&page(), "cbDefaultLang")->isEnabled());

  // Delete it: the first factory language is the default again, here and on the device.
  ClickItem(Control<QListWidget>(&page(), "LanguageTntListBox"), 1);
  prompts.QueueAnswer(TMessageAnswer::Yes);
  QTest::mouseClick(Control<QPushButton>(&page(), "DeleteLangButton"), Qt::LeftButton);
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(prompts.Last().Text, LangStrings::DeleteLanguageQuestion());
  EXPECT_EQ(device->Files(3).size(), 4u);
  ASSERT_EQ(Control<QListWidget>(&page(), "LanguageTntListBox")->count(), 1);
  EXPECT_EQ(Control<QListWidget>(&page(), "LanguageTntListBox")->item(0)->text(),
            QString::fromUtf8(u8"Español"));
  EXPECT_TRUE(Control<QListWidget>(&page(), "LanguageTntListBox")->selectedItems().isEmpty());
  EXPECT_FALSE(Control<QPushButton>(&page(), "DeleteLangButton")->isEnabled());
  EXPECT_TRUE(form->DeleteHappened);
  EXPECT_EQ(device->DefaultIndex(3), 1);
  ClickItem(Control<QListWidget>(&page(), "LangReadOnlyTntListBox"), 0);
  EXPECT_TRUE(Control<QCheckBox>(&page(), "cbDefaultLang")->isChecked());
  EXPECT_FALSE(Control<QCheckBox>(&page(), "cbDefaultLang")->isEnabled());
  ClickItem(Control<QListWidget>(&page(), "LangReadOnlyTntListBox"), 1);
  EXPECT_FALSE(Control<QCheckBox>(&page(), "cbDefaultLang")->isChecked());
  EXPECT_TRUE(Control<QCheckBox>(&page(), "cbDefaultLang")->isEnabled());

  // Leaving the page empties it and forgets the catalogue.
  ASSERT_TRUE(TurnTo(form->AboutTabSheet));
  EXPECT_EQ(Control<QListWidget>(&page(), "LangReadOnlyTntListBox")->count(), 0);
  EXPECT_EQ(Control<QListWidget>(&page(), "LanguageTntListBox")->count(), 0);
  EXPECT_FALSE(Control<QCheckBox>(&page(), "cbDefaultLang")->isChecked());
  EXPECT_EQ(form->Session.Catalogue().CatalogueCount(), 0);
}

TEST_F(LanguagesWindowTest, CancelledDisclaimerWritesNothing) {
  OpenLanguagesPage();
  Import();
  AnswerDisclaimer(false);
  QTest::mouseClick(Control<QPushButton>(&page(), "WriteLangButton"), Qt::LeftButton);
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(prompts.Records(TPromptEvent::Modal).size(), 1u);
  EXPECT_TRUE(prompts.Records(TPromptEvent::Message).empty());
  EXPECT_EQ(device->Files(3).size(), 4u);
  EXPECT_EQ(Control<QListWidget>(&page(), "LanguageTntListBox")->count(), 1);
  EXPECT_FALSE(form->BottomStrip->LEDLabelWrite->Lit());
}

}  // namespace
