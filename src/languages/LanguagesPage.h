// LanguagesPage: the Languages tab of the main window: the imported language file on the left,
// the device's factory and added languages on the right, the write button between them.
#pragma once

#include <QStringList>
#include <QWidget>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class TPageHost;

class LanguagesPage : public QWidget {
  Q_OBJECT

 public:
  // `f` is the screen's dots per inch / 96; design sizes are multiplied by it.
  explicit LanguagesPage(double f = 1.0, QWidget* parent = nullptr);

  // Captions and hints from the text table; the page's tab caption goes into windowTitle().
  void ApplyTexts();

  // The window around the page; the page does nothing with the device without one.
  void SetHost(TPageHost* host) { host_ = host; }
  // Runs each time the page is shown.
  void LanguagesTabSheetShow();

  // The device's languages, factory and added.
  void ClearLists();
  void ShowLanguages(const QStringList& factory, const QStringList& added);
  // Catalogue entry of the selected added language (entry i is factory item i, or added item i
  // minus the number of factory items); none or one.
  std::vector<int> SelectedAddedEntries() const;
  // After a delete: the added items of these catalogue entries (descending) go; when the default
  // went with them, the default box is free to mark another.
  void ShowDeleted(const std::vector<int>& entries, bool defaultToFirst);

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

 private:
  TPageHost* host_ = nullptr;
};
