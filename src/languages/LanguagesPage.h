// LanguagesPage: the Languages tab of the main window: the imported language file on the left,
// the device's factory and added languages on the right, the write button between them.
#pragma once

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

class LanguagesPage : public QWidget {
  Q_OBJECT

 public:
  // `f` is the screen's dots per inch / 96; design sizes are multiplied by it.
  explicit LanguagesPage(double f = 1.0, QWidget* parent = nullptr);

  // Captions and hints from the text table; the page's tab caption goes into windowTitle().
  void ApplyTexts();

  QLabel* lLangTitle;

  QGroupBox* gbLangMyComputer;
  QLabel* lSelctLang;
  QLabel* LangFilenamePanel;
  QLabel* lVersion;
  QLabel* LangVersionPanel;
  QLabel* lLang;
  QLabel* LangDescrTntPanel;
  QLabel* lSize;
  QLabel* LangSizePanel;
  QPushButton* ImportLangButton;

  QPushButton* WriteLangButton;

  QGroupBox* gbLangOrvanel;
  QLabel* lFactorySetLang;
  QListWidget* LangReadOnlyTntListBox;
  QLabel* lAddLang;
  QListWidget* LanguageTntListBox;
  QCheckBox* cbDefaultLang;
  QPushButton* DeleteLangButton;

  // Design sizes at 96 dots per inch.
  static constexpr int kMyComputerWidth = 250;
  static constexpr int kOrvanelWidth = 250;
  static constexpr int kImportButtonWidth = 130;
  static constexpr int kWriteButtonWidth = 50;
  static constexpr int kDeleteButtonWidth = 75;
};
