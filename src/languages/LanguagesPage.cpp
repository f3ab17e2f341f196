#include "languages/LanguagesPage.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "app/LangStrings.h"

namespace {

int Scaled(int designPixels, double f) {
  return static_cast<int>(std::lround(designPixels * f));
}

QLabel* NewLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  return label;
}

// A sunken frame with a centred caption: the look of every read-only value field of the page.
QLabel* NewPanel(QWidget* parent, const char* name, double f) {
  auto* panel = new QLabel("---", parent);
  panel->setObjectName(name);
  panel->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
  panel->setAlignment(Qt::AlignCenter);
  panel->setFixedHeight(Scaled(21, f));
  return panel;
}

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
  QFont pageFont = font();
  pageFont.setFamilies({"Liberation Sans", "DejaVu Sans"});
  pageFont.setPointSize(8);
  setFont(pageFont);

  lLangTitle = NewLabel(this, "lLangTitle");
  QFont title = lLangTitle->font();
  title.setPointSize(12);
  title.setBold(true);
  lLangTitle->setFont(title);

  gbLangMyComputer = new QGroupBox(this);
  gbLangMyComputer->setObjectName("gbLangMyComputer");
  gbLangMyComputer->setFixedWidth(Scaled(kMyComputerWidth, f));
  lSelctLang = NewLabel(gbLangMyComputer, "lSelctLang");
  LangFilenamePanel = NewPanel(gbLangMyComputer, "LangFilenamePanel", f);
  lVersion = NewLabel(gbLangMyComputer, "lVersion");
  LangVersionPanel = NewPanel(gbLangMyComputer, "LangVersionPanel", f);
  lLang = NewLabel(gbLangMyComputer, "lLang");
  LangDescrTntPanel = NewPanel(gbLangMyComputer, "LangDescrTntPanel", f);
  lSize = NewLabel(gbLangMyComputer, "lSize");
  LangSizePanel = NewPanel(gbLangMyComputer, "LangSizePanel", f);
  ImportLangButton = new QPushButton(gbLangMyComputer);
  ImportLangButton->setObjectName("ImportLangButton");
  ImportLangButton->setFixedWidth(Scaled(kImportButtonWidth, f));
  // Importing is offered only after the device's language directory has been read.
  ImportLangButton->setEnabled(false);
  auto* mine = new QVBoxLayout(gbLangMyComputer);
  mine->setContentsMargins(Scaled(8, f), Scaled(6, f), Scaled(8, f), Scaled(8, f));
  mine->setSpacing(Scaled(2, f));
  for (auto [label, panel] :
       {std::pair{lSelctLang, LangFilenamePanel}, std::pair{lVersion, LangVersionPanel},
        std::pair{lLang, LangDescrTntPanel}, std::pair{lSize, LangSizePanel}}) {
    mine->addWidget(label);
    mine->addWidget(panel);
    mine->addSpacing(Scaled(6, f));
  }
  mine->addStretch(1);
  mine->addWidget(ImportLangButton, 0, Qt::AlignHCenter);

  WriteLangButton = new QPushButton(">>", this);
  WriteLangButton->setObjectName("WriteLangButton");
  WriteLangButton->setFixedWidth(Scaled(kWriteButtonWidth, f));
  WriteLangButton->setEnabled(false);  // nothing imported yet

  gbLangOrvanel = new QGroupBox(this);
  gbLangOrvanel->setObjectName("gbLangOrvanel");
  gbLangOrvanel->setFixedWidth(Scaled(kOrvanelWidth, f));
  lFactorySetLang = NewLabel(gbLangOrvanel, "lFactorySetLang");
  LangReadOnlyTntListBox = NewLanguageList(gbLangOrvanel, "LangReadOnlyTntListBox", f);
  // Factory languages sit on the button face: they can be chosen as default, not deleted.
  QPalette factory = LangReadOnlyTntListBox->palette();
  factory.setColor(QPalette::Base, factory.color(QPalette::Button));
  LangReadOnlyTntListBox->setPalette(factory);
  lAddLang = NewLabel(gbLangOrvanel, "lAddLang");
  LanguageTntListBox = NewLanguageList(gbLangOrvanel, "LanguageTntListBox", f);
  cbDefaultLang = new QCheckBox(gbLangOrvanel);
  cbDefaultLang->setObjectName("cbDefaultLang");
  cbDefaultLang->setEnabled(false);
  DeleteLangButton = new QPushButton(gbLangOrvanel);
  DeleteLangButton->setObjectName("DeleteLangButton");
  DeleteLangButton->setFixedWidth(Scaled(kDeleteButtonWidth, f));
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

  auto* groups = new QHBoxLayout;
  groups->setSpacing(Scaled(12, f));
  groups->addStretch(1);
  groups->addWidget(gbLangMyComputer);
  groups->addWidget(WriteLangButton, 0, Qt::AlignVCenter);
  groups->addWidget(gbLangOrvanel);
  groups->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(Scaled(12, f), Scaled(10, f), Scaled(12, f), Scaled(12, f));
  layout->setSpacing(Scaled(10, f));
  layout->addWidget(lLangTitle);
  layout->addLayout(groups, 1);
}

void LanguagesPage::ApplyTexts() {
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
