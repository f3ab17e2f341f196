// The main window's automatic reads against a simulated dive computer on a temporary bus: what
// the diver sees on the Pictures and Languages pages, and what a failing link or a foreign device
// does to the window. Pauses are recorded, not spent.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <chrono>
#include <thread>

#include "DemoContent.h"
#include "DeviceSimulator.h"
#include "app/Main.h"
#include "languages/LanguagesPage.h"
#include "picture/PictureCodec.h"
#include "pictures/PictureListWidget.h"
#include "pictures/PicturesPage.h"
#include "platform/ByteOrder.h"
#include "platform/SleepHook.h"
#include "support/Controls.h"
#include "support/PumpEvents.h"
#include "support/ScriptedPrompts.h"
#include "support/SleepRecorder.h"
#include "support/TemporaryBus.h"
#include "support/WindowOnSimulator.h"
#include "texts/LangStrings.h"
#include "watcher/CheckDevListThread.h"
#include "widgets/LED.h"

namespace {

using testsupport::Control;

using testsupport::PumpUntil;

using TransferWindowTest = testsupport::WindowOnSimulatorTest;

TEST_F(TransferWindowTest, PicturesPageListsTheDevicesPicturesWithTheirDefaultAndCount) {
  ASSERT_TRUE(WaitForLight());
  ASSERT_TRUE(TurnTo(form->PicturesTabSheet));

  PicturesPage& page = *form->PicturesTabSheet;
  // The directory first, then every picture: one area command, one file command per picture.
  EXPECT_EQ(Requests(0xFF, 0xFA), 1);
  EXPECT_EQ(Requests(0xFF, 0x37), 1);
  EXPECT_EQ(Requests(0xFF, 0xC2), 5);
  ASSERT_EQ(page.ReadOnlyListBox->count(), 3);
  ASSERT_EQ(page.PicturesListBox->count(), 2);
  EXPECT_EQ(page.ReadOnlyListBox->item(0)->text(), "Diver");
  EXPECT_EQ(page.NmbOfPixPanel->text(), "5 immagini");
  EXPECT_EQ(form->Session.Catalogue().DefaultPosition(), device->DefaultIndex(4));

  // Each item carries the device's picture, decoded exactly.
  const auto files = device->Files(4);
  QImage expected = MakeWorkingPicture();
  DecodePicture(files[3], expected);
  EXPECT_EQ(page.PicturesListBox->item(0)->data(TPictureItemDelegate::kPictureRole).value<QImage>(),
            expected);

  // The read is over: lights out, controls back, watcher running, status emptied.
  EXPECT_FALSE(form->BottomStrip->LEDLabelRead->Lit());
  EXPECT_TRUE(form->TabPageControl->isEnabled());
  EXPECT_FALSE(form->Watcher->Paused);
  EXPECT_TRUE(form->StatusText(1).isEmpty());
  EXPECT_TRUE(prompts.Records(TPromptEvent::Message).empty());
  // 20 ms before every command: two identity checks, directory, area, five files; 200 ms after
  // every request and in each of the two closes.
  EXPECT_EQ(sleeps.Count(20), 9);
  EXPECT_EQ(sleeps.Count(200), 9);
}

TEST_F(TransferWindowTest, LanguagesPageListsFactoryAndAddedLanguages) {
  ASSERT_TRUE(WaitForLight());
  ASSERT_TRUE(TurnTo(form->LanguagesTabSheet));
  LanguagesPage& page = *form->LanguagesTabSheet;
  ASSERT_EQ(Control<QListWidget>(&page, "LangReadOnlyTntListBox")->count(), 3);
  EXPECT_EQ(Control<QListWidget>(&page, "LangReadOnlyTntListBox")->item(0)->text(), "Italiano");
  ASSERT_EQ(Control<QListWidget>(&page, "LanguageTntListBox")->count(), 1);
  EXPECT_EQ(Control<QListWidget>(&page, "LanguageTntListBox")->item(0)->text(),
            QString::fromUtf8("Español"));
  EXPECT_TRUE(Control<QPushButton>(&page, "ImportLangButton")->isEnabled());
  EXPECT_EQ(form->Session.Catalogue().DefaultPosition(), device->DefaultIndex(3));
}

TEST_F(TransferWindowTest, AFailingLinkIsRetriedThreeTimesThenReported) {
  ASSERT_TRUE(WaitForLight());
  devsim::Faults faults;
  faults.dropAfter = 5;  // identity, area, two files, and the third file request is lost
  device->SetFaults(faults);
  form->TabPageControl->setCurrentWidget(form->PicturesTabSheet);
  // Between the attempts the watcher stays paused: the light cannot change under a retry.
  bool resumedBetweenRetries = false;
  ASSERT_TRUE(PumpUntil([&] {
    if (form->Session.Retries() > 0 && form->TransferActive() && !form->Watcher->Paused)
      resumedBetweenRetries = true;
    return !form->TransferActive();
  }));
  EXPECT_FALSE(resumedBetweenRetries);

  // The directory read passed; the picture read failed four times in a row.
  EXPECT_EQ(form->Session.Retries(), 3);
  EXPECT_EQ(form->Session.Action(), TAction::ReadAllPictures);
  EXPECT_EQ(Requests(0xFF, 0x37), 4);
  // Each attempt stopped at its third file: two files taken, no fourth requested.
  EXPECT_EQ(Requests(0xFF, 0xC2), 4 * 3);
  const auto warnings = prompts.Records(TPromptEvent::Message);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].Text, LangString(65176));
  EXPECT_EQ(warnings[0].Kind, TMessageKind::Warning);
  EXPECT_EQ(warnings[0].Beep, TBeep::Notice);
  // The reading light stays lit, now red; the window is usable again; nothing half-read shows.
  EXPECT_TRUE(form->BottomStrip->LEDLabelRead->Lit());
  EXPECT_EQ(form->BottomStrip->LEDLabelRead->Color(), lcRed);
  EXPECT_TRUE(form->TabPageControl->isEnabled());
  EXPECT_EQ(form->PicturesTabSheet->ReadOnlyListBox->count(), 0);
  EXPECT_EQ(form->PicturesTabSheet->PicturesListBox->count(), 0);
  EXPECT_TRUE(form->StatusText(1).isEmpty());
  EXPECT_FALSE(form->Watcher->Paused);
}

