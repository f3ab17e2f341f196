// TMainForm: the main window. Composes the four pages and the bottom strip with the lights, the
// progress bar and the status bar; owns the IrDA component that starts and stops the socket
// layer, the presence watcher and the transfer session, and shows what the session reports.
#pragma once

#include <QCoreApplication>
#include <QProgressBar>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "app/BottomStrip.h"
#include "irda/DynaIrDA.h"
#include "transfer/TransferSession.h"
#include "widgets/LED.h"
#include "widgets/PageHost.h"
#include "widgets/TabPages.h"

class AboutPage;
class LanguagesPage;
class PicturesPage;
class QFrame;
class QLabel;
class QPushButton;
class QStatusBar;
class SoftwarePage;
class TCheckDevListThread;

namespace platform {
class IrdaSocketApi;
}

class TMainForm : public QWidget, public TSessionView, public TPageHost {
  Q_OBJECT

 public:
  struct Options {
    // The socket layer of DynaIrDA1 and of every transfer; the platform's backend by default.
    platform::IrdaSocketApi* SocketApi = nullptr;
    // The screen's dots per inch; the primary screen's logical value by default.
    std::optional<double> DotsPerInch;
  };

  explicit TMainForm(Options options);
  TMainForm() : TMainForm(Options{}) {}
  ~TMainForm() override;

  // Sizes given in design units at 96 dots per inch, scaled to this screen.
  double ScaleFactor() const { return scale_; }
  int Scaled(int designSize) const;
  static double ScaleFactorFor(double dotsPerInch) { return dotsPerInch / 96.0; }

  // Status bar panels: 0 stays empty, 1 the device state and the running action, 2 the
  // selection count of the Pictures page.
  void SetStatusText(int panel, const QString& text) override;
  QString StatusText(int panel) const;

  // Handlers.
  void TabPageControlChange(int index);
  void ExitButtonClick();
  void UpdatePresence();
  void LEDLabelIrDAChangeState();

  // An action is started by the handler that decides on it: retry counter to 0, the direction's
  // light green and lit, the action code stored, the status text, the worker. Nothing happens
  // while another transfer is under way.
  bool StartAction(TTransferRequest request, const QString& statusText = {}) override;
  bool TransferActive() const { return Session.Busy(); }

  // Empties the Pictures page (and the picture catalogue) or the Languages page's lists.
  void ClearPicturesPage();
  void ClearLanguageLists();

  // What the first frame does not need: the Pictures page's folder tree, file list and tool
  // icons, whose folders and themed icons take longer to read than the rest of the window takes
  // to build. Runs once, right after the window's first paint, or before when the Pictures page
  // is turned to.
  void FinishStartup();
  bool StartupFinished() const { return startupFinished_; }

  // Stops the transfer and the watcher behind the wait window and shuts the socket layer down.
  // Runs once, when the window closes or at the latest when it is destroyed.
  void FormDestroy();

  // TSessionView.
  void SetProgressMaximum(int maximum) override { BottomStrip->SetProgressMaximum(maximum); }
  void SetProgressPosition(int position) override { BottomStrip->SetProgressPosition(position); }
  void StepProgress() override { BottomStrip->StepProgress(); }
  void ProcessEvents() override { QCoreApplication::processEvents(); }
  void Notify(TNoticeKind kind, TText textId) override;
  bool AskYesNo(TText textId) override;
  void RequestTerminate() override;
  void RestoreCursor() override { SetBusyCursor(false); }
  void SetControlsEnabled(bool enabled, bool aborted) override;
  // The controls around a transfer of `action`: a firmware write only locks the pages (and keeps
  // the hourglass until its end); any other also the write button and the startup box.
  void EnableControls(TAction action, bool enabled, bool aborted);
  void TransferEnded(TTransferEnd end) override;
  void ClearActionText() override { SetStatusText(1, QString()); }
  void CatalogueOutdated() override;

  // TPageHost.
  bool DeviceDetected() const override { return BottomStrip->LEDLabelIrDA->Lit(); }
  const TCatalogue& Catalogue() const override { return Session.Catalogue(); }
  int MoveDefault(int selected, int noneMarked) override {
    return Session.MoveDefault(selected, noneMarked);
  }
  bool TransferBusy() const override { return Session.Busy(); }
  void DeleteStarted() override { DeleteHappened = true; }

  // Controls.
  TTabPages* TabPageControl;
  AboutPage* AboutTabSheet;
  PicturesPage* PicturesTabSheet;
  LanguagesPage* LanguagesTabSheet;
  SoftwarePage* SoftwareTabSheet;
  TBottomStrip* BottomStrip;

  // The IrDA component of the window: socket-layer start-up and clean-up, and the watcher's
  // enumeration. Held on the heap: a watcher that cannot be joined when the window goes is left
  // running to the process's end, and the link it enumerates with stays with it.
  std::unique_ptr<TDynaIrDA> ownLink_;
  TDynaIrDA& DynaIrDA1;
  std::unique_ptr<TCheckDevListThread> Watcher;
  // The catalogue, the files, the action code and everything else transfers share.
  TTransferSession Session;

  // State of the window around transfers.
  bool DeleteHappened = false;
  // The device was absent, or another page shown, since the pictures were last read.
  bool ListsStale = true;
  // Set when the program was asked to end; the real application then quits its event loop.
  bool TerminateRequested = false;

  // Design sizes.
  static constexpr int kDesignClientWidth = 1003;
  static constexpr int kDesignClientHeight = 741;
  static constexpr double kDesignDotsPerInch = 120.0;
  static constexpr int kTabWidth = 120;
  static constexpr int kTabHeight = 33;

  int TabWidth() const { return tabWidth_; }
  int TabHeight() const { return tabHeight_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void FormCreate();
  void ApplyTexts();
  void StartPictureRead();
  void StartLanguageRead();
  void SetBusyCursor(bool busy);
  // Exit and close wait for the transfer under way; this honours them once it has ended.
  void HonourPendingExit();

  double scale_;
  int tabWidth_ = kTabWidth;
  int tabHeight_ = kTabHeight;
  bool busyCursor_ = false;
  unsigned savedErrorMode_ = 0;
  bool exitPending_ = false;
  bool readAgain_ = false;  // the page is read again once this transfer has ended
  bool closePending_ = false;
  bool closing_ = false;
  bool destroyed_ = false;
  bool startupQueued_ = false;
  bool startupFinished_ = false;
  std::array<TWindowPage*, 4> pages_{};
};
