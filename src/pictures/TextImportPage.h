// TextImportPage: the "text" sub-page of the Pictures page, where typed lines become a device
// picture; it holds the editor, its spacing and font tools, and the naming and save tools.
#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTextEdit;
class QToolBar;
class QToolButton;

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
