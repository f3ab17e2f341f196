// TWizardForm: the four steps a diver passes before a firmware write: the security code, the
// safety information to confirm, preparing the device, and the start. Accepted means the write
// may begin; Cancel and the title bar's close reject.
#pragma once

#include <QDialog>
#include <QPixmap>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTextEdit;
class TjsWizard;

class TWizardForm : public QDialog {
  Q_OBJECT

 public:
  // `f` is the screen's dots per inch / 96; design sizes are multiplied by it.
  explicit TWizardForm(double f = 1.0, QWidget* parent = nullptr);

  // Handlers.
  void ApplyButtonClick();
  void cbConfirmClick();
  void Wizard1Next(QObject* sender, int index, const QString& title, bool& canContinue);
  void Wizard1Back(QObject* sender, int index, const QString& title, bool& canContinue);
  void Wizard1Cancel(QObject* sender);
  void Wizard1Finish(QObject* sender);

  // The side picture: open water fading into the deep with a dive computer's outline, `size` in
  // device-independent pixels at `pixelRatio` device pixels each.
  static QPixmap DrawSidePicture(QSize size, qreal pixelRatio = 1.0);

  QLabel* Image1;
  QStackedWidget* Notebook1;

  // "Security code"
  QWidget* SecurityPage;
  QLabel* lWelcome;
  QLabel* lSecureCodeTxt;
  QLabel* lSecureCode;
  QLineEdit* eSecurity;
  QPushButton* ApplyButton;

  // "Safety Info"
  QWidget* SafetyPage;
  QLabel* lSafetyInfo;
  QPlainTextEdit* reAttention;
  QLabel* lRead;
  QCheckBox* cbConfirm;

  // "Prepare update"
  QWidget* PreparePage;
  QTextEdit* reStartUpdate;

  // "Start update"
  QWidget* StartPage;
  QTextEdit* reThankYou;

  QPushButton* CancelButton;
  QPushButton* BackButton;
  QPushButton* NextButton;

  TjsWizard* Wizard1;

  // The code the files' download page gives the diver.
  static constexpr const char* kSecurityCode = "694";

  // Design sizes at 96 dots per inch; the client area keeps the design's proportions.
  static constexpr int kClientWidth = 487;
  static constexpr int kClientHeightRatio = 340;
  static constexpr int kImageWidth = 128;
  static constexpr int kReadWidth = 302;
  static constexpr int kReadHeight = 65;
  static constexpr int kButtonWidth = 75;
};
