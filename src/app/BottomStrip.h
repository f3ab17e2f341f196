// TBottomStrip: the window's bottom strip: the three lights, the progress bar and Exit above the
// status bar with its three panels.
#pragma once

#include <QString>
#include <QWidget>
#include <array>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;
class TLEDLabel;

class TBottomStrip : public QWidget {
  Q_OBJECT

 public:
  // `f` is the screen's dots per inch / 96; design sizes are multiplied by it.
  TBottomStrip(double f, QWidget* parent);

  // The lights' and Exit's captions from the text table.
  void ApplyTexts();

  // Status bar panels: 0 stays empty, 1 the device state and the running action, 2 the
  // selection count of the Pictures page.
  void SetStatusText(int panel, const QString& text);
  QString StatusText(int panel) const;
  int StatusPanelWidth(int panel) const;

  // The light of a transfer's direction: green and lit as it starts; after it, off, or red
  // where it was lit when the transfer gave up.
  void LightTransfer(bool write);
  void EndTransferLights(bool gaveUp);

  // The progress bar of the transfer under way; a step never runs past the maximum.
  void SetProgressMaximum(int maximum);
  void SetProgressPosition(int position);
  void StepProgress();

  TLEDLabel* LEDLabelIrDA;
  TLEDLabel* LEDLabelRead;
  TLEDLabel* LEDLabelWrite;
  QProgressBar* ProgressBar;
  QPushButton* ExitButton;

  // Design sizes at 96 dots per inch.
  static constexpr std::array<int, 3> kStatusPanelWidths{125, 392, 100};
  static constexpr int kProgressMaximum = 10;

 private:
  QFrame* pIrDABottom;
  QFrame* pIrDA;
  QStatusBar* StatusBar;
  std::array<QLabel*, 3> StatusPanels{};
};
