#include "app/Main.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include "app/AboutPage.h"
#include "app/StartupTiming.h"
#include "firmware/SoftwarePage.h"
#include "firmware/WaitForm.h"
#include "languages/LanguagesPage.h"
#include "picture/PictureCodec.h"
#include "pictures/PicturesPage.h"
#include "platform/ErrorMode.h"
#include "texts/LangStrings.h"
#include "transfer/ReadActions.h"
#include "transfer/WriteActions.h"
#include "watcher/CheckDevListThread.h"
#include "watcher/Synchronize.h"
#include "widgets/LED.h"
#include "widgets/PageWidgets.h"
#include "widgets/Prompts.h"
#include "widgets/TabPages.h"

namespace {

double ScreenDotsPerInch() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInch() : 96.0;
}

// How soon a close held back by a running synchronised call is tried again.
constexpr int kCloseRetryMs = 20;

}  // namespace

TMainForm::TMainForm(Options options)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      ownLink_(std::make_unique<TDynaIrDA>(options.SocketApi)),
      DynaIrDA1(*ownLink_),
      Session(*this, options.SocketApi),
      scale_(ScaleFactorFor(options.DotsPerInch.value_or(ScreenDotsPerInch()))) {
  setObjectName("MainForm");
  setAttribute(Qt::WA_DeleteOnClose, false);

  TabPageControl = new TTabPages(this);
  TabPageControl->setObjectName("TabPageControl");
  TabPageControl->setTabPosition(QTabWidget::East);
  AboutTabSheet = new AboutPage(scale_, TabPageControl);
  PicturesTabSheet = new PicturesPage(scale_, TabPageControl, {}, TPageStart::Deferred);
  LanguagesTabSheet = new LanguagesPage(scale_, TabPageControl);
  SoftwareTabSheet = new SoftwarePage(scale_, TabPageControl);
  for (QWidget* page :
       {static_cast<QWidget*>(AboutTabSheet), static_cast<QWidget*>(PicturesTabSheet),
        static_cast<QWidget*>(LanguagesTabSheet), static_cast<QWidget*>(SoftwareTabSheet)}) {
    TabPageControl->addTab(page, QString());
  }
  pages_ = {AboutTabSheet, PicturesTabSheet, LanguagesTabSheet, SoftwareTabSheet};

  BottomStrip = new TBottomStrip(scale_, this);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(TabPageControl, 1);
  layout->addWidget(BottomStrip);

  // Wired before the watcher starts, so no presence change can come before its handler.
  connect(TabPageControl, &QTabWidget::currentChanged, this, &TMainForm::TabPageControlChange);
  connect(BottomStrip->ExitButton, &QPushButton::clicked, this, &TMainForm::ExitButtonClick);
  connect(BottomStrip->LEDLabelIrDA, &TLED::OnChangeState, this,
          &TMainForm::LEDLabelIrDAChangeState);

  PicturesTabSheet->SetHost(this);
  LanguagesTabSheet->SetHost(this);
  SoftwareTabSheet->SetHost(this);
  FormCreate();
}

TMainForm::~TMainForm() {
  FormDestroy();
}

int TMainForm::Scaled(int designSize) const {
  return ::Scaled(designSize, scale_);
}

