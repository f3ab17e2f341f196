// The Software page in the real window against the simulated dive computer, as a diver updates
// the firmware: import the file, pass the wizard with its own buttons, watch the parts go out and
// be told once, as the write ends, whatever the device does next. A link lost half way, and a
// device out of range, never end with that message. Pauses are recorded, not spent.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "DemoContent.h"
#include "devicefiles/PackageFile.h"
#include "firmware/SoftwarePage.h"
#include "firmware/WizardForm.h"
#include "support/Controls.h"
#include "support/WindowOnSimulator.h"
#include "texts/LangStrings.h"

namespace {

using testsupport::Control;

using testsupport::PumpUntil;
using Version = std::pair<std::uint8_t, std::uint8_t>;

class FirmwareWindowTest : public testsupport::WindowOnSimulatorTest {
 protected:
  FirmwareWindowTest() {
    RestartDevice({});
    form->show();
    QObject::connect(form->BottomStrip->ProgressBar, &QProgressBar::valueChanged,
                     [this](int value) {
                       const int firmwareMaximum = static_cast<int>(sample.size() / 54 + 10);
                       barFull += value == firmwareMaximum &&
                                  form->BottomStrip->ProgressBar->maximum() == firmwareMaximum;
                     });
  }

  // The shared fixture's device is back from a restart at once; by default this one stays away
  // long enough for the window's watcher to see it leave, as many devices do.
  void RestartDevice(const devsim::Faults& faults, int restartMs = 300) {
    device->Stop();
    devsim::SimulatorConfig config;
    config.busDirectory = bus.Dir();
    config.stateDirectory = state.filePath(stateFolder).toStdString();
    config.restartMs = restartMs;
    config.faults = faults;
    device = std::make_unique<devsim::DeviceSimulator>(config);
    ASSERT_TRUE(device->Start());
  }

  // The downloaded file (firmware 5.2 in three parts) imported, then ">>" and the wizard worked
  // through with its own controls, as it shows on screen.
  void ImportAndPassWizard(bool unplugFirst = false) {
    ASSERT_TRUE(WaitForLight());
    ASSERT_TRUE(TurnTo(form->SoftwareTabSheet));
    SoftwarePage& page = *form->SoftwareTabSheet;
    prompts.QueueFileName(WriteFile("orvanel52.enc", sample));
    QTest::mouseClick(Control<QPushButton>(&page, "LoadSWFileButton"), Qt::LeftButton);
    ASSERT_EQ(Control<QLabel>(&page, "SWVersionPanel")->text(), "V5.2");
    if (unplugFirst) device->Stop();
    ASSERT_TRUE(PumpUntil([&] { return form->BottomStrip->LEDLabelIrDA->Lit() == !unplugFirst; }));
    prompts.QueueModal([](QDialog& dialog) {
      auto& wizard = dynamic_cast<TWizardForm&>(dialog);
      wizard.show();
      QTest::keyClicks(wizard.eSecurity, "694");
      QTest::mouseClick(wizard.ApplyButton, Qt::LeftButton);
      QTest::mouseClick(wizard.NextButton, Qt::LeftButton);
      QTest::mouseClick(wizard.cbConfirm, Qt::LeftButton, {}, QPoint(6, 6));
      for (int step = 1; step <= 3; ++step) QTest::mouseClick(wizard.NextButton, Qt::LeftButton);
      return wizard.result();
    });
    QTest::mouseClick(Control<QPushButton>(&page, "WriteSWButton"), Qt::LeftButton);
    EXPECT_EQ(prompts.Records(TPromptEvent::Modal).back().ModalResult, QDialog::Accepted);
    ASSERT_TRUE(WaitIdle());
  }

