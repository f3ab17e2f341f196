// Test double for the prompts service: while alive it is the installed service, answers from a
// script instead of a user and records everything the user would have seen and heard.
#pragma once

#include <QEventLoop>
#include <QFont>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "widgets/Prompts.h"

enum class TPromptEvent { Beep, Message, OpenFile, SaveFile, Font, Modal };

struct TPromptRecord {
  TPromptEvent Event = TPromptEvent::Beep;
  TBeep Beep = TBeep::None;  // the beep itself, or the one sounded before a box
  TMessageKind Kind = TMessageKind::Plain;
  QString Caption;          // box caption, dialog title or modal window's title
  QString Text;             // box text
  QStringList Buttons;      // as labelled on the box, e.g. "&Sì", "&No"
  TFileDialogRequest File;  // what a file dialog was given (Parent left empty)
  QFont InitialFont;
  QString Window;  // object name of a modal window
  // The answer given: a box's answer, a chosen file name (empty: cancel), a modal result.
  TMessageAnswer Answer = TMessageAnswer::Ok;
  QString FileName;
  int ModalResult = 0;
  bool Scripted = true;  // false when the script held no answer and the default was used
};

class TScriptedPrompts : public TPrompts {
 public:
  TScriptedPrompts();
  ~TScriptedPrompts() override;
  TScriptedPrompts(const TScriptedPrompts&) = delete;
  TScriptedPrompts& operator=(const TScriptedPrompts&) = delete;

  // Answers for Yes/No boxes, in order. OK boxes take none: they have only one way out.
  // Unscripted questions are answered Closed.
  void QueueAnswer(TMessageAnswer answer);
  // Answers for file dialogs (open and save share the queue); an empty name is a cancel, and so
  // is an unscripted dialog.
  void QueueFileName(const QString& fileName);
  void QueueCancel() { QueueFileName(QString()); }
  // Answers for the font dialog; nothing is a cancel, and so is an unscripted dialog.
  void QueueFont(std::optional<QFont> font);
  // Answers for modal windows: a fixed result, or a function that may work the window (it is
  // constructed but never shown) and returns the result. Unscripted windows are Rejected.
  void QueueModalResult(int result);
  void QueueModal(std::function<int(QDialog&)> handler);
  // The next message box stays up as a real one does, letting events through, until DismissOpen()
  // closes it (or `boundMs` pass: then DismissedByBound() says so); `whileOpen` runs once it is
  // up. A question held this way answers Closed.
  void HoldNextMessage(std::function<void()> whileOpen, int boundMs = 10000);
  bool DismissedByBound() const { return dismissedByBound_; }

  const std::vector<TPromptRecord>& Records() const { return records_; }
  std::vector<TPromptRecord> Records(TPromptEvent event) const;
  const TPromptRecord& Last() const { return records_.back(); }
  int Unscripted() const;   // how many prompts found no answer in the script
  bool ScriptDone() const;  // every queued answer was used
  void Clear();             // forgets records and unused answers

  void Beep(TBeep beep) override;
  TMessageAnswer Message(TBeep beep, TMessageKind kind, const QString& text,
                         TMessageButtons buttons, QWidget* parent = nullptr) override;
  QString OpenFileName(const TFileDialogRequest& request) override;
  QString SaveFileName(const TFileDialogRequest& request) override;
  std::optional<QFont> ChooseFont(const QFont& initial, QWidget* parent = nullptr) override;
  int ExecModal(QDialog& dialog) override;
  void DismissOpen() override;

 private:
  QString FileDialog(TPromptEvent event, const TFileDialogRequest& request);

  std::deque<TMessageAnswer> answers_;
  std::deque<QString> fileNames_;
  std::deque<std::optional<QFont>> fonts_;
  std::deque<std::function<int(QDialog&)>> modals_;
  std::vector<TPromptRecord> records_;
  std::function<void()> whileHeld_;
  int holdBoundMs_ = 0;
  QEventLoop* held_ = nullptr;
  bool dismissedByBound_ = false;
  TPrompts* previous_;
};
