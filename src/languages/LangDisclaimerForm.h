// TLangDisclaimerForm: the window a diver passes before a language the device did not come with
// is written to it. It tells, in the new language and in English, that no printed manual exists
// for it and how the device changes; Continue is offered once both statements are ticked.
#pragma once

#include <QDialog>

#include "languages/DisclaimerTexts.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QWidget;

// Gives `widget` the page face followed by one that covers every script language names and the
// disclaimer come in (Chinese, Korean, Cyrillic, Greek), so that no character shows as a box and
// Latin text keeps the page face.
void UseFaceForAllScripts(QWidget* widget);

class TLangDisclaimerForm : public QDialog {
  Q_OBJECT

 public:
  // `f` is the screen's dots per inch / 96; the window scales its design size by it.
  explicit TLangDisclaimerForm(double f = 1.0, QWidget* parent = nullptr);

  // Shows the texts for the language file called `languageName` (see DisclaimerFor).
  void SelectTexts(const QString& languageName);
  const TDisclaimerContent& Texts() const { return texts_; }

  // Handlers.
  void cbConfirmClick();
  void cbUnderstandClick();

  QLabel* lDisclaimer;
  QPlainTextEdit* mDisclaimer;
  QCheckBox* cbConfirm;
  QLabel* lAffected;
  QCheckBox* cbUnderstand;
  QPushButton* bCancel;
  QPushButton* bOk;

  // Design sizes at 96 dots per inch. The window's is its outer size as the diver sees it; Qt's
  // window size is that of the area inside the frame, which is what is fixed here, so the
  // controls get all of the design room whatever frame the desktop draws around it.
  static constexpr int kDesignWidth = 715;
  static constexpr int kDesignHeight = 560;
  static constexpr int kAffectedWidth = 633;
  static constexpr int kAffectedHeight = 65;
  static constexpr int kButtonWidth = 75;
  static constexpr int kButtonHeight = 25;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void UpdateOkButton();

  double f_;
  TDisclaimerContent texts_;
};
