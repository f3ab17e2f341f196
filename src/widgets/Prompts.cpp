#include "widgets/Prompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>

#include "texts/LangStrings.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

TPrompts* g_installed = nullptr;

QMessageBox::Icon IconOf(TMessageKind kind) {
  switch (kind) {
    case TMessageKind::Error:
      return QMessageBox::Critical;
    case TMessageKind::Warning:
      return QMessageBox::Warning;
    case TMessageKind::Information:
      return QMessageBox::Information;
    case TMessageKind::Confirmation:
      return QMessageBox::Question;
    case TMessageKind::Plain:
      break;
  }
  return QMessageBox::NoIcon;
}

QWidget* ParentOrActive(QWidget* parent) {
  return parent ? parent : QApplication::activeWindow();
}

}  // namespace

void TPrompts::Error(const QString& text, TBeep beep, QWidget* parent) {
  Message(beep, TMessageKind::Error, text, TMessageButtons::Ok, parent);
}

void TPrompts::Warning(const QString& text, TBeep beep, QWidget* parent) {
  Message(beep, TMessageKind::Warning, text, TMessageButtons::Ok, parent);
}

void TPrompts::Information(const QString& text, TBeep beep, QWidget* parent) {
  Message(beep, TMessageKind::Information, text, TMessageButtons::Ok, parent);
}

void TPrompts::Plain(const QString& text, QWidget* parent) {
  Message(TBeep::None, TMessageKind::Plain, text, TMessageButtons::Ok, parent);
}

bool TPrompts::Ask(TMessageKind kind, const QString& text, TBeep beep, QWidget* parent) {
  return Message(beep, kind, text, TMessageButtons::YesNo, parent) == TMessageAnswer::Yes;
}

QString MessageCaption(TMessageKind kind) {
  switch (kind) {
    case TMessageKind::Error:
      return LangString(TNamedText::ErrorCaption);
    case TMessageKind::Warning:
      return LangString(TNamedText::WarningCaption);
    case TMessageKind::Information:
      return LangString(TNamedText::InformationCaption);
    case TMessageKind::Confirmation:
      return LangString(TNamedText::ConfirmationCaption);
    case TMessageKind::Plain:
      break;
  }
  return LangString(TFixedText::ApplicationTitle);
}

QStringList MessageButtonTexts(TMessageButtons buttons) {
  if (buttons == TMessageButtons::YesNo) {
    return {LangString(TNamedText::YesButton), LangString(TNamedText::NoButton)};
  }
  return {LangString(TNamedText::OkButton)};
}

void TQtPrompts::Beep(TBeep beep) {
  if (beep == TBeep::None) return;
#ifdef Q_OS_WIN
  MessageBeep(beep == TBeep::Error ? MB_ICONHAND : MB_ICONASTERISK);
#else
  // Other systems have one bell only; the two sounds differ on Windows alone.
  QApplication::beep();
#endif
}

TMessageAnswer TQtPrompts::Message(TBeep beep, TMessageKind kind, const QString& text,
                                   TMessageButtons buttons, QWidget* parent) {
  Beep(beep);
  QMessageBox box(IconOf(kind), MessageCaption(kind), text, QMessageBox::NoButton,
                  ParentOrActive(parent));
  // The toolkit's own button texts would be in the toolkit's language; ours are Italian.
  const QStringList texts = MessageButtonTexts(buttons);
  QAbstractButton* yes = nullptr;
  QAbstractButton* no = nullptr;
  if (buttons == TMessageButtons::YesNo) {
    yes = box.addButton(QMessageBox::Yes);
    no = box.addButton(QMessageBox::No);
    yes->setText(texts.at(0));
    no->setText(texts.at(1));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(no);
  } else {
    box.addButton(QMessageBox::Ok)->setText(texts.at(0));
  }
  open_.emplace_back(&box);
  box.exec();
  std::erase_if(open_, [&](const QPointer<QDialog>& shown) { return shown == &box; });
  QAbstractButton* clicked = box.clickedButton();
  if (buttons == TMessageButtons::Ok) return TMessageAnswer::Ok;
  if (clicked == yes) return TMessageAnswer::Yes;
  if (clicked == no) return TMessageAnswer::No;
  return TMessageAnswer::Closed;
}

QString TQtPrompts::OpenFileName(const TFileDialogRequest& request) {
  QFileDialog dialog(ParentOrActive(request.Parent), request.Title, request.Directory,
                     request.Filter);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (!request.FileName.isEmpty()) dialog.selectFile(request.FileName);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles().value(0);
}

QString TQtPrompts::SaveFileName(const TFileDialogRequest& request) {
  QFileDialog dialog(ParentOrActive(request.Parent), request.Title, request.Directory,
                     request.Filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // The program overwrites without asking, and the toolkit's question would not be Italian.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (!request.DefaultSuffix.isEmpty()) dialog.setDefaultSuffix(request.DefaultSuffix);
  if (!request.FileName.isEmpty()) dialog.selectFile(request.FileName);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles().value(0);
}

std::optional<QFont> TQtPrompts::ChooseFont(const QFont& initial, QWidget* parent) {
  bool ok = false;
  QFont font = QFontDialog::getFont(&ok, initial, ParentOrActive(parent));
  if (!ok) return std::nullopt;
  return font;
}

int TQtPrompts::ExecModal(QDialog& dialog) {
  return dialog.exec();
}

void TQtPrompts::DismissOpen() {
  // Rejected, a box has no button clicked: an OK box ends as OK, a question as closed.
  for (const QPointer<QDialog>& box : std::vector(open_)) {
    if (box) box->reject();
  }
}

TPrompts& Prompts() {
  if (g_installed) return *g_installed;
  static TQtPrompts real;
  return real;
}

TPrompts* InstallPrompts(TPrompts* prompts) {
  TPrompts* previous = g_installed;
  g_installed = prompts;
  return previous;
}
