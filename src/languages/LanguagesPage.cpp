#include "languages/LanguagesPage.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "devicefiles/FileHeader.h"
#include "languages/LangDisclaimerForm.h"
#include "texts/LangStrings.h"
#include "transfer/TransferSession.h"
#include "transfer/WriteActions.h"
#include "widgets/PackagePanel.h"
#include "widgets/PageHost.h"
#include "widgets/PageWidgets.h"
#include "widgets/Prompts.h"

namespace {

// The imported language file: caption and value panel of each field, top down.
constexpr TPackagePanel::TRow kImportFields[] = {
    {TPackagePanel::TField::FileName, "lSelctLang", TText::LanguageFileLabel, "LangFilenamePanel"},
    {TPackagePanel::TField::Version, "lVersion", TText::VersionLabel, "LangVersionPanel"},
    {TPackagePanel::TField::Name, "lLang", TText::LanguageLabel, "LangDescrTntPanel"},
    {TPackagePanel::TField::Size, "lSize", TText::SizeLabel, "LangSizePanel"},
};

// Language names come in any script: the page's face list ends with one that covers them all
// (UseFaceForAllScripts), and the lists show them a size larger, where Chinese and Korean stay
// legible.
QListWidget* NewLanguageList(QWidget* parent, const char* name, double f) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  QFont names = list->font();
  names.setPointSize(9);
  list->setFont(names);
  list->setMinimumHeight(Scaled(80, f));
  return list;
}

// The row of the item selected in `list` (single selection); -1 for none.
int SelectedRow(const QListWidget* list) {
  const QList<QListWidgetItem*> selected = list->selectedItems();
  return selected.isEmpty() ? -1 : list->row(selected.first());
}

}  // namespace

LanguagesPage::LanguagesPage(double f, QWidget* parent) : QWidget(parent), f_(f) {
  setObjectName("LanguagesTabSheet");
  UseFaceForAllScripts(this);

  lLangTitle = NewTitleLabel(this, "lLangTitle", 12);

  gbLangMyComputer = new TPackagePanel(this, "gbLangMyComputer", kImportFields, "ImportLangButton",
                                       TText::ImportLanguage, f);
  gbLangMyComputer->Expose(
      {&lSelctLang, &lVersion, &lLang, &lSize},
      {&LangFilenamePanel, &LangVersionPanel, &LangDescrTntPanel, &LangSizePanel});
  ImportLangButton = gbLangMyComputer->ImportButton();
  // Importing is offered only after the device's language directory has been read.
  ImportLangButton->setEnabled(false);

  WriteLangButton =
      NewButton(this, "WriteLangButton", kWriteButtonWidth, f, LangString(TFixedText::WriteArrow));
  WriteLangButton->setEnabled(false);  // nothing imported yet

  gbLangOrvanel = NewGroupBox(this, "gbLangOrvanel", kOrvanelWidth, f);
  lFactorySetLang = NewLabel(gbLangOrvanel, "lFactorySetLang");
  LangReadOnlyTntListBox = NewLanguageList(gbLangOrvanel, "LangReadOnlyTntListBox", f);
  // Factory languages can still be chosen as default.
  ShowAsFactoryList(LangReadOnlyTntListBox);
  lAddLang = NewLabel(gbLangOrvanel, "lAddLang");
  LanguageTntListBox = NewLanguageList(gbLangOrvanel, "LanguageTntListBox", f);
  cbDefaultLang = new QCheckBox(gbLangOrvanel);
  cbDefaultLang->setObjectName("cbDefaultLang");
  cbDefaultLang->setEnabled(false);
  DeleteLangButton = NewButton(gbLangOrvanel, "DeleteLangButton", kDeleteButtonWidth, f);
  DeleteLangButton->setEnabled(false);
  auto* actions = new QHBoxLayout;
  actions->addWidget(cbDefaultLang);
  actions->addStretch(1);
  actions->addWidget(DeleteLangButton);
  auto* device = new QVBoxLayout(gbLangOrvanel);
  device->setContentsMargins(Scaled(8, f), Scaled(6, f), Scaled(8, f), Scaled(8, f));
  device->setSpacing(Scaled(2, f));
  device->addWidget(lFactorySetLang);
  device->addWidget(LangReadOnlyTntListBox, 1);
  device->addSpacing(Scaled(6, f));
  device->addWidget(lAddLang);
  device->addWidget(LanguageTntListBox, 1);
  device->addSpacing(Scaled(4, f));
  device->addLayout(actions);

  LayOutTransferPage(this, lLangTitle, gbLangMyComputer, WriteLangButton, gbLangOrvanel, f);

  connect(LangReadOnlyTntListBox, &QListWidget::itemClicked, this,
          &LanguagesPage::LangReadOnlyListBoxClick);
  connect(LanguageTntListBox, &QListWidget::itemClicked, this,
          &LanguagesPage::LanguageListBoxClick);
  for (QListWidget* list : {LangReadOnlyTntListBox, LanguageTntListBox})
    list->installEventFilter(this);
  // clicked, not toggled: only the diver's own ticks ask the device anything; the page sets the
  // box itself for every language clicked.
  connect(cbDefaultLang, &QCheckBox::clicked, this, &LanguagesPage::cbDefaultLangClick);
  connect(DeleteLangButton, &QPushButton::clicked, this, &LanguagesPage::DeleteLangButtonClick);
  connect(ImportLangButton, &QPushButton::clicked, this, &LanguagesPage::ImportLangButtonClick);
  connect(WriteLangButton, &QPushButton::clicked, this, &LanguagesPage::WriteLangButtonClick);
}

