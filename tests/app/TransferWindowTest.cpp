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

#include "DeviceSimulator.h"
#include "app/LED.h"
#include "app/LangStrings.h"
#include "app/Main.h"
#include "app/ScriptedPrompts.h"
#include "irda/CheckDevListThread.h"
#include "languages/LanguagesPage.h"
#include "pictures/PictureCodec.h"
#include "pictures/PictureListWidget.h"
#include "pictures/PicturesPage.h"
#include "platform/SleepHook.h"
#include "support/TemporaryBus.h"

namespace {

template <typename Predicate>
bool PumpUntil(Predicate done, int milliseconds = 10000) {
  QDeadlineTimer deadline(milliseconds);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

class TransferWindowTest : public testing::Test {
 protected:
  TransferWindowTest() {
    sleeps.SetOnSleep([](int) { std::this_thread::sleep_for(std::chrono::microseconds(200)); });
    devsim::SimulatorConfig config;
    config.busDirectory = bus.Dir();
    config.stateDirectory = state.path().toStdString();
    config.restartMs = 0;
    device = std::make_unique<devsim::DeviceSimulator>(config);
    std::string error;
    started = device->Start(&error);
    EXPECT_TRUE(started) << error;
    form = std::make_unique<TMainForm>();
  }

  ~TransferWindowTest() override {
    if (form) form->close();
    form.reset();
    device->Stop();
  }

  bool WaitForLight() {
    return PumpUntil([&] { return form->LEDLabelIrDA->Lit(); });
  }
  bool WaitIdle() {
    return PumpUntil([&] { return !form->TransferActive(); });
  }
  // Turns to a page and waits until every read it started has ended.
  bool TurnTo(QWidget* page) {
    form->TabPageControl->setCurrentWidget(page);
    return WaitIdle();
  }
  int Requests(std::uint8_t first, std::uint8_t second) const {
    int count = 0;
    for (const auto& request : device->Requests()) {
      count += request.bytes.size() >= 2 && request.bytes[0] == first && request.bytes[1] == second;
    }
    return count;
  }

  testsupport::TemporaryBus bus;
  platform::SleepRecorder sleeps;
  TScriptedPrompts prompts;
  QTemporaryDir state;
  std::unique_ptr<devsim::DeviceSimulator> device;
  bool started = false;
  std::unique_ptr<TMainForm> form;
};

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
  EXPECT_EQ(form->Catalogue.DefaultPosition(), device->DefaultIndex(4));

  // Each item carries the device's picture, decoded exactly.
  const auto files = device->Files(4);
  QImage expected = MakeWorkingPicture();
  DecodePicture(files[3], expected);
  EXPECT_EQ(page.PicturesListBox->item(0)->data(TPictureItemDelegate::kPictureRole).value<QImage>(),
            expected);

  // The read is over: lights out, controls back, watcher running, status emptied.
  EXPECT_FALSE(form->LEDLabelRead->Lit());
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
  ASSERT_EQ(page.LangReadOnlyTntListBox->count(), 3);
  EXPECT_EQ(page.LangReadOnlyTntListBox->item(0)->text(), "Italiano");
  ASSERT_EQ(page.LanguageTntListBox->count(), 1);
  EXPECT_EQ(page.LanguageTntListBox->item(0)->text(), QString::fromUtf8("Español"));
  EXPECT_TRUE(page.ImportLangButton->isEnabled());
  EXPECT_EQ(form->Catalogue.DefaultPosition(), device->DefaultIndex(3));
}

TEST_F(TransferWindowTest, AFailingLinkIsRetriedThreeTimesThenReported) {
  ASSERT_TRUE(WaitForLight());
  devsim::Faults faults;
  faults.dropAfter = 4;  // identity, area, first file, and the second file request is lost
  device->SetFaults(faults);
  ASSERT_TRUE(TurnTo(form->PicturesTabSheet));

  // The directory read passed; the picture read failed four times in a row.
  EXPECT_EQ(form->RetryCount, 3);
  EXPECT_EQ(form->ActionCode, 3);
  EXPECT_EQ(Requests(0xFF, 0x37), 4);
  const auto warnings = prompts.Records(TPromptEvent::Message);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].Text, LangString(65176));
  EXPECT_EQ(warnings[0].Kind, TMessageKind::Warning);
  EXPECT_EQ(warnings[0].Beep, TBeep::Notice);
  // The reading light stays lit, now red; the window is usable again; nothing half-read shows.
  EXPECT_TRUE(form->LEDLabelRead->Lit());
  EXPECT_EQ(form->LEDLabelRead->Color(), lcRed);
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
  EXPECT_EQ(form->LanguagesTabSheet->LangReadOnlyTntListBox->count(), 3);
  EXPECT_TRUE(prompts.Records(TPromptEvent::Message).empty());
  EXPECT_FALSE(form->TerminateRequested);
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

TEST(SetControlsEnabledTest, FirmwareWriteOnlyLocksThePagesOtherActionsAlsoTheWriteButton) {
  platform::SleepRecorder sleeps;
  sleeps.SetOnSleep([](int) { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
  testsupport::TemporaryBus bus;
  TScriptedPrompts prompts;
  TMainForm form;
  form.PicturesTabSheet->ViewImage->setVisible(true);

  form.ActionCode = 6;
  form.ProgressBar->setValue(5);
  form.LastPartSent = true;
  form.SetControlsEnabled(false, false);
  EXPECT_FALSE(form.TabPageControl->isEnabled());
  EXPECT_EQ(form.ProgressBar->value(), 5);
  form.SetControlsEnabled(true, true);
  EXPECT_TRUE(form.TabPageControl->isEnabled());
  EXPECT_EQ(form.ProgressBar->value(), 0);
  EXPECT_FALSE(form.LastPartSent);

  form.ActionCode = 3;
  form.ProgressBar->setValue(5);
  form.SetControlsEnabled(false, false);
  EXPECT_FALSE(form.TabPageControl->isEnabled());
  EXPECT_FALSE(form.PicturesTabSheet->WrdPicButton->isEnabled());
  EXPECT_FALSE(form.PicturesTabSheet->cbStartUpPic->isEnabled());
  EXPECT_EQ(form.ProgressBar->value(), 0);
  form.SetControlsEnabled(true, false);
  EXPECT_TRUE(form.PicturesTabSheet->WrdPicButton->isEnabled());
  EXPECT_TRUE(form.PicturesTabSheet->cbStartUpPic->isEnabled());
  form.close();
}

}  // namespace
