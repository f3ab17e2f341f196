// TMainForm: the main window. Owns the four pages, the bottom strip with the lights, the progress
// bar and the status bar, the IrDA component that starts and stops the socket layer, the presence
// watcher, and the state every transfer shares.
#pragma once

#include <QImage>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "irda/DynaIrDA.h"
#include "platform/ByteOrder.h"

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
class TLED;
class TLEDLabel;

namespace platform {
class IrdaSocketApi;
}

class TMainForm : public QWidget {
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
  std::vector<platform::Bytes> RawFiles;
  QImage ReadImage;

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
  unsigned savedErrorMode_ = 0;
  bool closing_ = false;
  bool destroyed_ = false;
};