void TMainForm::FormCreate() {
  // No system dialog for a drive that is not ready; the exception handler reports it.
  savedErrorMode_ = platform::SuppressCriticalErrorDialogs();

  // The socket layer, then the watcher that enumerates on it.
  DynaIrDA1.LinkOk = true;
  DynaIrDA1.StartWinsock();
  if (!DynaIrDA1.LinkOk) {
    Prompts().Plain(LangString(TText::SocketsFailed), this);
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
  }

  Watcher = std::make_unique<TCheckDevListThread>(DynaIrDA1, this, [this] { UpdatePresence(); });
  Session.SetWatcher(Watcher.get());
  Watcher->start();

  // The progress bar is there from the start; no device is known yet.
  BottomStrip->ProgressBar->setVisible(true);
  BottomStrip->LEDLabelIrDA->SetLit(false);

  // The window's design size is given at 120 dots per inch; it opens in the top left corner.
  const double designToScreen = scale_ * 96.0 / kDesignDotsPerInch;
  setFixedSize(::Scaled(kDesignClientWidth, designToScreen),
               ::Scaled(kDesignClientHeight, designToScreen));
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().topLeft());
  }
  tabWidth_ = Scaled(kTabWidth);
  tabHeight_ = Scaled(kTabHeight);
  // Tabs stand on the right-hand side: their width runs along the bar.
  TabPageControl->SetMinimumTabSize(tabWidth_, tabHeight_);

  ListsStale = true;
  DeleteHappened = false;

  // The About page first, and the status bar says the device is off.
  TabPageControl->setCurrentIndex(0);
  SetStatusText(1, LangString(TText::DeviceOffStatus));
  SetStatusText(2, QString());

  // The pages' start states.
  PicturesTabSheet->Clear();
  ClearLanguageLists();

  ApplyTexts();
  AboutTabSheet->Shown();
}

void TMainForm::ApplyTexts() {
  setWindowTitle(LangString(TText::SetupCaption));
  BottomStrip->ApplyTexts();
  AboutTabSheet->ApplyTexts();
  AboutTabSheet->AddWelcome(LangString(TText::AboutDescription));
  PicturesTabSheet->ApplyTexts();
  LanguagesTabSheet->ApplyTexts();
  SoftwareTabSheet->ApplyTexts();
  TabPageControl->setTabText(0, LangString(TText::AboutTab));
  TabPageControl->setTabText(1, LangString(TText::PicturesTab));
  TabPageControl->setTabText(2, LangString(TText::LanguagesTab));
  TabPageControl->setTabText(3, LangString(TText::SoftwareTab));
}

void TMainForm::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  // Queued: the rest of the start-up runs once this first frame is on the screen.
  if (!startupFinished_ && !startupQueued_) {
    startupQueued_ = true;
    QTimer::singleShot(0, this, &TMainForm::FinishStartup);
  }
}

void TMainForm::FinishStartup() {
  if (startupFinished_ || closing_) return;
  startupFinished_ = true;
  PicturesTabSheet->FinishStart();
  startup::Mark("start finished");
}

void TMainForm::SetStatusText(int panel, const QString& text) {
  BottomStrip->SetStatusText(panel, text);
}

QString TMainForm::StatusText(int panel) const {
  return BottomStrip->StatusText(panel);
}

void TMainForm::TabPageControlChange(int index) {
  QWidget* shown = TabPageControl->widget(index);
  if (shown == PicturesTabSheet) FinishStartup();
  for (TWindowPage* page : pages_) {
    if (dynamic_cast<QWidget*>(page) == shown) {
      page->Shown();
    } else {
      page->Left();
    }
  }
  // The catalogue belongs to the area of the page shown, which is read afresh.
  Session.ClearCatalogue();
  SetStatusText(2, QString());
  if (shown == PicturesTabSheet || shown == LanguagesTabSheet) LEDLabelIrDAChangeState();
}

void TMainForm::ClearPicturesPage() {
  Session.ClearCatalogue();
  PicturesTabSheet->Clear();
  SetStatusText(2, QString());
}

void TMainForm::ClearLanguageLists() {
  LanguagesTabSheet->Clear();
  Session.ClearCatalogue();
}

// ---- Presence --------------------------------------------------------------------------------

void TMainForm::UpdatePresence() {
  // The watcher is paused for a transfer; a cycle already under way must not change the light
  // (and with it the reads) under the transfer.
  if (closing_ || Session.Busy()) return;
  TLEDLabel* light = BottomStrip->LEDLabelIrDA;
  const bool wasLit = light->Lit();
  bool switched = false;
  if (DynaIrDA1.ListedDeviceCount() > 0) {
    // With several devices in range, the one whose files are shown stays the one talked to as
    // long as it is there; only when it has gone does the first one take over, read afresh.
    if (!wasLit || !DynaIrDA1.IsListed(Session.DeviceId())) {
      switched = wasLit && DynaIrDA1.FirstDeviceId() != Session.DeviceId();
      Session.SetDeviceId(DynaIrDA1.FirstDeviceId());
    }
    light->SetLit(true);
  } else {
    light->SetLit(false);
  }
  if (switched) {
    ListsStale = true;
    LEDLabelIrDAChangeState();
  }
}

