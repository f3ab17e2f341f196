// SoftwarePage: the Software tab of the main window: the imported firmware file's header on the
// left, a picture of the device on the right, the write button between them.
#pragma once

#include <QPixmap>
#include <QWidget>

#include "platform/ByteOrder.h"
#include "transfer/TransferSession.h"
#include "widgets/PackagePanel.h"
#include "widgets/PageHost.h"

class QGroupBox;
class QLabel;
class QPushButton;
class TPageHost;

class SoftwarePage : public QWidget, public TTransferResults, public TWindowPage {
  Q_OBJECT

 public:
  // `f` is the screen's dots per inch / 96; design sizes are multiplied by it.
  explicit SoftwarePage(double f = 1.0, QWidget* parent = nullptr);

  // Captions and hints from the text table; the page's tab caption goes into windowTitle().
  void ApplyTexts();

  // The window around the page; the page does nothing with the device without one.
  void SetHost(TPageHost* host) { host_ = host; }
  // Runs each time the page is shown.
  void SoftwareTabSheetShow();
  void Shown() override { SoftwareTabSheetShow(); }
  // Imports a firmware file and shows its header.
  void LoadSWFileButtonClick();
  // Runs the update wizard; once the diver has passed it, the write starts.
  void WriteSWButtonClick();

  // TTransferResults: the diver is told once the whole firmware is on the device.
  void FirmwareUpdateCompleted() override;

  // The product picture: a wrist dive computer, `size` in device pixels.
  static QPixmap DrawProductPicture(QSize size);

  // Design sizes at 96 dots per inch.
  static constexpr int kOrvanelWidth = 250;
  static constexpr int kWriteButtonWidth = 50;
  static constexpr int kPictureWidth = 180;
  static constexpr int kPictureHeight = 280;

 private:
  TPageHost* host_ = nullptr;
  platform::Bytes package_;  // the firmware file imported last, as it is
  double scale_;             // the wizard is laid out for the same screen as the page

  // Controls.
  QLabel* lSoftTitle;
  TPackagePanel* gbSoftwareDrive;
  QLabel* lSelctSoft;
  QLabel* SWFilenamePanel;
  QLabel* lDecription;
  QLabel* SWDescrPanel;
  QLabel* lSWVersion;
  QLabel* SWVersionPanel;
  QLabel* lSWSize;
  QLabel* SWSizePanel;
  QLabel* lChecksum;
  QLabel* SWChksumPanel;
  QPushButton* LoadSWFileButton;
  QPushButton* WriteSWButton;
  QGroupBox* gbSoftwareOrvanel;
  QLabel* SWImage;
  QLabel* OrvanelImage;  // hidden holder of the product picture that SWImage shows
};
