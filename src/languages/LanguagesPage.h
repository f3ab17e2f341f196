// LanguagesPage: the Languages tab of the main window: the imported language file on the left,
// the device's factory and added languages on the right, the write button between them.
#pragma once

#include <QStringList>
#include <QWidget>
#include <vector>

#include "platform/ByteOrder.h"
#include "transfer/TransferSession.h"
#include "widgets/PackagePanel.h"
#include "widgets/PageHost.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class TPageHost;

class LanguagesPage : public QWidget, public TTransferResults, public TWindowPage {
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

  // TWindowPage: the device's languages go with another page and with a fresh read; without a
  // device, nothing on the device can be deleted or chosen.
  void Shown() override { LanguagesTabSheetShow(); }
  void Left() override { ClearLists(); }
  void Clear() override { ClearLists(); }
  void SetDevicePresent(bool present) override;

  // The device's languages, factory and added. Emptying them unticks the default box: it speaks
  // of a selected language.
  void ClearLists();
  void ShowLanguages(const QStringList& factory, const QStringList& added);
  // Catalogue entry of the selected added language (entry i is factory item i, or added item i
  // minus the number of factory items); none or one.
  std::vector<int> SelectedAddedEntries() const;
  // After a delete: the added items of these catalogue entries (descending) go and nothing is
  // selected in that list; when the default went with them, the default box is free to mark
  // another.
  void ShowDeleted(const std::vector<int>& entries, bool defaultToFirst);

  // Handlers.
  void LangReadOnlyListBoxClick();
  void LanguageListBoxClick();
  void cbDefaultLangClick(bool checked);
  void DeleteLangButtonClick();
  void ImportLangButtonClick();
  void WriteLangButtonClick();

  // The language file imported last, as the write sends it; empty when none may be written.
  const platform::Bytes& ImportedPackage() const { return package_; }

  // TTransferResults.
  void LanguagesRead(const TCatalogue::TLanguageNames& names) override;
  void LanguageWritten(const TFileHeader& upload) override;
  void EntriesDeleted(const std::vector<int>& indexes, bool defaultToFirst) override;

  // The device list clicked last is the list of added languages.
  bool AdditionalListClicked() const { return additionalListClicked_; }

  // Design sizes at 96 dots per inch.
  static constexpr int kOrvanelWidth = 250;
  static constexpr int kWriteButtonWidth = 50;
  static constexpr int kDeleteButtonWidth = 75;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // A click on a device list: the default box and the delete button follow the language chosen.
  void ClickDeviceList(bool added);
  // The catalogue entry of the language selected in the list clicked last; -1 for none.
  int SelectedEntry() const;

  TPageHost* host_ = nullptr;
  platform::Bytes package_;  // the language file imported last, as it is
  double f_;                 // the screen scale, for the windows the page opens
  bool additionalListClicked_ = false;

  // Controls.
  QLabel* lLangTitle;
  TPackagePanel* gbLangMyComputer;
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
};