void TMainForm::LEDLabelIrDAChangeState() {
  const bool present = DeviceDetected();
  SetStatusText(1, LangString(present ? TText::DeviceOnStatus : TText::DeviceOffStatus));
  for (TWindowPage* page : pages_) page->SetDevicePresent(present);

  QWidget* page = TabPageControl->currentWidget();
  if (present && page == PicturesTabSheet) {
    if (ListsStale) ClearPicturesPage();
    ListsStale = false;
    StartPictureRead();
  } else {
    ListsStale = true;
  }
  if (present && page == LanguagesTabSheet) StartLanguageRead();
}

// The automatic reads of the two device pages: the picture directory first, every picture once
// it is known; the language directory.
void TMainForm::StartPictureRead() {
  if (Session.PictureCatalogueLoaded()) {
    StartAction({.Action = TAction::ReadAllPictures, .Results = PicturesTabSheet},
                LangString(TText::ReadAllPicturesStatus));
  } else {
    StartAction({.Action = TAction::ReadPictureDir, .Results = PicturesTabSheet},
                LangString(TText::ReadPictureDirStatus));
  }
}

void TMainForm::StartLanguageRead() {
  StartAction({.Action = TAction::ReadLanguages, .Results = LanguagesTabSheet});
  ClearLanguageLists();
}

// ---- Exit and close --------------------------------------------------------------------------

void TMainForm::ExitButtonClick() {
  if (Session.Busy()) {
    // Exit stays clickable while a transfer starts or runs. It stops the transfer; the clean-up
    // and the end follow once it has ended, never a second worker beside the first. A clean-up
    // under way ends the program itself.
    if (Session.Action() == TAction::CleanUpMemory) return;
    exitPending_ = true;
    Session.RequestStop(false);
    return;
  }
  if (DeleteHappened && DeviceDetected()) {
    // The device tidies its memory first; the clean-up ends the program once it is ready.
    StartAction({.Action = TAction::CleanUpMemory}, LangString(TText::CleanUpMemoryStatus));
    return;
  }
  close();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (destroyed_) {
    event->accept();
    return;
  }
  const bool inCall = SynchronizedCallRunning();
  if (Session.Busy() || inCall) {
    // The worker may be waiting for a call into this window, or the start may be letting events
    // through: stop it first, close when it has ended. A call of the worker or the watcher that
    // shows a box is on the stack below this close; the box goes, so the call can return, and
    // only then can the threads be joined.
    closePending_ = true;
    Session.RequestStop(true);
    Prompts().DismissOpen();
    event->ignore();
    // A call that is not a transfer's (or outlives its end) has nobody to honour the close when
    // it returns: try again until no call is running.
    if (inCall) QTimer::singleShot(kCloseRetryMs, this, &QWidget::close);
    return;
  }
  FormDestroy();
  event->accept();
}

void TMainForm::HonourPendingExit() {
  if (closing_) return;
  // Queued: the transfer's last step is still on the stack, and its worker waits for it.
  if (closePending_) {
    closePending_ = false;
    exitPending_ = false;
    QTimer::singleShot(0, this, &QWidget::close);
  } else if (exitPending_) {
    exitPending_ = false;
    QTimer::singleShot(0, this, &TMainForm::ExitButtonClick);
  }
}

