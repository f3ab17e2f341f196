// The prompts service: every beep, message box, file or font dialog and modal window of the
// program goes through the one installed TPrompts, so that tests can answer for the user.
#pragma once

#include <QFont>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class QDialog;
class QWidget;

// The two system sounds that precede messages: Error is the hand sound, Notice the asterisk.
enum class TBeep { None, Error, Notice };

// The icon and caption of a box; Plain has no icon and carries the application title.
enum class TMessageKind { Error, Warning, Information, Confirmation, Plain };

enum class TMessageButtons { Ok, YesNo };

// Closed: the box went away without a button (only a scripted user does that; callers treat it
// like No).
enum class TMessageAnswer { Ok, Yes, No, Closed };

struct TFileDialogRequest {
  QString Title;
  QString Filter;         // Qt form, e.g. "Binary File (*.bin)"; several joined by ";;"
  QString Directory;      // where the dialog opens; empty: the current folder
  QString FileName;       // preset name; empty for a cleared name box
  QString DefaultSuffix;  // save dialog: added when the user types a name without one ("txt")
  QWidget* Parent = nullptr;
};

class TPrompts {
 public:
  virtual ~TPrompts() = default;

  virtual void Beep(TBeep beep) = 0;
  // Sounds `beep` (nothing for None), then shows a modal box and returns the button pressed.
  virtual TMessageAnswer Message(TBeep beep, TMessageKind kind, const QString& text,
                                 TMessageButtons buttons, QWidget* parent = nullptr) = 0;
  // The chosen file's path; an empty text when the user cancelled.
  virtual QString OpenFileName(const TFileDialogRequest& request) = 0;
  virtual QString SaveFileName(const TFileDialogRequest& request) = 0;
  // The confirmed font; nothing when the user cancelled.
  virtual std::optional<QFont> ChooseFont(const QFont& initial, QWidget* parent = nullptr) = 0;
  // Runs `dialog` modally and returns its result (QDialog::Accepted, Rejected or done()'s code).
  virtual int ExecModal(QDialog& dialog) = 0;
  // Closes every message box still open, as its close box would (a question then answers No):
  // for a program that ends while a box waits for the diver.
  virtual void DismissOpen() {}

  // The program's usual boxes, with the beep each usually takes.
  void Error(const QString& text, TBeep beep = TBeep::Error, QWidget* parent = nullptr);
  void Warning(const QString& text, TBeep beep = TBeep::Notice, QWidget* parent = nullptr);
  void Information(const QString& text, TBeep beep = TBeep::Notice, QWidget* parent = nullptr);
  void Plain(const QString& text, QWidget* parent = nullptr);
  // A Yes/No box; true only for Yes.
  bool Ask(TMessageKind kind, const QString& text, TBeep beep = TBeep::Notice,
           QWidget* parent = nullptr);
};

// What the user sees on a box of this kind and with these buttons.
QString MessageCaption(TMessageKind kind);
QStringList MessageButtonTexts(TMessageButtons buttons);

// The real service: QMessageBox with the Italian captions and buttons, QFileDialog, QFontDialog
// and QDialog::exec().
class TQtPrompts : public TPrompts {
 public:
  void Beep(TBeep beep) override;
  TMessageAnswer Message(TBeep beep, TMessageKind kind, const QString& text,
                         TMessageButtons buttons, QWidget* parent = nullptr) override;
  QString OpenFileName(const TFileDialogRequest& request) override;
  QString SaveFileName(const TFileDialogRequest& request) override;
  std::optional<QFont> ChooseFont(const QFont& initial, QWidget* parent = nullptr) override;
  int ExecModal(QDialog& dialog) override;
  void DismissOpen() override;

 private:
  std::vector<QPointer<QDialog>> open_;  // the boxes now shown, innermost last
};

// The service in use: the installed one, else the real one. User-interface thread only.
TPrompts& Prompts();

// Installs `prompts` (not owned; nullptr puts the real service back) and returns the one
// installed before (nullptr when that was the real service).
TPrompts* InstallPrompts(TPrompts* prompts);
