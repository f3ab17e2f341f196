// TextImportPage: the "text" sub-page of the Pictures page, where typed lines become a device
// picture; it holds the editor, its spacing and font tools, and the naming and save tools.
#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTextEdit;
class QToolBar;
class QToolButton;

// What the editor needs of the Pictures page around it: the preview, the picture's name, the
// grey controls, the folder pictures are saved to.
class TTextPictureHost {
 public:
  virtual ~TTextPictureHost() = default;
  // The grey controls back to rest: disabled, sliders in the middle, nothing reconverted.
  virtual void ResetGreyControls() = 0;
  // The preview now holds a picture made on the PC: the startup box unchecked and disabled, the
  // save-to-PC button disabled.
  virtual void PreviewMadeOnPC() = 0;
  virtual void ShowPreview(bool shown) = 0;
  // The redraw pipeline with `textImage` (128 × 80) as its source: the working picture, the grey
  // levels with the sliders' values, the preview.
  virtual void ShowTextPicture(const QImage& textImage) = 0;
  // The name under the preview, which a write gives the picture on the device.
  virtual void SetPictureName(const QString& name) = 0;
  // The folder the folder browser shows; pictures are saved there.
  virtual QString CurrentFolder() const = 0;
  // The preview's picture as shown: the converted picture at its enlarged size.
  virtual QImage PreviewPicture() const = 0;
  // Empties the selection count of the status bar while a device is detected.
  virtual void ClearSelectionCount() = 0;
  // The editor's sub-page is the one in front.
  virtual bool TextPageInFront() const = 0;
};

class TextImportPage : public QWidget {
  Q_OBJECT

 public:
  // `f` is the screen's dots per inch / 96; design sizes are multiplied by it.
  explicit TextImportPage(double f = 1.0, QWidget* parent = nullptr);

  // Captions and the resting text of the name field from the text table.
  void ApplyTexts();

  QLabel* lTxtEditor;
  QTextEdit* retntTextEditor;
  QToolBar* tbTxtEditor;
  QToolButton* bFont;
  QSpinBox* udShift;
  QLineEdit* eHeight;  // hidden mirror of udShift
  QPushButton* bClear;
  QComboBox* FilterComboBoxTxt;
  QToolBar* tbFilename;
  QToolButton* tbSaveAs;
  QLineEdit* eFilename;
  QPushButton* bSaveApply;

  // Design sizes at 96 dots per inch.
  static constexpr int kEditorWidth = 153;
  static constexpr int kEditorHeight = 73;
  static constexpr int kFilenameMaxLength = 14;
};