void LanguagesPage::ApplyTexts() {
  // Item views take no name from a buddy: they are named after their captions directly.
  LangReadOnlyTntListBox->setAccessibleName(LangString(TText::FactoryLanguages));
  LanguageTntListBox->setAccessibleName(LangString(TText::AddedLanguages));
  setWindowTitle(LangString(TText::LanguagesTab));
  lLangTitle->setText(LangString(TText::LanguagesTitle));
  gbLangMyComputer->ApplyTexts();
  SetSpokenHint(WriteLangButton, LangString(TText::WriteLanguageHint));
  gbLangOrvanel->setTitle(LangString(TText::DeviceGroup));
  lFactorySetLang->setText(LangString(TText::FactoryLanguages));
  lAddLang->setText(LangString(TText::AddedLanguages));
  DeleteLangButton->setText(LangString(TText::DeleteButton));
  cbDefaultLang->setText(LangString(TText::DefaultLanguageBox));
}

void LanguagesPage::ClearLists() {
  LangReadOnlyTntListBox->clear();
  LanguageTntListBox->clear();
  cbDefaultLang->setChecked(false);
  // Nothing is selected any more for these to act on.
  DeleteLangButton->setEnabled(false);
  cbDefaultLang->setEnabled(false);
}

void LanguagesPage::SetDevicePresent(bool present) {
  if (present) return;
  DeleteLangButton->setEnabled(false);
  cbDefaultLang->setEnabled(false);
}

void LanguagesPage::ShowLanguages(const QStringList& factory, const QStringList& added) {
  LangReadOnlyTntListBox->addItems(factory);
  LanguageTntListBox->addItems(added);
}

std::vector<int> LanguagesPage::SelectedAddedEntries() const {
  const int j = SelectedRow(LanguageTntListBox);
  if (j < 0) return {};
  return {LangReadOnlyTntListBox->count() + j};
}

void LanguagesPage::ShowDeleted(const std::vector<int>& entries, bool defaultToFirst) {
  for (const int entry : entries)
    delete LanguageTntListBox->takeItem(entry - LangReadOnlyTntListBox->count());
  // The neighbour that took the deleted item's place was never chosen by the diver: a tick on
  // the default box must not make it the default.
  LanguageTntListBox->clearSelection();
  LanguageTntListBox->setCurrentRow(-1);
  if (defaultToFirst) {
    cbDefaultLang->setChecked(false);
    cbDefaultLang->setEnabled(true);
  }
  DeleteLangButton->setEnabled(false);
}

void LanguagesPage::LanguagesRead(const TCatalogue::TLanguageNames& names) {
  ShowLanguages(names.Factory, names.Added);
  ImportLangButton->setEnabled(true);
}

void LanguagesPage::LanguageWritten(const TFileHeader& upload) {
  LanguageTntListBox->addItem(upload.NameText());
}

void LanguagesPage::EntriesDeleted(const std::vector<int>& indexes, bool defaultToFirst) {
  ShowDeleted(indexes, defaultToFirst);
  if (host_) host_->SetStatusText(2, QString());
}

void LanguagesPage::LanguagesTabSheetShow() {
  WriteLangButton->setEnabled(false);
  DeleteLangButton->setEnabled(false);
  ImportLangButton->setEnabled(false);
  gbLangMyComputer->Reset();
}

