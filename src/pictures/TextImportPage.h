// TextImportPage: the "text" sub-page of the Pictures page, where typed lines become a device
// picture; it holds the editor, its spacing and font tools, and the naming and save tools.
#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "picture/TextPicture.h"
#include "widgets/PageStart.h"

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
  // The preview now holds a picture made on the PC: the startup box unchecked and disabled.
  virtual void PreviewMadeOnPC() = 0;
  virtual void ShowPreview(bool shown) = 0;
  // The redraw pipeline with `textImage` (128 × 80) as its source: the working picture, the grey
  // levels with the sliders' values, the preview. The save-to-PC button is disabled meanwhile.
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
  // `f` is the screen's dots per inch / 96; design sizes are multiplied by it. A deferred start
  // leaves the save-as tool without its icon until FinishStart().
  explicit TextImportPage(double f = 1.0, QWidget* parent = nullptr,
                          TPageStart start = TPageStart::Complete);

  // Gives the save-as tool its icon; once.
  void FinishStart();

  // Captions, accessible names and the resting text of the name field from the text table.
  void ApplyTexts();

  // The page around the editor (not owned); nullptr leaves the editor talking to nobody.
  void SetHost(TTextPictureHost* host);

  // The editor back to the picture text font and the spacing back to 0: each time the Pictures
  // page is shown.
  void ResetFontAndSpacing();

  // The editor's display lines as the picture gets them: each wrapped line counts, a last empty
  // line (the one after a final line break) does not.
  QStringList DisplayLines() const;

  // Handlers, wired to the controls; the page calls tsTextImportShow when the sub-page comes to
  // the front and bClearClick when the user leaves the Pictures page.
  void tsTextImportShow();
  void reTextEditorChange();  // also after font and spacing changes
  void bFontClick();
  void eHeightChange();
  void bClearClick();
  void tbSaveAsClick();
  void eFilenameClick();
  void eFilenameChange();
  void FilterComboBoxTxtChange();
  void bSaveApplyClick();

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

  // The picture the text is drawn into, 128 × 80: white, the lines in the text's colour.
  QImage TextImage;

  // Design sizes at 96 dots per inch.
  static constexpr int kEditorWidth = 153;
  static constexpr int kEditorHeight = 73;
  static constexpr int kFilenameMaxLength = 14;
  // A picture holds this many lines; the editor keeps no more.
  static constexpr int kMaxLines = kTextPictureLines;
  // The first line's top row in the picture.
  static constexpr int kTopRow = kTextPictureTopRow;

 private:
  // The picture text font for this screen.
  QFont TextFont() const;
  // The chosen file type's extension: ".BMP", ".JPG", ".TIF" or ".GIF".
  QString Extension() const;
  // Pixels between one line's box and the next: (spacing + 5) × dpi / 96, halves to even.
  int LineGap() const;
  // Cuts the text at the start of the first display line past the limit; true when it did.
  bool CutToLineLimit();
  // TextImage white with the editor's lines drawn in, handed to the page's preview.
  void Render();
  // The name field disabled with its resting text, all selected but the selection unseen; the
  // save button disabled.
  void PutNameFieldToRest();

  TTextPictureHost* host_;
  int dpi_;             // the screen's dots per inch, 96 × f
  QFont dialogFont_;    // where the font dialog starts
  bool shown_ = false;  // the sub-page has been in front before
  bool cutting_ = false;
};