TEST_F(TransferWindowTest, AForeignDeviceIsRefusedOnceAndTheProgramAskedToEnd) {
  ASSERT_TRUE(WaitForLight());
  device->SetIdentity(18);
  ASSERT_TRUE(TurnTo(form->LanguagesTabSheet));
  const auto boxes = prompts.Records(TPromptEvent::Message);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "Collegato computer errato – questo strumento supporta solo Orvanel!");
  EXPECT_EQ(boxes[0].Kind, TMessageKind::Error);
  EXPECT_TRUE(form->TerminateRequested);
}

TEST_F(TransferWindowTest, IdentityTwentyFiveIsASupportedDevice) {
  ASSERT_TRUE(WaitForLight());
  device->SetIdentity(25);
  ASSERT_TRUE(TurnTo(form->LanguagesTabSheet));
  EXPECT_EQ(Control<QListWidget>(form->LanguagesTabSheet, "LangReadOnlyTntListBox")->count(), 3);
  EXPECT_TRUE(prompts.Records(TPromptEvent::Message).empty());
  EXPECT_FALSE(form->TerminateRequested);
}

TEST_F(TransferWindowTest, ExitDuringATransferStopsItThenCleansUpAfterADelete) {
  ASSERT_TRUE(WaitForLight());
  form->DeleteHappened = true;
  form->TabPageControl->setCurrentWidget(form->PicturesTabSheet);
  ASSERT_TRUE(PumpUntil([&] { return Requests(0xFF, 0xC2) >= 1; }));
  form->ExitButtonClick();
  // Never a clean-up beside the read: the read stops first, then the clean-up ends the program.
  ASSERT_TRUE(PumpUntil([&] { return form->TerminateRequested && !form->TransferActive(); }));
  EXPECT_EQ(Sent(0xFF, 0xE9), (std::vector<platform::Bytes>{{0xFF, 0xE9, 0, 0, 0, 0}}));
  EXPECT_EQ(device->Connections(), 3);  // directory, the stopped read, the clean-up
}

TEST_F(TransferWindowTest, ClosingDuringATransferStopsItBeforeTheWindowGoes) {
  ASSERT_TRUE(WaitForLight());
  form->TabPageControl->setCurrentWidget(form->PicturesTabSheet);
  ASSERT_TRUE(PumpUntil([&] { return Requests(0xFF, 0xC2) >= 1; }));
  form->close();
  ASSERT_TRUE(PumpUntil([&] { return form->isHidden() || !form->TransferActive(); }));
  form.reset();  // must not hang or touch a destroyed window
  SUCCEED();
}

// ---- Writes --------------------------------------------------------------------------------

class WriteWindowTest : public TransferWindowTest {
 protected:
  // The Pictures page read in full, and a picture of our own in the working picture.
  void ReadPicturesAndDraw() {
    ASSERT_TRUE(WaitForLight());
    WindowOnSimulatorTest::ReadPicturesAndDraw();
  }
  void WritePicture() {
    form->PicturesTabSheet->WrdPicButtonClick();
    ASSERT_TRUE(WaitIdle());
  }
};