// ---- The device's languages
// ----------------------------------------------------------------------

int LanguagesPage::SelectedEntry() const {
  if (additionalListClicked_) {
    const int row = SelectedRow(LanguageTntListBox);
    return row < 0 ? -1 : LangReadOnlyTntListBox->count() + row;
  }
  return SelectedRow(LangReadOnlyTntListBox);
}

void LanguagesPage::ClickDeviceList(bool added) {
  QListWidget* clicked = added ? LanguageTntListBox : LangReadOnlyTntListBox;
  QListWidget* other = added ? LangReadOnlyTntListBox : LanguageTntListBox;
  if (!host_ || SelectedRow(clicked) < 0) return;
  additionalListClicked_ = added;
  // One language at a time across both lists: the default box and the delete button speak of it.
  other->clearSelection();
  other->setCurrentRow(-1);
  const TFileHeader* entry = host_->Catalogue().Entry(SelectedEntry());
  cbDefaultLang->setChecked(entry && entry->DefaultFlag == 1);
  const bool detected = host_->DeviceDetected();
  // Factory languages stay on the device; the default is changed by ticking another language.
  DeleteLangButton->setEnabled(added && detected);
  cbDefaultLang->setEnabled(detected && !cbDefaultLang->isChecked());
}

void LanguagesPage::LangReadOnlyListBoxClick() {
  ClickDeviceList(false);
}

void LanguagesPage::LanguageListBoxClick() {
  ClickDeviceList(true);
}

bool LanguagesPage::eventFilter(QObject* watched, QEvent* event) {
  // A language chosen with the keys counts like one clicked, so the default box and the delete
  // button never speak of a language the diver has moved away from.
  if (IsListMoveKeyRelease(event)) {
    if (watched == LangReadOnlyTntListBox) LangReadOnlyListBoxClick();
    if (watched == LanguageTntListBox) LanguageListBoxClick();
  }
  return QWidget::eventFilter(watched, event);
}

void LanguagesPage::cbDefaultLangClick(bool checked) {
  if (host_ && checked) {
    const int selected = SelectedEntry();
    const int previous = host_->MoveDefault(selected, -1);
    const auto restore = [&] {
      host_->MoveDefault(previous, -1);
      cbDefaultLang->setChecked(false);
    };
    if (!host_->Catalogue().Entry(selected)) {
      // No language is selected (the one clicked has just been deleted): there is nothing to
      // make the default, and the mark stays where it was.
      restore();
    } else if (host_->DeviceDetected() && selected != previous) {
      const bool yes =
          Prompts().Ask(TMessageKind::Confirmation, LangString(TText::DefaultLanguageQuestion),
                        TBeep::Notice, this);
      if (yes) {
        host_->StartAction({.Action = TAction::SetDefaultLanguage, .Results = this},
                           LangString(TText::SetDefaultLanguageStatus));
      } else {
        restore();
      }
    }
  }
  cbDefaultLang->setEnabled(!cbDefaultLang->isChecked());
}

void LanguagesPage::DeleteLangButtonClick() {
  if (!host_) return;
  const bool yes = Prompts().Ask(TMessageKind::Confirmation, LangStrings::DeleteLanguageQuestion(),
                                 TBeep::Notice, this);
  if (!yes || !host_->DeviceDetected() || host_->TransferBusy()) return;
  host_->DeleteStarted();
  host_->StartAction(
      {.Action = TAction::DeleteFiles, .Entries = SelectedAddedEntries(), .Results = this},
      LangString(TText::DeleteLanguageStatus));
}

// ---- The language file on the PC -------------------------------------------------------------

void LanguagesPage::ImportLangButtonClick() {
  if (host_) gbLangMyComputer->Import(kTypeLanguage, WriteLangButton, package_);
}

void LanguagesPage::WriteLangButtonClick() {
  if (!host_) return;
  bool accepted = false;
  {
    TLangDisclaimerForm disclaimer(f_, this);
    disclaimer.SelectTexts(LangDescrTntPanel->text());
    // Continue, or whatever else ends the window other than Cancel and its title bar's close.
    accepted = Prompts().ExecModal(disclaimer) != QDialog::Rejected;
  }
  if (accepted && host_->DeviceDetected()) {
    host_->StartAction({.Action = TAction::WriteLanguage, .Package = package_, .Results = this},
                       LangString(TText::WriteLanguageStatus));
  }
}
