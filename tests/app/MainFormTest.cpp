// The main window as the user meets it: start state, scaling, page changes, the presence light
// following a simulated dive computer on a temporary bus, and the shutdown within its bound.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <chrono>
#include <thread>

#include "DeviceSimulator.h"
#include "app/AboutPage.h"
#include "app/Main.h"
#include "firmware/SoftwarePage.h"
#include "languages/LanguagesPage.h"
#include "pictures/PicturesPage.h"
#include "platform/ByteOrder.h"
#include "platform/SleepHook.h"
#include "support/Controls.h"
#include "support/PumpEvents.h"
#include "support/ScriptedPrompts.h"
#include "support/ScriptedSocketApi.h"
#include "support/SleepRecorder.h"
#include "texts/LangStrings.h"
#include "transfer/DeviceInfo.h"
#include "watcher/CheckDevListThread.h"
#include "widgets/Application.h"
#include "widgets/LED.h"

namespace {

using testsupport::Control;

using testsupport::PumpUntil;

class MainFormTest : public testing::Test {
 protected:
  MainFormTest() {
    sleeps.SetOnSleep([](int) { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
    previousPrompts = InstallPrompts(&prompts);
  }
  ~MainFormTest() override {
    form.reset();
    InstallPrompts(previousPrompts);
  }

  void Create(double dotsPerInch = 96) {
    TMainForm::Options options;
    options.SocketApi = &api;
    options.DotsPerInch = dotsPerInch;
    form = std::make_unique<TMainForm>(options);
  }

  testsupport::SleepRecorder sleeps;
  testsupport::ScriptedSocketApi api;
  TScriptedPrompts prompts;
  TPrompts* previousPrompts = nullptr;
  std::unique_ptr<TMainForm> form;
};

TEST_F(MainFormTest, StartsOnTheAboutPageWithItalianCaptionsAndTheLightOff) {
  Create();
  EXPECT_EQ(form->TabPageControl->currentWidget(), form->AboutTabSheet);
  const QStringList tabs{"Informazioni", "Immagini", "Lingue", "Software"};
  for (int i = 0; i < tabs.size(); ++i) EXPECT_EQ(form->TabPageControl->tabText(i), tabs[i]);
  EXPECT_EQ(form->TabPageControl->tabPosition(), QTabWidget::East);
  EXPECT_EQ(form->windowTitle(), "Impostazione Orvanel");
  EXPECT_EQ(form->BottomStrip->LEDLabelIrDA->Caption(), "Rilevato Orvanel");
  EXPECT_EQ(form->BottomStrip->LEDLabelRead->Caption(), "Lettura");
  EXPECT_EQ(form->BottomStrip->LEDLabelWrite->Caption(), "Scrittura");
  EXPECT_EQ(form->BottomStrip->ExitButton->text(), "Esci");
  EXPECT_FALSE(form->BottomStrip->LEDLabelIrDA->Lit());
  EXPECT_EQ(form->StatusText(1),
            "Orvanel disattivato - accendere Orvanel per attivare la comunicazione a infrarossi");
  EXPECT_TRUE(form->StatusText(2).isEmpty());
  EXPECT_EQ(form->Session.Action(), TAction::None);
  EXPECT_TRUE(form->ListsStale);
  EXPECT_FALSE(form->DeleteHappened);
  EXPECT_EQ(form->PicturesTabSheet->WorkingPicture().size(), QSize(128, 80));
  EXPECT_EQ(Control<QPlainTextEdit>(form->AboutTabSheet, "mDescription")->toPlainText(),
            LangString(65251).replace("\r\n", "\n"));
  // The grey controls start disabled at the middle.
  EXPECT_FALSE(form->PicturesTabSheet->slBlack->isEnabled());
  EXPECT_EQ(form->PicturesTabSheet->slWhite->value(), 60);
  EXPECT_EQ(api.Count("Startup"), 1);
}

TEST_F(MainFormTest, ScalesDesignSizesByTheScreenResolution) {
  Create(96);
  EXPECT_DOUBLE_EQ(form->ScaleFactor(), 1.0);
  EXPECT_EQ(form->TabWidth(), 120);
  EXPECT_EQ(form->BottomStrip->StatusPanelWidth(0), 125);
  EXPECT_EQ(form->size(), QSize(802, 593));
  form.reset();

  Create(120);
  EXPECT_DOUBLE_EQ(form->ScaleFactor(), 1.25);
  EXPECT_EQ(form->TabWidth(), 150);
  EXPECT_EQ(form->TabHeight(), 41);
  EXPECT_EQ(form->BottomStrip->StatusPanelWidth(0), 156);
  // The selection count is at least its design width, and wider where its text needs it.
  EXPECT_GE(form->BottomStrip->StatusPanelWidth(2), 125);
  EXPECT_GE(
      form->BottomStrip->StatusPanelWidth(2),
      form->BottomStrip->fontMetrics().horizontalAdvance(LangStrings::SelectedPicturesText(888)));
  // The window's design size is given at 120 dots per inch.
  EXPECT_EQ(form->size(), QSize(1003, 741));
}

TEST_F(MainFormTest, PageChangesEmptyTheOtherPagesAndWakeThePresenceHandler) {
  Create();
  form->SetStatusText(2, "3 selezionate");
  form->PicturesTabSheet->ReadOnlyListBox->addItem("reef");
  Control<QListWidget>(form->LanguagesTabSheet, "LanguageTntListBox")->addItem("Español");
  form->ListsStale = false;

  form->TabPageControl->setCurrentWidget(form->SoftwareTabSheet);
  EXPECT_FALSE(
      Control<QLabel>(form->AboutTabSheet, "TitleImage2")->isVisibleTo(form->AboutTabSheet));
  EXPECT_EQ(form->PicturesTabSheet->ReadOnlyListBox->count(), 0);
  EXPECT_EQ(Control<QListWidget>(form->LanguagesTabSheet, "LanguageTntListBox")->count(), 0);
  EXPECT_TRUE(form->StatusText(2).isEmpty());
  EXPECT_FALSE(form->ListsStale);  // no presence handler for the Software page

  // No device: the handler reports it and disables what needs a device.
  form->PicturesTabSheet->DeleteFileButton->setEnabled(true);
  Control<QCheckBox>(form->LanguagesTabSheet, "cbDefaultLang")->setEnabled(true);
  form->SetStatusText(1, "x");
  form->TabPageControl->setCurrentWidget(form->PicturesTabSheet);
  EXPECT_EQ(form->StatusText(1), LangString(65191));
  EXPECT_FALSE(form->PicturesTabSheet->DeleteFileButton->isEnabled());
  EXPECT_FALSE(Control<QCheckBox>(form->LanguagesTabSheet, "cbDefaultLang")->isEnabled());
  EXPECT_TRUE(form->ListsStale);

  form->TabPageControl->setCurrentWidget(form->AboutTabSheet);
  EXPECT_TRUE(
      Control<QLabel>(form->AboutTabSheet, "TitleImage2")->isVisibleTo(form->AboutTabSheet));
}

TEST_F(MainFormTest, PresenceUpdatesFollowTheEnumeration) {
  api.SetIdleDevices({{{0x0A, 0x1B, 0x2C, 0x3D}, "Orvanel"}});
  Create();
  ASSERT_TRUE(PumpUntil([&] { return form->BottomStrip->LEDLabelIrDA->Lit(); }));
  EXPECT_EQ(form->StatusText(1), "Orvanel attivato - comunicazione a infrarossi attivata");
  EXPECT_EQ(form->Session.DeviceId(), (std::array<std::uint8_t, 4>{0x0A, 0x1B, 0x2C, 0x3D}));
  // No preview, so nothing to write even with a device in range.
  EXPECT_FALSE(form->PicturesTabSheet->WrdPicButton->isEnabled());

  api.SetIdleDevices({});
  ASSERT_TRUE(PumpUntil([&] { return !form->BottomStrip->LEDLabelIrDA->Lit(); }));
  EXPECT_EQ(form->StatusText(1), LangString(65191));
}

TEST_F(MainFormTest, ClosingStopsTheWatcherWithinItsBoundAndShutsTheSocketLayerDown) {
  Create();
  ASSERT_TRUE(PumpUntil([&] { return api.Count("EnumerateDevices") >= 2; }));
  form->close();
  EXPECT_EQ(form->Watcher, nullptr);
  EXPECT_LE(sleeps.Count(100), TCheckDevListThread::kStopWaits);
  EXPECT_EQ(api.Count("Cleanup"), 1);
  EXPECT_EQ(api.closes.size(), 1u);  // the watcher's enumeration socket
  form.reset();                      // destruction after close does not shut down twice
  EXPECT_EQ(api.Count("Cleanup"), 1);
}

TEST_F(MainFormTest, SocketLayerThatCannotStartIsReportedInAPlainBox) {
  api.startupResult = 10091;
  Create();
  ASSERT_FALSE(prompts.Records(TPromptEvent::Message).empty());
  const TPromptRecord box = prompts.Records(TPromptEvent::Message).front();
  EXPECT_EQ(box.Kind, TMessageKind::Plain);
  EXPECT_EQ(box.Caption, "Orvanel Config");
  EXPECT_EQ(box.Text, "Errore di avvio DLL Windows Sockets!");
}

TEST_F(MainFormTest, ExceptionHandlerNamesTheDriveThatIsNotReady) {
  TApplication::HandleException(std::make_exception_ptr(TDriveNotReadyError("a:")));
  ASSERT_EQ(prompts.Records(TPromptEvent::Message).size(), 1u);
  const TPromptRecord box = prompts.Last();
  EXPECT_EQ(box.Text, "Disco A:  non disponibile!");
  EXPECT_EQ(box.Kind, TMessageKind::Error);
  EXPECT_EQ(box.Beep, TBeep::Error);
  EXPECT_EQ(TApplication::DriveNotReadyText("/media/card"), "Disco /media/card:  non disponibile!");
}

TEST_F(MainFormTest, ExitWithoutADeviceEndsAtOnceEvenAfterADelete) {
  Create();
  form->DeleteHappened = true;
  form->ExitButtonClick();
  EXPECT_FALSE(form->TransferActive());
  EXPECT_EQ(form->Watcher, nullptr);
  EXPECT_EQ(api.Count("Connect"), 0);
}

// The light against a real simulated dive computer that joins and leaves a temporary bus,
// through the platform's own socket layer.
TEST(MainFormOverBusTest, LightFollowsASimulatedDiveComputer) {
  testsupport::SleepRecorder sleeps;
  sleeps.SetOnSleep([](int) { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
  TScriptedPrompts prompts;
  TPrompts* previous = InstallPrompts(&prompts);
  QTemporaryDir root;
  ASSERT_TRUE(root.isValid());
  const QByteArray bus = QDir(root.path()).filePath("bus").toUtf8();
  const QByteArray oldBus = qgetenv("ORVANEL_IRDA_BUS");
  qputenv("ORVANEL_IRDA_BUS", bus);
  {
    TMainForm form;
    ASSERT_TRUE(PumpUntil([&] { return sleeps.Count(1000) >= 4; }));
    EXPECT_FALSE(form.BottomStrip->LEDLabelIrDA->Lit());

    devsim::SimulatorConfig config;
    config.busDirectory = bus.toStdString();
    config.stateDirectory = QDir(root.path()).filePath("state").toStdString();
    devsim::DeviceSimulator device(config);
    std::string error;
    ASSERT_TRUE(device.Start(&error)) << error;
    ASSERT_TRUE(PumpUntil([&] { return form.BottomStrip->LEDLabelIrDA->Lit(); }));
    EXPECT_EQ(form.StatusText(1), LangString(65190));
    EXPECT_EQ(form.Session.DeviceId(), devsim::kDefaultDeviceId);

    device.Stop();
    ASSERT_TRUE(PumpUntil([&] { return !form.BottomStrip->LEDLabelIrDA->Lit(); }));
    EXPECT_EQ(form.StatusText(1), LangString(65191));
    EXPECT_TRUE(prompts.Records().empty());
  }
  if (oldBus.isEmpty()) {
    qunsetenv("ORVANEL_IRDA_BUS");
  } else {
    qputenv("ORVANEL_IRDA_BUS", oldBus);
  }
  InstallPrompts(previous);
}

}  // namespace
