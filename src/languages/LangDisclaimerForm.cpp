#include "languages/LangDisclaimerForm.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "texts/LangStrings.h"
#include "widgets/PageWidgets.h"

namespace {

constexpr int kMargin = 12;
constexpr int kSpacing = 8;
constexpr int kTitlePointSize = 11;

// The texts keep the Windows line ends they are written with; Qt's text controls want "\n".
QString Shown(const QString& text) {
  QString shown = text;
  return shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// A check box whose text wraps onto as many lines as the window's width needs: each statement is
// two paragraphs long. One control, so keyboard, screen readers and clicks on the text treat it
// as the check box it is; its accessible name is its whole text.
class TWrappingCheckBox : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override {
    const Geometry g = Measure(width);
    return std::max(g.Text.bottom(), g.Indicator.bottom()) + 1 + kFrame;
  }
  QSize sizeHint() const override {
    const int width = 4 * IndicatorColumn();
    return {width, heightForWidth(width)};
  }
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const Geometry g = Measure(width());
    QStyleOptionButton indicator = option;
    indicator.rect = g.Indicator;
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, indicator);
    style()->drawItemText(&painter, g.Text, kTextFlags, option.palette, isEnabled(), text(),
                          QPalette::WindowText);
    if (hasFocus()) {
      QStyleOptionFocusRect focus;
      focus.initFrom(this);
      focus.rect = g.Text.adjusted(-kFrame, -kFrame, kFrame, kFrame) & rect();
      painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
  }
  // The text is part of the control: a click on any of its lines ticks the box.
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }

 private:
  static constexpr int kFrame = 2;  // room for the focus frame around the text
  static constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

  struct Geometry {
    QRect Indicator;
    QRect Text;
  };

  int IndicatorWidth() const {
    return style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
  }
  int IndicatorColumn() const {
    return IndicatorWidth() + style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this);
  }

  Geometry Measure(int width) const {
    const int left = IndicatorColumn();
    const QRect text = fontMetrics().boundingRect(
        QRect(left, kFrame, std::max(1, width - left - kFrame), INT_MAX / 4), kTextFlags,
        this->text());
    const int indicatorHeight = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
    // The box stands beside the first line of the text.
    const int top = kFrame + std::max(0, (fontMetrics().height() - indicatorHeight) / 2);
    return {QRect(0, top, IndicatorWidth(), indicatorHeight),
            QRect(left, kFrame, std::max(1, width - left - kFrame), text.height())};
  }
};

QPushButton* NewDialogButton(QWidget* parent, const char* name, const QString& text, double f) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setFixedSize(Scaled(TLangDisclaimerForm::kButtonWidth, f),
                       Scaled(TLangDisclaimerForm::kButtonHeight, f));
  return button;
}

}  // namespace

void UseFaceForAllScripts(QWidget* widget) {
  SetPageFont(widget);
  QFont face = widget->font();
  QStringList families = face.families();
  families << QStringLiteral("WenQuanYi Micro Hei");
  face.setFamilies(families);
  widget->setFont(face);
}

TLangDisclaimerForm::TLangDisclaimerForm(double f, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      f_(f) {
  setObjectName("LangDisclaimerForm");
  UseFaceForAllScripts(this);
  setWindowTitle(LangString(TText::ImportLanguage));

  lDisclaimer = NewTitleLabel(this, "lDisclaimer", kTitlePointSize);
  lDisclaimer->setText(LangString(TNamedText::DisclaimerTitle));

  mDisclaimer = new QPlainTextEdit(this);
  mDisclaimer->setObjectName("mDisclaimer");
  mDisclaimer->setReadOnly(true);
  mDisclaimer->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mDisclaimer->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  mDisclaimer->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // A text box takes no name from its caption: it is named after it directly.
  mDisclaimer->setAccessibleName(lDisclaimer->text());
  lDisclaimer->setBuddy(mDisclaimer);

  cbConfirm = new TWrappingCheckBox(this);
  cbConfirm->setObjectName("cbConfirm");

  lAffected = NewLabel(this, "lAffected");
  lAffected->setTextFormat(Qt::PlainText);
  lAffected->setWordWrap(true);
  lAffected->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lAffected->setFixedSize(Scaled(kAffectedWidth, f), Scaled(kAffectedHeight, f));

  cbUnderstand = new TWrappingCheckBox(this);
  cbUnderstand->setObjectName("cbUnderstand");

  bCancel = NewDialogButton(this, "bCancel", LangString(TText::CancelButton), f);
  bOk = NewDialogButton(this, "bOk", LangStrings::WizardContinueCaption(), f);
  // The arrow is a picture of direction; read out, only the word means something.
  bOk->setAccessibleName(LangString(TText::ContinueButton).remove('&'));
  bOk->setEnabled(false);  // until both statements are ticked

  // The effect text lines up with the statements' texts around it.
  const int textColumn = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, cbConfirm) +
                         style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, cbConfirm);
  auto* affected = new QHBoxLayout;
  affected->setContentsMargins(textColumn, 0, 0, 0);
  affected->addWidget(lAffected);
  affected->addStretch(1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(bCancel);
  buttons->addSpacing(Scaled(kSpacing, f));
  buttons->addWidget(bOk);

  auto* layout = new QVBoxLayout(this);
  const int margin = Scaled(kMargin, f);
  layout->setContentsMargins(margin, margin, margin, margin);
  layout->setSpacing(Scaled(kSpacing, f));
  layout->addWidget(lDisclaimer);
  layout->addWidget(mDisclaimer, 1);
  layout->addWidget(cbConfirm);
  layout->addLayout(affected);
  layout->addWidget(cbUnderstand);
  layout->addLayout(buttons);

  setFixedSize(Scaled(kDesignWidth, f), Scaled(kDesignHeight, f));

  connect(cbConfirm, &QCheckBox::clicked, this, &TLangDisclaimerForm::cbConfirmClick);
  connect(cbUnderstand, &QCheckBox::clicked, this, &TLangDisclaimerForm::cbUnderstandClick);
  connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(bOk, &QPushButton::clicked, this, &QDialog::accept);

  SelectTexts(QString());
}

void TLangDisclaimerForm::SelectTexts(const QString& languageName) {
  texts_ = DisclaimerFor(languageName);
  mDisclaimer->setPlainText(Shown(texts_.Intro));
  cbConfirm->setText(Shown(texts_.Confirm));
  lAffected->setText(Shown(texts_.Effect));
  cbUnderstand->setText(Shown(texts_.Understand));
  // The effect text keeps its design box where it fits and grows downwards where a language
  // needs more lines: a statement the diver confirms is never cut off. The intro above gives
  // up the room and scrolls.
  const int width = Scaled(kAffectedWidth, f_);
  lAffected->setFixedHeight(
      std::max(Scaled(kAffectedHeight, f_), lAffected->heightForWidth(width)));
}

void TLangDisclaimerForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Enter on a freshly shown window must not agree to anything.
  bCancel->setFocus();
}

void TLangDisclaimerForm::cbConfirmClick() {
  UpdateOkButton();
}

void TLangDisclaimerForm::cbUnderstandClick() {
  UpdateOkButton();
}

void TLangDisclaimerForm::UpdateOkButton() {
  const bool both = cbConfirm->isChecked() && cbUnderstand->isChecked();
  bOk->setEnabled(both);
  if (both) bOk->setFocus();
}
