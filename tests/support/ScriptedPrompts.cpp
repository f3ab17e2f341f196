#include "support/ScriptedPrompts.h"

#include <QDialog>
#include <QTimer>
#include <algorithm>
#include <utility>

TScriptedPrompts::TScriptedPrompts() : previous_(InstallPrompts(this)) {}

TScriptedPrompts::~TScriptedPrompts() {
  InstallPrompts(previous_);
}

void TScriptedPrompts::QueueAnswer(TMessageAnswer answer) {
  answers_.push_back(answer);
}

void TScriptedPrompts::QueueFileName(const QString& fileName) {
  fileNames_.push_back(fileName);
}

void TScriptedPrompts::QueueFont(std::optional<QFont> font) {
  fonts_.push_back(std::move(font));
}

void TScriptedPrompts::QueueModalResult(int result) {
  modals_.push_back([result](QDialog&) { return result; });
}

void TScriptedPrompts::QueueModal(std::function<int(QDialog&)> handler) {
  modals_.push_back(std::move(handler));
}

void TScriptedPrompts::HoldNextMessage(std::function<void()> whileOpen, int boundMs) {
  whileHeld_ = whileOpen ? std::move(whileOpen) : [] {};
  holdBoundMs_ = boundMs;
  dismissedByBound_ = false;
}

void TScriptedPrompts::DismissOpen() {
  if (held_) held_->quit();
}

std::vector<TPromptRecord> TScriptedPrompts::Records(TPromptEvent event) const {
  std::vector<TPromptRecord> matching;
  std::copy_if(records_.begin(), records_.end(), std::back_inserter(matching),
               [event](const TPromptRecord& record) { return record.Event == event; });
  return matching;
}

int TScriptedPrompts::Unscripted() const {
  return static_cast<int>(std::count_if(records_.begin(), records_.end(),
                                        [](const TPromptRecord& r) { return !r.Scripted; }));
}

bool TScriptedPrompts::ScriptDone() const {
  return answers_.empty() && fileNames_.empty() && fonts_.empty() && modals_.empty();
}

void TScriptedPrompts::Clear() {
  answers_.clear();
  fileNames_.clear();
  fonts_.clear();
  modals_.clear();
  records_.clear();
}

void TScriptedPrompts::Beep(TBeep beep) {
  TPromptRecord record;
  record.Event = TPromptEvent::Beep;
  record.Beep = beep;
  records_.push_back(record);
}

TMessageAnswer TScriptedPrompts::Message(TBeep beep, TMessageKind kind, const QString& text,
                                         TMessageButtons buttons, QWidget*) {
  TPromptRecord record;
  record.Event = TPromptEvent::Message;
  record.Beep = beep;
  record.Kind = kind;
  record.Caption = MessageCaption(kind);
  record.Text = text;
  record.Buttons = MessageButtonTexts(buttons);
  const std::function<void()> whileOpen = std::exchange(whileHeld_, nullptr);
  if (buttons == TMessageButtons::Ok) {
    record.Answer = TMessageAnswer::Ok;
  } else if (whileOpen) {
    record.Answer = TMessageAnswer::Closed;  // the box goes without a button
  } else if (answers_.empty()) {
    record.Answer = TMessageAnswer::Closed;
    record.Scripted = false;
  } else {
    record.Answer = answers_.front();
    answers_.pop_front();
  }
  records_.push_back(record);
  if (whileOpen) {
    QEventLoop loop;
    held_ = &loop;
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, &loop, [&] {
      dismissedByBound_ = true;
      loop.quit();
    });
    bound.start(holdBoundMs_);
    QTimer::singleShot(0, &loop, whileOpen);
    loop.exec();
    held_ = nullptr;
  }
  return record.Answer;
}

QString TScriptedPrompts::FileDialog(TPromptEvent event, const TFileDialogRequest& request) {
  TPromptRecord record;
  record.Event = event;
  record.Caption = request.Title;
  record.File = request;
  record.File.Parent = nullptr;
  if (fileNames_.empty()) {
    record.Scripted = false;
  } else {
    record.FileName = fileNames_.front();
    fileNames_.pop_front();
  }
  records_.push_back(record);
  return record.FileName;
}

QString TScriptedPrompts::OpenFileName(const TFileDialogRequest& request) {
  return FileDialog(TPromptEvent::OpenFile, request);
}

QString TScriptedPrompts::SaveFileName(const TFileDialogRequest& request) {
  return FileDialog(TPromptEvent::SaveFile, request);
}

std::optional<QFont> TScriptedPrompts::ChooseFont(const QFont& initial, QWidget*) {
  TPromptRecord record;
  record.Event = TPromptEvent::Font;
  record.InitialFont = initial;
  std::optional<QFont> answer;
  if (fonts_.empty()) {
    record.Scripted = false;
  } else {
    answer = fonts_.front();
    fonts_.pop_front();
  }
  record.Answer = answer ? TMessageAnswer::Ok : TMessageAnswer::Closed;
  records_.push_back(record);
  return answer;
}

int TScriptedPrompts::ExecModal(QDialog& dialog) {
  TPromptRecord record;
  record.Event = TPromptEvent::Modal;
  record.Caption = dialog.windowTitle();
  record.Window = dialog.objectName();
  record.ModalResult = QDialog::Rejected;
  // Recorded before the handler runs, so that prompts the window raises meanwhile come after it.
  const std::size_t index = records_.size();
  if (modals_.empty()) {
    record.Scripted = false;
    records_.push_back(record);
  } else {
    auto handler = std::move(modals_.front());
    modals_.pop_front();
    records_.push_back(record);
    const int result = handler(dialog);
    dialog.setResult(result);
    records_[index].ModalResult = result;
  }
  return records_[index].ModalResult;
}