TEST_F(WriteWindowTest, WrittenPictureIsStoredAsSentAndListedUnderItsDeviceName) {
  ReadPicturesAndDraw();
  WritePicture();

  const auto files = device->Files(4);
  ASSERT_EQ(files.size(), 6u);
  const platform::Bytes expectedStart{0x20, 0x0A, 0x00, 0x00, 0x00, 0xFF, 0x04, 0xFF, 0x00,
                                      0xFF, 0x00, 0x01, 'd',  'i',  'v',  'e',  'r',  0};
  EXPECT_TRUE(std::equal(expectedStart.begin(), expectedStart.end(), files[5].begin()));
  const platform::Bytes pixels = EncodePicture(form->PicturesTabSheet->WorkingPicture());
  EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), files[5].begin() + 32));

  PicturesPage& page = *form->PicturesTabSheet;
  ASSERT_EQ(page.PicturesListBox->count(), 3);
  EXPECT_EQ(page.PicturesListBox->item(2)->text(), "diver");
  EXPECT_EQ(page.NmbOfPixPanel->text(), "6 immagini");
  EXPECT_EQ(form->Session.Catalogue().CatalogueCount(), 6);
  EXPECT_EQ(form->Session.Catalogue().Entry(5)->Position, 6);
  ASSERT_EQ(form->Session.Catalogue().FileCount(), 6);
  EXPECT_EQ(*form->Session.Catalogue().File(5), files[5]);
  EXPECT_FALSE(form->BottomStrip->LEDLabelWrite->Lit());
  EXPECT_TRUE(form->StatusText(1).isEmpty());
}

TEST_F(WriteWindowTest, AFailedWriteIsRetriedFromTheStartAndNeverListedTwice) {
  ReadPicturesAndDraw();
  const std::size_t areaCommandsBefore = Sent(0xFF, 0x37).size();
  devsim::Faults faults;
  faults.dropAfter = 12;  // identity, area, header packet, eight content packets, then cut
  device->SetFaults(faults);
  WritePicture();

  // Four attempts, each from the area command on.
  EXPECT_EQ(Sent(0xFF, 0x37).size(), areaCommandsBefore + 4);
  ASSERT_EQ(prompts.Records(TPromptEvent::Message).size(), 1u);
  EXPECT_EQ(prompts.Last().Text, LangString(65176));
  EXPECT_EQ(form->BottomStrip->LEDLabelWrite->Color(), lcRed);
  // Nothing reached the device, and nothing of the failed attempts stays in the window.
  EXPECT_EQ(device->Files(4).size(), 5u);
  EXPECT_EQ(form->Session.Catalogue().CatalogueCount(), 5);
  EXPECT_EQ(form->Session.Catalogue().FileCount(), 5);
  EXPECT_EQ(form->PicturesTabSheet->PicturesListBox->count(), 2);
  // No last packet was sent after the cut.
  for (const auto& packet : Sent(0xFF, 0xD2)) EXPECT_NE(packet[2], 0x02);
}

TEST_F(WriteWindowTest, DeletingAddedPicturesSendsTheHighestPositionFirst) {
  ReadPicturesAndDraw();
  WritePicture();  // added pictures now at positions 4, 5 and 6
  PicturesPage& page = *form->PicturesTabSheet;
  page.PicturesListBox->item(0)->setSelected(true);
  page.PicturesListBox->item(2)->setSelected(true);
  prompts.QueueAnswer(TMessageAnswer::Yes);
  form->PicturesTabSheet->DeleteFileButtonClick();
  ASSERT_TRUE(WaitIdle());

  const auto deletes = Sent(0xFF, 0xD0);
  ASSERT_EQ(deletes.size(), 2u);
  EXPECT_EQ(deletes[0], (platform::Bytes{0xFF, 0xD0, 0xFF, 0x04, 0x06, 0x00}));
  EXPECT_EQ(deletes[1], (platform::Bytes{0xFF, 0xD0, 0xFF, 0x04, 0x04, 0x00}));
  EXPECT_TRUE(form->DeleteHappened);
  EXPECT_EQ(device->Files(4).size(), 4u);
  ASSERT_EQ(page.PicturesListBox->count(), 1);
  EXPECT_EQ(page.PicturesListBox->item(0)->text(), "Dive flag");
  ASSERT_EQ(form->Session.Catalogue().CatalogueCount(), 4);
  EXPECT_EQ(form->Session.Catalogue().Entry(3)->Position, 4);
  EXPECT_EQ(form->Session.Catalogue().FileCount(), 4);
  EXPECT_EQ(page.NmbOfPixPanel->text(), "4 immagini");

  // Leaving now cleans the device's memory up first, and the program ends when it is ready.
  ASSERT_TRUE(form->BottomStrip->LEDLabelIrDA->Lit());
  form->ExitButtonClick();
  ASSERT_TRUE(form->TransferActive());
  form->ExitButtonClick();  // impatient: the clean-up ends the program anyway
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(Sent(0xFF, 0xE9), (std::vector<platform::Bytes>{{0xFF, 0xE9, 0, 0, 0, 0}}));
  EXPECT_TRUE(form->TerminateRequested);
  EXPECT_EQ(form->StatusText(1), QString());
}

