// TMainForm: the main window. Owns the four pages, the bottom strip with the lights, the progress
// bar and the status bar, the IrDA component that starts and stops the socket layer, the presence
// watcher, and the state every transfer shares.
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "devicefiles/Catalogue.h"
#include "irda/DynaIrDA.h"
#include "platform/ByteOrder.h"
#include "transfer/IrDAThread.h"
#include "transfer/TransferHost.h"

class AboutPage;
class LanguagesPage;
class PicturesPage;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTabWidget;
class SoftwarePage;
class TCheckDevListThread;
class TIrDAThread;
class TLED;
class TLEDLabel;

namespace platform {
class IrdaSocketApi;
}

class TMainForm : public QWidget, public TTransferOwner, public TTransferHost {
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
  void SetStatusText(int panel, const QString& text);
  QString StatusText(int panel) const;

  // Handlers.
  void TabPageControlChange(int index);
  void AboutTabSheetShow();
  void ExitButtonClick();
  void UpdatePresence();
  void LEDLabelIrDAChangeState();

  // Transfers. An action is started by the handler that decides on it: retry counter to 0, the
  // direction's light green and lit, the action code stored, the status text, the worker.
  void StartAction(std::uint8_t actionCode, bool writeDirection, const QString& statusText = {});
  void StartTransfer(bool writeDirection);
  void SetControlsEnabled(bool enabled, bool aborted);
  bool TransferActive() const { return transferActive_; }

  // TTransferOwner.
  void PrepareUpload(bool writeDirection, TDeviceInfo& info) override;
  void RunActions(bool writeDirection, TDynaIrDA& link, TDeviceInfo& info) override;
  void ProcessResults(bool writeDirection, TDeviceInfo& info) override;
  void FinishTransfer(bool failed, bool stopRequested, bool writeDirection) override;

  // TTransferHost.
  void SetProgressMaximum(int maximum) override;
  void SetProgressPosition(int position) override;
  void StepProgress() override;
  void ProcessEvents() override;
  bool StopRequested() const override { return stopRequested_; }
  void Notify(TNoticeKind kind, int textId) override;
  bool AskYesNo(int textId) override;
  void RequestTerminate() override;
  std::uint8_t CurrentActionCode() const override { return ActionCode; }
  int CatalogueCount() const override { return Catalogue.CatalogueCount(); }
  std::array<std::uint8_t, 3> FileRequestParam(int index) const override {
    return Catalogue.FileRequestParam(index);
  }
  std::vector<platform::Bytes>& RawFiles() override { return RawFileList; }
  std::vector<std::uint32_t> BuildDeleteList() override;
  int DefaultPosition() const override { return Catalogue.DefaultPosition(); }
  void SetLastPartSent(bool sent) override { LastPartSent = sent; }
  void RestoreCursor() override { SetBusyCursor(false); }

  // End of a transfer whose link held.
  void AfterTransferUpdate(bool writeDirection, const TDeviceInfo& info);
  void ProcessReadResults(const TDeviceInfo& info);
  // Decodes the downloaded pictures into the catalogue and the two device lists.
  void StoreDownloadedPictures();

  // Deleting the selected added pictures, after the user's confirmation.
  void DeleteFileButtonClick();
  // After a delete transfer: the deleted entries leave the catalogue and the page's lists.
  void RemoveDeletedEntries();
  // The status text for the pictures selected in the two device lists.
  QString SelectedPicturesText() const;

  // Empties the Pictures page and the Languages page's lists.
  void ClearPicturesPage();
  void ClearLanguageLists();
  void EnableGreyControls(bool enabled);

  // Stops the watcher behind the wait window and shuts the socket layer down. Runs once, when
  // the window closes or at the latest when it is destroyed.
  void FormDestroy();

  // Controls.
  QTabWidget* TabPageControl;
  AboutPage* AboutTabSheet;
  PicturesPage* PicturesTabSheet;
  LanguagesPage* LanguagesTabSheet;
  SoftwarePage* SoftwareTabSheet;
  QFrame* pIrDABottom;
  TLEDLabel* LEDLabelIrDA;
  QFrame* pIrDA;
  TLEDLabel* LEDLabelRead;
  TLEDLabel* LEDLabelWrite;
  QProgressBar* ProgressBar;
  QPushButton* ExitButton;
  QStatusBar* StatusBar;
  std::array<QLabel*, 3> StatusPanels{};

  // The IrDA component of the window: socket-layer start-up and clean-up, and the watcher's
  // enumeration.
  TDynaIrDA DynaIrDA1;
  std::unique_ptr<TCheckDevListThread> Watcher;

  // Shared state of the transfers.
  std::uint8_t ActionCode = 14;
  std::int32_t RetryCount = 0;
  std::array<std::uint8_t, 4> DeviceId{};
  bool DeleteHappened = false;
  bool ListsStale = true;
  bool PreviewFromPC = false;
  std::vector<platform::Bytes> RawFileList;
  TCatalogue Catalogue;
  // A picture directory has been read in this visit of the page (it may have no entries).
  bool PictureCatalogueLoaded = false;
  QImage ReadImage;
  // Firmware write: set when one is started from the Software page; the last part has been sent.
  bool FirmwareWriteMarker = false;
  bool LastPartSent = false;
  // The last imported language or firmware file, unchanged; a picture upload's scratch space.
  platform::Bytes ImportBuffer;
  // The header of the latest picture upload.
  std::unique_ptr<TFileHeader> UploadHeader;
  // Set when the program was asked to end; the real application then quits its event loop.
  bool TerminateRequested = false;

  // Design sizes.
  static constexpr int kDesignClientWidth = 1003;
  static constexpr int kDesignClientHeight = 741;
  static constexpr double kDesignDotsPerInch = 120.0;
  static constexpr int kTabWidth = 120;
  static constexpr int kTabHeight = 33;
  static constexpr std::array<int, 3> kStatusPanelWidths{125, 392, 100};
  static constexpr int kProgressMaximum = 10;

  int TabWidth() const { return tabWidth_; }
  int TabHeight() const { return tabHeight_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void BuildBottomStrip();
  void ApplyTexts();
  void StartPictureRead();
  void StartLanguageRead();

  double scale_;
  int tabWidth_ = kTabWidth;
  int tabHeight_ = kTabHeight;
  void SetBusyCursor(bool busy);
  // Drops what the upload assembly of a failed attempt added, so a retry does not list it twice.
  void DropFailedUpload();
  void StopTransferAndWait();

  platform::IrdaSocketApi* socketApi_;
  QPointer<TIrDAThread> worker_;
  bool transferActive_ = false;
  int uploadEntry_ = -1;        // catalogue entry the current upload attempt appended
  bool uploadRawFile_ = false;  // ... and whether it appended a raw file too
  bool stopRequested_ = false;
  bool closePending_ = false;
  bool busyCursor_ = false;
  unsigned savedErrorMode_ = 0;
  bool closing_ = false;
  bool destroyed_ = false;
};
