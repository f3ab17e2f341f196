#include "pictures/TextImportPage.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "pictures/PicturesPage.h"
#include "texts/LangStrings.h"
#include "widgets/PageWidgets.h"

TextImportPage::TextImportPage(double f, QWidget* parent) : QWidget(parent) {
  setObjectName("tsTextImport");

  lTxtEditor = NewLabel(this, "lTxtEditor");
  lTxtEditor->setAlignment(Qt::AlignHCenter);

  // Word wrap at the editor's own width: each wrapped line is one line of the picture, so the
  // editor's width decides how much text a picture line holds.
  retntTextEditor = new QTextEdit(this);
  retntTextEditor->setObjectName("retntTextEditor");
  retntTextEditor->setAcceptRichText(false);
  retntTextEditor->setLineWrapMode(QTextEdit::WidgetWidth);
  retntTextEditor->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  retntTextEditor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  retntTextEditor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  retntTextEditor->setFixedSize(Scaled(kEditorWidth, f), Scaled(kEditorHeight, f));

  tbTxtEditor = NewToolBar(this, "tbTxtEditor", f);
  bFont = new QToolButton(tbTxtEditor);
  bFont->setObjectName("bFont");
  bFont->setText("A");
  QFont bold = bFont->font();
  bold.setBold(true);
  bFont->setFont(bold);
  bFont->setFixedWidth(Scaled(24, f));
  tbTxtEditor->addWidget(bFont);
  udShift = new QSpinBox(tbTxtEditor);
  udShift->setObjectName("udShift");
  udShift->setRange(-5, 19);
  udShift->setValue(0);
  udShift->setFixedWidth(Scaled(46, f));
  // Spacing only matters once there are two lines to space.
  udShift->setEnabled(false);
  tbTxtEditor->addWidget(udShift);
  auto* gap = new QWidget(tbTxtEditor);
  gap->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  tbTxtEditor->addWidget(gap);
  bClear = NewButton(tbTxtEditor, "bClear", 64, f);
  tbTxtEditor->addWidget(bClear);

  eHeight = new QLineEdit(this);
  eHeight->setObjectName("eHeight");
  eHeight->setText(QString::number(udShift->value()));
  eHeight->hide();

  FilterComboBoxTxt = new QComboBox(this);
  FilterComboBoxTxt->setObjectName("FilterComboBoxTxt");
  PicturesPage::FillPictureFileTypes(FilterComboBoxTxt);

  tbFilename = NewToolBar(this, "tbFilename", f);
  tbSaveAs = new QToolButton(tbFilename);
  tbSaveAs->setObjectName("tbSaveAs");
  tbSaveAs->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  tbSaveAs->setEnabled(false);  // nothing to name while the editor is empty
  tbFilename->addWidget(tbSaveAs);
  eFilename = new QLineEdit(tbFilename);
  eFilename->setObjectName("eFilename");
  eFilename->setMaxLength(kFilenameMaxLength);
  MakeRestingField(eFilename);  // the save-as tool wakes it up
  tbFilename->addWidget(eFilename);
  bSaveApply = NewButton(tbFilename, "bSaveApply", 52, f);
  bSaveApply->setEnabled(false);
  tbFilename->addWidget(bSaveApply);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(Scaled(4, f), Scaled(4, f), Scaled(4, f), Scaled(4, f));
  layout->setSpacing(Scaled(4, f));
  layout->addWidget(lTxtEditor);
  layout->addWidget(retntTextEditor, 0, Qt::AlignHCenter);
  layout->addWidget(tbTxtEditor);
  layout->addSpacing(Scaled(10, f));
  layout->addWidget(FilterComboBoxTxt);
  layout->addWidget(tbFilename);
  layout->addStretch(1);
}

void TextImportPage::ApplyTexts() {
  lTxtEditor->setText(LangString(65256));
  bClear->setText(LangString(65257));
  eFilename->setText(LangString(65258));
  bSaveApply->setText(LangString(65259));
  tbSaveAs->setAccessibleName(LangString(65258));
  lTxtEditor->setBuddy(retntTextEditor);
}
