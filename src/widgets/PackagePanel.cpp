#include "widgets/PackagePanel.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "texts/LangStrings.h"
#include "widgets/PackageImport.h"
#include "widgets/PageWidgets.h"

namespace {

QString FieldText(const TPackageImport& import, TPackagePanel::TField field) {
  switch (field) {
    case TPackagePanel::TField::FileName:
      return import.FileName;
    case TPackagePanel::TField::Name:
      return import.Fields.Name;
    case TPackagePanel::TField::Version:
      return import.Fields.Version;
    case TPackagePanel::TField::Size:
      return import.Fields.Size;
    case TPackagePanel::TField::Checksum:
      return import.Fields.Checksum;
  }
  return {};
}

}  // namespace

TPackagePanel::TPackagePanel(QWidget* parent, const char* name, std::span<const TRow> rows,
                             const char* buttonName, TText buttonCaption, double f)
    : QGroupBox(parent), buttonCaption_(buttonCaption) {
  setObjectName(name);
  setFixedWidth(Scaled(kDesignWidth, f));
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(Scaled(8, f), Scaled(6, f), Scaled(8, f), Scaled(8, f));
  column->setSpacing(Scaled(2, f));
  for (const TRow& row : rows) {
    QLabel* caption = NewLabel(this, row.CaptionName);
    QLabel* panel = NewValuePanel(this, row.PanelName, f);
    // The caption says what the value beside it is, for a screen reader too.
    caption->setBuddy(panel);
    column->addWidget(caption);
    column->addWidget(panel);
    column->addSpacing(Scaled(6, f));
    rows_.push_back({row, caption, panel});
  }
  importButton_ = NewButton(this, buttonName, kImportButtonWidth, f);
  column->addStretch(1);
  column->addWidget(importButton_, 0, Qt::AlignHCenter);
}

void TPackagePanel::ApplyTexts() {
  setTitle(LangString(TText::MyComputer));
  for (const TShownRow& row : rows_) row.Caption->setText(LangString(row.Row.Caption));
  importButton_->setText(LangString(buttonCaption_));
}

void TPackagePanel::Expose(std::initializer_list<QLabel**> captions,
                           std::initializer_list<QLabel**> panels) const {
  Q_ASSERT(captions.size() == rows_.size() && panels.size() == rows_.size());
  auto caption = captions.begin();
  auto panel = panels.begin();
  for (const TShownRow& row : rows_) {
    **caption++ = row.Caption;
    **panel++ = row.Panel;
  }
}

void TPackagePanel::Import(std::uint8_t type, QWidget* writeButton, platform::Bytes& package) {
  TPackageImport import;
  switch (ImportPackage(type, parentWidget(), import)) {
    case TPackageImportResult::Imported:
      package = import.Data;
      for (const TShownRow& row : rows_) row.Panel->setText(FieldText(import, row.Row.Field));
      writeButton->setEnabled(true);
      break;
    case TPackageImportResult::Refused:
      package.clear();
      writeButton->setEnabled(false);
      Reset();
      break;
    case TPackageImportResult::Unreadable:
    case TPackageImportResult::Cancelled:
      break;
  }
}

void TPackagePanel::Reset() {
  for (const TShownRow& row : rows_) row.Panel->setText(LangString(TFixedText::NoValue));
}