void TMainForm::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  closing_ = true;
  Session.StopAndWait();

  platform::RestoreErrorMode(savedErrorMode_);
  if (!Watcher) return;

  TWaitForm wait(this, scale_);
  wait.setWindowTitle(LangString(TText::SetupCaption));
  wait.SetMessage(LangString(TText::ClosingWait));
  wait.ShowNow();
  const bool finished = Watcher->StopAndWait();
  wait.hide();
  Session.SetWatcher(nullptr);
  if (finished) {
    Watcher.reset();
  } else {
    // A watcher stuck in a platform call cannot be joined within the bound. Leave it, and the
    // link it uses, to the process's end instead of destroying a running thread; the socket
    // layer stays up for it.
    static_cast<void>(Watcher.release());
    static_cast<void>(ownLink_.release());
    return;
  }
  DynaIrDA1.StopWinsock();

  ClearPicturesPage();
  ClearLanguageLists();
}

// ---- Transfers -------------------------------------------------------------------------------

bool TMainForm::StartAction(TTransferRequest request, const QString& statusText) {
  if (!Session.CanStart()) return false;
  BottomStrip->LightTransfer(IsWrite(request.Action));
  if (!statusText.isEmpty()) SetStatusText(1, statusText);
  return Session.Start(std::move(request));
}

void TMainForm::SetBusyCursor(bool busy) {
  if (busy == busyCursor_) return;
  busyCursor_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void TMainForm::SetControlsEnabled(bool enabled, bool aborted) {
  EnableControls(Session.Action(), enabled, aborted);
}

void TMainForm::EnableControls(TAction action, bool enabled, bool aborted) {
  if (action == TAction::WriteFirmware) {
    TabPageControl->setEnabled(enabled);
    if (aborted) {
      SetBusyCursor(false);
      BottomStrip->SetProgressPosition(0);
    } else if (!enabled) {
      SetBusyCursor(true);
    }
    return;
  }
  BottomStrip->SetProgressPosition(0);
  for (TWindowPage* page : pages_) page->SetBusy(!enabled);
  TabPageControl->setEnabled(enabled);
  SetBusyCursor(!enabled);
}

void TMainForm::TransferEnded(TTransferEnd end) {
  // After a transfer that did not end well, ListsStale says it for later.
  const bool readAgain = std::exchange(readAgain_, false) && end == TTransferEnd::Succeeded;
  switch (end) {
    case TTransferEnd::Succeeded:
      BottomStrip->EndTransferLights(false);
      SetControlsEnabled(true, false);
      // The picture directory is in: the pictures themselves are read next. A page whose lists
      // are out of date is read again.
      if ((Session.Action() == TAction::ReadPictureDir || readAgain) && !closePending_ &&
          !exitPending_ && !closing_) {
        LEDLabelIrDAChangeState();
      }
      break;
    case TTransferEnd::GaveUp:
      BottomStrip->EndTransferLights(true);
      // Part of it may have reached the device: the lists are read afresh at the next chance.
      ListsStale = true;
      SetControlsEnabled(true, true);
      Prompts().Warning(LangString(TText::TransferGaveUp), TBeep::Notice, this);
      SetStatusText(1, QString());
      break;
    case TTransferEnd::Stopped:
      BottomStrip->EndTransferLights(false);
      SetControlsEnabled(true, true);
      break;
  }
  HonourPendingExit();
}

void TMainForm::Notify(TNoticeKind kind, TText textId) {
  const QString text = LangString(textId);
  if (kind == TNoticeKind::Warning) {
    Prompts().Warning(text, TBeep::Notice, this);
  } else {
    Prompts().Error(text, kind == TNoticeKind::Error ? TBeep::Error : TBeep::Notice, this);
  }
}

bool TMainForm::AskYesNo(TText textId) {
  return Prompts().Ask(TMessageKind::Warning, LangString(textId), TBeep::Notice, this);
}

void TMainForm::RequestTerminate() {
  TerminateRequested = true;
  QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

// ---- What the transfers change -----------------------------------------------------------------

void TMainForm::CatalogueOutdated() {
  // Read the page again once this transfer has ended: before, no other transfer can start.
  ListsStale = true;
  readAgain_ = true;
}