TEST_F(WriteWindowTest, DeclinedDeleteSendsNothingAndExitEndsAtOnce) {
  ReadPicturesAndDraw();
  form->PicturesTabSheet->PicturesListBox->item(0)->setSelected(true);
  prompts.QueueAnswer(TMessageAnswer::No);
  form->PicturesTabSheet->DeleteFileButtonClick();
  EXPECT_FALSE(form->TransferActive());
  EXPECT_FALSE(form->DeleteHappened);
  EXPECT_EQ(prompts.Last().Text, "Si desidera eliminare tutte le immagini Orvanel selezionate?");

  form->ExitButtonClick();
  EXPECT_TRUE(Sent(0xFF, 0xE9).empty());
  EXPECT_EQ(form->Watcher, nullptr);  // the window has shut down
}

TEST_F(WriteWindowTest, StartupPictureCommandCarriesTheOneBasedPosition) {
  ReadPicturesAndDraw();
  form->Session.MoveDefault(2, 0);
  form->StartAction({.Action = TAction::SetStartupPicture}, LangString(65196));
  ASSERT_TRUE(WaitIdle());
  // The default command has no answer: the device may still be reading it.
  EXPECT_TRUE(PumpUntil([&] { return device->DefaultIndex(4) == 3; }));
  EXPECT_EQ(Sent(0xFF, 0x57), (std::vector<platform::Bytes>{{0xFF, 0x57, 0xFF, 0x04, 0x03}}));
}

TEST_F(WriteWindowTest, WrittenLanguageIsListedAsAdded) {
  ASSERT_TRUE(WaitForLight());
  ASSERT_TRUE(TurnTo(form->LanguagesTabSheet));
  const platform::Bytes polski = devsim::MakeLanguageFile("Polski", 0, 3242);
  form->StartAction(
      {.Action = TAction::WriteLanguage, .Package = polski, .Results = form->LanguagesTabSheet},
      LangString(65189));
  ASSERT_TRUE(WaitIdle());

  const auto languages = device->Files(3);
  ASSERT_EQ(languages.size(), 5u);
  platform::Bytes expected = polski;
  expected[5] = 0xFF;
  EXPECT_EQ(languages.back(), expected);
  ASSERT_EQ(Control<QListWidget>(form->LanguagesTabSheet, "LanguageTntListBox")->count(), 2);
  EXPECT_EQ(Control<QListWidget>(form->LanguagesTabSheet, "LanguageTntListBox")->item(1)->text(),
            "Polski");
  EXPECT_EQ(form->Session.Catalogue().CatalogueCount(), 5);
  EXPECT_EQ(form->Session.Catalogue().Entry(4)->Position, 5);
}

TEST(SetControlsEnabledTest, FirmwareWriteOnlyLocksThePagesOtherActionsAlsoTheWriteButton) {
  testsupport::SleepRecorder sleeps;
  sleeps.SetOnSleep([](int) { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
  testsupport::TemporaryBus bus;
  TScriptedPrompts prompts;
  TMainForm form;
  form.PicturesTabSheet->ViewImage->setVisible(true);
  form.BottomStrip->LEDLabelIrDA->SetLit(
      true);  // a dive computer in range, for the write button to follow

  form.BottomStrip->ProgressBar->setValue(5);
  form.EnableControls(TAction::WriteFirmware, false, false);
  EXPECT_FALSE(form.TabPageControl->isEnabled());
  EXPECT_EQ(form.BottomStrip->ProgressBar->value(), 5);
  form.EnableControls(TAction::WriteFirmware, true, true);
  EXPECT_TRUE(form.TabPageControl->isEnabled());
  EXPECT_EQ(form.BottomStrip->ProgressBar->value(), 0);

  form.BottomStrip->ProgressBar->setValue(5);
  form.EnableControls(TAction::ReadAllPictures, false, false);
  EXPECT_FALSE(form.TabPageControl->isEnabled());
  EXPECT_FALSE(form.PicturesTabSheet->WrdPicButton->isEnabled());
  EXPECT_FALSE(form.PicturesTabSheet->cbStartUpPic->isEnabled());
  EXPECT_EQ(form.BottomStrip->ProgressBar->value(), 0);
  form.EnableControls(TAction::ReadAllPictures, true, false);
  EXPECT_TRUE(form.PicturesTabSheet->WrdPicButton->isEnabled());
  EXPECT_TRUE(form.PicturesTabSheet->cbStartUpPic->isEnabled());
  form.close();
}

}  // namespace
