#include "languages/LanguagesPage.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "texts/LangStrings.h"
#include "widgets/PageWidgets.h"

namespace {

// Language names come in any script; one face that covers them all keeps a list from mixing
// fallback fonts line by line.
QListWidget* NewLanguageList(QWidget* parent, const char* name, double f) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  if (QFontDatabase::families().contains("WenQuanYi Micro Hei")) {
    QFont names = list->font();
    names.setFamilies({"WenQuanYi Micro Hei", "Liberation Sans", "DejaVu Sans"});
    names.setPointSize(9);
    list->setFont(names);
  }
  list->setMinimumHeight(Scaled(80, f));
  return list;
}

}  // namespace

LanguagesPage::LanguagesPage(double f, QWidget* parent) : QWidget(parent) {
  setObjectName("LanguagesTabSheet");
  SetPageFont(this);

  lLangTitle = NewTitleLabel(this, "lLangTitle", 12);

  gbLangMyComputer = NewGroupBox(this, "gbLangMyComputer", kMyComputerWidth, f);
  lSelctLang = NewLabel(gbLangMyComputer, "lSelctLang");
  LangFilenamePanel = NewValuePanel(gbLangMyComputer, "LangFilenamePanel", f);
  lVersion = NewLabel(gbLangMyComputer, "lVersion");
  LangVersionPanel = NewValuePanel(gbLangMyComputer, "LangVersionPanel", f);
  lLang = NewLabel(gbLangMyComputer, "lLang");
  LangDescrTntPanel = NewValuePanel(gbLangMyComputer, "LangDescrTntPanel", f);
  lSize = NewLabel(gbLangMyComputer, "lSize");
  LangSizePanel = NewValuePanel(gbLangMyComputer, "LangSizePanel", f);
  ImportLangButton = NewButton(gbLangMyComputer, "ImportLangButton", kImportButtonWidth, f);
  // Importing is offered only after the device's language directory has been read.
  ImportLangButton->setEnabled(false);
  NewFieldColumn(gbLangMyComputer,
                 {{lSelctLang, LangFilenamePanel},
                  {lVersion, LangVersionPanel},
                  {lLang, LangDescrTntPanel},
                  {lSize, LangSizePanel}},
                 ImportLangButton, f);

  WriteLangButton = NewButton(this, "WriteLangButton", kWriteButtonWidth, f, ">>");
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
}

void LanguagesPage::ApplyTexts() {
  // Item views take no name from a buddy: they are named after their captions directly.
  LangReadOnlyTntListBox->setAccessibleName(LangString(65202));
  LanguageTntListBox->setAccessibleName(LangString(65203));
  setWindowTitle(LangString(65225));
  lLangTitle->setText(LangString(65227));
  gbLangMyComputer->setTitle(LangString(65226));
  lSelctLang->setText(LangString(65228));
  lVersion->setText(LangString(65229));
  lLang->setText(LangString(65230));
  lSize->setText(LangString(65231));
  ImportLangButton->setText(LangString(65200));
  WriteLangButton->setToolTip(LangString(65204));
  gbLangOrvanel->setTitle(LangString(65243));
  lFactorySetLang->setText(LangString(65202));
  lAddLang->setText(LangString(65203));
  DeleteLangButton->setText(LangString(65242));
  cbDefaultLang->setText(LangString(65205));
}

void LanguagesPage::ClearLists() {
  LangReadOnlyTntListBox->clear();
  LanguageTntListBox->clear();
}

void LanguagesPage::ShowLanguages(const QStringList& factory, const QStringList& added) {
  LangReadOnlyTntListBox->addItems(factory);
  LanguageTntListBox->addItems(added);
}

std::vector<int> LanguagesPage::SelectedAddedEntries() const {
  const int j = LanguageTntListBox->currentRow();
  if (j < 0) return {};
  return {LangReadOnlyTntListBox->count() + j};
}

void LanguagesPage::ShowDeleted(const std::vector<int>& entries, bool defaultToFirst) {
  for (const int entry : entries)
    delete LanguageTntListBox->takeItem(entry - LangReadOnlyTntListBox->count());
  if (defaultToFirst) {
    cbDefaultLang->setChecked(false);
    cbDefaultLang->setEnabled(true);
  }
  DeleteLangButton->setEnabled(false);
}

void LanguagesPage::LanguagesTabSheetShow() {
  WriteLangButton->setEnabled(false);
  DeleteLangButton->setEnabled(false);
  ImportLangButton->setEnabled(false);
  for (QLabel* panel : {LangFilenamePanel, LangDescrTntPanel, LangVersionPanel, LangSizePanel})
    panel->setText("---");
}