  QString WriteFile(const QString& name, const platform::Bytes& bytes) {
    QFile file(QDir(files.path()).filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    return file.fileName();
  }
  // How often the device got a header packet, and a message with this text was shown, once the
  // window has had a while in which a message that should not come could come.
  int HeaderPackets() const {
    int count = 0;
    for (const platform::Bytes& packet : Sent(0xFF, 0xD2)) count += packet[2] == 0x00;
    return count;
  }
  int Messages(int textId, int lingerMs = 1000) {
    PumpUntil([] { return false; }, lingerMs);
    int count = 0;
    for (const TPromptRecord& r : prompts.Records(TPromptEvent::Message))
      count += r.Text == LangString(textId);
    return count;
  }

  const platform::Bytes sample = devsim::MakeFirmwareFile(5, 2, "FW 5.2", {3000, 2000, 1500});
  QTemporaryDir files;
  QString stateFolder = "device";  // inside the fixture's state folder
  int barFull = 0;
};

TEST_F(FirmwareWindowTest, ThreePartsGoOutAndTheDiverIsToldOnceAsTheWriteEnds) {
  const struct {
    const char* what;
    int restartMs;
  } rows[] = {
      {"the device leaves range while it restarts", 300},
      {"the device restarts too fast to be seen gone", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    stateFolder = row.what;  // a device still at 5.1 for each row
    RestartDevice({}, row.restartMs);
    prompts.Clear();
    barFull = 0;
    ImportAndPassWizard();
    EXPECT_EQ(HeaderPackets(), 3);
    EXPECT_EQ(barFull, 1);  // the bar ran to its end once the last part was out
    // Told as the transfer ends, with the notice beep; the window is the diver's again.
    ASSERT_EQ(Messages(65181, 0), 1);
    EXPECT_EQ(prompts.Last().Beep, TBeep::Notice);
    EXPECT_EQ(prompts.Last().Kind, TMessageKind::Information);
    EXPECT_EQ(form->BottomStrip->ProgressBar->value(), 0);
    EXPECT_TRUE(form->TabPageControl->isEnabled());
    EXPECT_FALSE(form->Session.LastPartSent());
    // The device's restart and return, seen or not, bring nothing more.
    ASSERT_TRUE(PumpUntil([&] { return device->Restarts() == 1; }));
    ASSERT_TRUE(WaitForLight());
    EXPECT_EQ(device->FirmwareVersion(), (Version{5, 2}));
    EXPECT_EQ(device->Files(devsim::kFirmwareArea), devsim::SplitFirmwareParts(sample));
    EXPECT_EQ(Messages(65181, 1500), 1);
    EXPECT_EQ(prompts.Records(TPromptEvent::Message).size(), 1u);
  }
}

TEST_F(FirmwareWindowTest, ALinkLostInTheSecondPartEndsWithTheWarningAndNoCompletion) {
  // Identity, directory, battery and ready wait, then part 1: its header, the ready poll, 56
  // content packets, three ready polls; request 75 lies in part 2's content, on every attempt.
  RestartDevice({.dropAfter = 75, .once = false});
  ImportAndPassWizard();
  EXPECT_EQ(HeaderPackets(), 2 * 4);  // parts 1 and 2 on the first attempt and three retries
  EXPECT_EQ(Messages(65176, 0), 1);
  EXPECT_EQ(device->FirmwareVersion(), (Version{5, 1}));
  // Even a device that leaves range and comes back does not turn the failed write into a success.
  device->Stop();
  ASSERT_TRUE(PumpUntil([&] { return !form->BottomStrip->LEDLabelIrDA->Lit(); }));
  RestartDevice({});
  ASSERT_TRUE(WaitForLight());
  EXPECT_EQ(Messages(65181), 0);
  EXPECT_EQ(prompts.Records(TPromptEvent::Message).size(), 1u);
}

TEST_F(FirmwareWindowTest, OutOfRangeTheWizardEndsWithTheInfraredMessageAndNothingIsSent) {
  ImportAndPassWizard(true);
  EXPECT_EQ(Messages(65180, 300), 1);
  EXPECT_EQ(prompts.Last().Kind, TMessageKind::Plain);
  EXPECT_EQ(HeaderPackets(), 0);
  EXPECT_NE(form->Session.Action(), TAction::WriteFirmware);
}

TEST_F(FirmwareWindowTest, ImportRefusalsAndACancelledWizardLeaveTheDeviceAlone) {
  ASSERT_TRUE(WaitForLight());
  ASSERT_TRUE(TurnTo(form->SoftwareTabSheet));
  SoftwarePage& page = *form->SoftwareTabSheet;
  const TPackageFields fields = *DescribePackage(sample, kTypeFirmware);
  const QStringList imported = {"fw52.enc", fields.Size, "V5.2", "FW 5.2", fields.Checksum};
  const struct {
    const char* what;
    QString file;  // empty: the dialog is cancelled
    QStringList panels;
    int errors;
  } cases[] = {
      {"firmware", WriteFile("fw52.enc", sample), imported, 0},
      {"cancelled", "", imported, 0},
      {"unreadable", QDir(files.path()).filePath("gone.enc"), imported, 1},
      {"a language file", WriteFile("lang.enc", devsim::MakeLanguageFile("Polski", 0, 800)),
       QStringList(5, "---"), 1},
      {"firmware again", QDir(files.path()).filePath("fw52.enc"), imported, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    prompts.Clear();
    prompts.QueueFileName(c.file);
    QTest::mouseClick(Control<QPushButton>(&page, "LoadSWFileButton"), Qt::LeftButton);
    EXPECT_EQ((QStringList{Control<QLabel>(&page, "SWFilenamePanel")->text(),
                           Control<QLabel>(&page, "SWSizePanel")->text(),
                           Control<QLabel>(&page, "SWVersionPanel")->text(),
                           Control<QLabel>(&page, "SWDescrPanel")->text(),
                           Control<QLabel>(&page, "SWChksumPanel")->text()}),
              c.panels);
    EXPECT_EQ(Control<QPushButton>(&page, "WriteSWButton")->isEnabled(), c.panels == imported);
    EXPECT_EQ(static_cast<int>(prompts.Records(TPromptEvent::Message).size()), c.errors);
  }
  prompts.Clear();
  prompts.QueueModalResult(QDialog::Rejected);
  QTest::mouseClick(Control<QPushButton>(&page, "WriteSWButton"), Qt::LeftButton);
  EXPECT_EQ(prompts.Records(TPromptEvent::Modal).at(0).Window, "WizardForm");
  EXPECT_EQ(Messages(65180, 300), 0);
  EXPECT_TRUE(prompts.Records(TPromptEvent::Message).empty());
  EXPECT_NE(form->Session.Action(), TAction::WriteFirmware);
}

}  // namespace
