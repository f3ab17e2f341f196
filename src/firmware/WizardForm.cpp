#include "firmware/WizardForm.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadialGradient>
#include <QStackedWidget>
#include <QStyleOption>
#include <QStylePainter>
#include <QTextEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>
#include <utility>

#include "firmware/JsWizard.h"
#include "texts/LangStrings.h"
#include "widgets/PageWidgets.h"
#include "widgets/Prompts.h"

namespace {

// What the accepted code is replaced with: the diver sees it was taken without it staying legible.
constexpr const char* kAcceptedCodeMask = "XXXXXXXXXX";

// The step names; the wizard finds the pages by them.
const QStringList kSteps = {"Security code", "Safety Info", "Prepare update", "Start update"};

// The table's texts break lines the way the system they were written on does.
QString TableText(TText text) {
  return LangString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QWidget* NewPage(QStackedWidget* stack, int step, double f) {
  auto* page = new QWidget(stack);
  page->setObjectName(kSteps[step]);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(Scaled(10, f), Scaled(10, f), Scaled(10, f), Scaled(6, f));
  layout->setSpacing(Scaled(6, f));
  stack->addWidget(page);
  return page;
}

QLabel* NewWrappedLabel(QWidget* parent, const char* name, const QString& text) {
  QLabel* label = NewLabel(parent, name);
  label->setText(text);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

// The declaration has a box of its own size; a face wider than the one it was measured for
// would push its last line out of the box, so the text is set smaller until it fits.
void FitTextToBox(QLabel* label) {
  constexpr qreal kSmallestPointSize = 6.0;
  QFont font = label->font();
  const QRect box(QPoint(), label->size());
  while (font.pointSizeF() > kSmallestPointSize &&
         QFontMetrics(font).boundingRect(box, Qt::TextWordWrap, label->text()).height() >
             box.height()) {
    font.setPointSizeF(font.pointSizeF() - 0.5);
  }
  label->setFont(font);
}

// The read-only messages of the last two steps: centred text on the button face, no frame, so
// they read as part of the page rather than as something to type into.
QTextEdit* NewMessage(QWidget* parent, const char* name, const QString& text) {
  auto* message = new QTextEdit(parent);
  message->setObjectName(name);
  message->setReadOnly(true);
  message->setFrameShape(QFrame::NoFrame);
  message->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
  message->setPlainText(text);
  QPalette face = message->palette();
  face.setColor(QPalette::Base, face.color(QPalette::Button));
  message->setPalette(face);
  message->setAccessibleName(LangString(TText::WizardCaption));
  return message;
}

// A check box whose caption breaks onto further lines instead of running past the page; clicks
// anywhere on it, the later lines included, toggle it.
class TWrappedCheckBox : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override {
    const QRect text = fontMetrics().boundingRect(QRect(0, 0, TextWidth(width), 10000),
                                                  Qt::TextWordWrap, this->text());
    return std::max(text.height(), IndicatorSize().height()) + 2;
  }
  QSize sizeHint() const override {
    const int width = IndentWidth() + fontMetrics().averageCharWidth() * 40;
    return {width, heightForWidth(width)};
  }
  QSize minimumSizeHint() const override { return {IndentWidth() * 2, IndicatorSize().height()}; }

 protected:
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }

  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    option.rect = QRect(QPoint(0, (height() - IndicatorSize().height()) / 2), IndicatorSize());
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, option);
    const QRect textRect(IndentWidth(), 1, TextWidth(width()), height() - 2);
    painter.drawItemText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, palette(),
                         isEnabled(), caption, QPalette::WindowText);
    if (hasFocus()) {
      QStyleOptionFocusRect focus;
      focus.initFrom(this);
      focus.rect =
          painter.fontMetrics()
              .boundingRect(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, caption)
              .adjusted(-1, 0, 1, 0);
      painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
  }

 private:
  QSize IndicatorSize() const {
    QStyleOptionButton option;
    option.initFrom(this);
    return {style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, this),
            style()->pixelMetric(QStyle::PM_IndicatorHeight, &option, this)};
  }
  int IndentWidth() const {
    return IndicatorSize().width() + style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
  }
  int TextWidth(int width) const { return std::max(1, width - IndentWidth() - 1); }
};

}  // namespace

QPixmap TWizardForm::DrawSidePicture(QSize size, qreal pixelRatio) {
  QPixmap picture(size * pixelRatio);
  picture.setDevicePixelRatio(pixelRatio);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  // Drawn on a 128 × 300 grid and stretched to the size asked for.
  constexpr qreal kWidth = 128, kHeight = 300;
  p.scale(size.width() / kWidth, size.height() / kHeight);

  QLinearGradient water(0, 0, 0, kHeight);
  water.setColorAt(0.0, QColor(0x7f, 0xd3, 0xe8));
  water.setColorAt(0.35, QColor(0x1f, 0x7d, 0xa8));
  water.setColorAt(0.75, QColor(0x0d, 0x3b, 0x66));
  water.setColorAt(1.0, QColor(0x06, 0x1a, 0x33));
  p.fillRect(QRectF(0, 0, kWidth, kHeight), water);

  // Sunlight slanting down from the surface.
  p.setPen(Qt::NoPen);
  for (const auto& [top, spread] : {std::pair{18.0, 14.0}, {52.0, 20.0}, {90.0, 12.0}}) {
    QLinearGradient fade(0, 0, 0, 220);
    fade.setColorAt(0.0, QColor(255, 255, 255, 70));
    fade.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setBrush(fade);
    QPolygonF ray;
    ray << QPointF(top, 0) << QPointF(top + spread, 0) << QPointF(top + spread * 2.2 + 30, 220)
        << QPointF(top + 18, 220);
    p.drawPolygon(ray);
  }

  // Bubbles rising past the device.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(255, 255, 255, 150), 1.0));
  for (const auto& [x, y, r] : {std::tuple{96.0, 40.0, 2.0},
                                {100.0, 62.0, 3.0},
                                {94.0, 88.0, 2.5},
                                {102.0, 112.0, 4.0},
                                {30.0, 70.0, 1.5},
                                {26.0, 96.0, 2.5}}) {
    p.drawEllipse(QPointF(x, y), r, r);
  }

  // The dive computer in outline: strap, case, a faintly lit display.
  const QColor shadow(0x04, 0x14, 0x28, 230);
  p.setPen(Qt::NoPen);
  p.setBrush(shadow);
  p.drawRoundedRect(QRectF(48, 118, 32, 150), 9, 9);
  const QRectF caseRect(30, 150, 68, 72);
  p.setPen(QPen(QColor(0x6f, 0xc6, 0xe3, 160), 1.2));
  p.drawRoundedRect(caseRect, 20, 20);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x04, 0x14, 0x28));
  for (qreal y : {166.0, 194.0}) {
    p.drawRoundedRect(QRectF(25, y, 7, 9), 2, 2);
    p.drawRoundedRect(QRectF(96, y, 7, 9), 2, 2);
  }
  QRadialGradient glow(caseRect.center(), 30);
  glow.setColorAt(0.0, QColor(0x9f, 0xe8, 0xd0, 120));
  glow.setColorAt(1.0, QColor(0x9f, 0xe8, 0xd0, 0));
  p.setBrush(glow);
  p.drawRoundedRect(QRectF(42, 170, 44, 28), 3, 3);
  p.setPen(QPen(QColor(0x9f, 0xe8, 0xd0, 150), 1.0));
  p.drawLine(QPointF(48, 190), QPointF(80, 190));

  // The sea floor.
  QPainterPath floor;
  floor.moveTo(0, 282);
  floor.cubicTo(30, 270, 60, 292, 88, 278);
  floor.cubicTo(104, 271, 118, 276, kWidth, 272);
  floor.lineTo(kWidth, kHeight);
  floor.lineTo(0, kHeight);
  floor.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x03, 0x0e, 0x1c));
  p.drawPath(floor);
  return picture;
}

TWizardForm::TWizardForm(double f, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName("WizardForm");
  SetPageFont(this);
  setWindowTitle(LangString(TText::WizardCaption));

  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  Image1->setFixedWidth(Scaled(kImageWidth, f));
  Image1->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
  Image1->setAccessibleName(LangString(TText::WizardCaption));

  Notebook1 = new QStackedWidget(this);
  Notebook1->setObjectName("Notebook1");

  SecurityPage = NewPage(Notebook1, 0, f);
  lWelcome = NewTitleLabel(SecurityPage, "lWelcome", 10);
  lWelcome->setText(LangString(TText::WizardWelcome));
  lWelcome->setWordWrap(true);
  lSecureCodeTxt =
      NewWrappedLabel(SecurityPage, "lSecureCodeTxt", TableText(TText::WizardSecurityCodeHelp));
  lSecureCode = NewLabel(SecurityPage, "lSecureCode");
  lSecureCode->setText(LangString(TText::WizardSecurityCodeLabel));
  eSecurity = new QLineEdit(SecurityPage);
  eSecurity->setObjectName("eSecurity");
  eSecurity->setAccessibleName(LangString(TText::WizardSecurityCodeLabel).remove(':').trimmed());
  lSecureCode->setBuddy(eSecurity);
  ApplyButton =
      NewButton(SecurityPage, "ApplyButton", kButtonWidth, f, LangString(TText::ApplyButton));
  // Enter in the code field applies the code; the other pages have no default button.
  ApplyButton->setDefault(true);
  auto* code = new QHBoxLayout;
  code->setSpacing(Scaled(6, f));
  code->addWidget(lSecureCode);
  code->addWidget(eSecurity, 1);
  code->addWidget(ApplyButton);
  auto* securityLayout = static_cast<QVBoxLayout*>(SecurityPage->layout());
  securityLayout->addWidget(lWelcome);
  securityLayout->addSpacing(Scaled(6, f));
  securityLayout->addWidget(lSecureCodeTxt);
  securityLayout->addSpacing(Scaled(10, f));
  securityLayout->addLayout(code);
  securityLayout->addStretch(1);

  SafetyPage = NewPage(Notebook1, 1, f);
  lSafetyInfo = NewTitleLabel(SafetyPage, "lSafetyInfo", 10);
  lSafetyInfo->setText(LangString(TText::WizardSafetyTitle));
  reAttention = new QPlainTextEdit(SafetyPage);
  reAttention->setObjectName("reAttention");
  reAttention->setReadOnly(true);
  reAttention->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  reAttention->setPlainText(TableText(TText::WizardSafetyInformation));
  reAttention->setAccessibleName(LangString(TText::WizardSafetyTitle));
  lRead = NewWrappedLabel(SafetyPage, "lRead", TableText(TText::WizardSafetyStatement));
  lRead->setFixedSize(Scaled(kReadWidth, f), Scaled(kReadHeight, f));
  FitTextToBox(lRead);
  cbConfirm = new TWrappedCheckBox(TableText(TText::WizardSafetyAgreement), SafetyPage);
  cbConfirm->setObjectName("cbConfirm");
  auto* safetyLayout = static_cast<QVBoxLayout*>(SafetyPage->layout());
  safetyLayout->addWidget(lSafetyInfo);
  safetyLayout->addWidget(reAttention, 1);
  safetyLayout->addWidget(lRead);
  safetyLayout->addWidget(cbConfirm);

  PreparePage = NewPage(Notebook1, 2, f);
  reStartUpdate =
      NewMessage(PreparePage, "reStartUpdate", "\n" + TableText(TText::WizardPreparation));
  PreparePage->layout()->addWidget(reStartUpdate);

  StartPage = NewPage(Notebook1, 3, f);
  reThankYou = NewMessage(StartPage, "reThankYou", TableText(TText::WizardClosing));
  StartPage->layout()->addWidget(reThankYou);

  CancelButton = NewButton(this, "CancelButton", kButtonWidth, f);
  BackButton = NewButton(this, "BackButton", kButtonWidth, f);
  NextButton = NewButton(this, "NextButton", kButtonWidth, f);

  auto* top = new QHBoxLayout;
  top->setContentsMargins(0, 0, 0, 0);
  top->setSpacing(0);
  top->addWidget(Image1);
  top->addWidget(Notebook1, 1);
  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(Scaled(8, f), Scaled(8, f), Scaled(8, f), Scaled(8, f));
  buttons->setSpacing(0);
  buttons->addStretch(1);
  buttons->addWidget(CancelButton);
  buttons->addSpacing(Scaled(8, f));
  buttons->addWidget(BackButton);
  buttons->addWidget(NextButton);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addLayout(top, 1);
  layout->addWidget(rule);
  layout->addLayout(buttons);

  const int clientWidth = Scaled(kClientWidth, f);
  setFixedSize(clientWidth, clientWidth * kClientHeightRatio / kClientWidth);
  // Laid out now, so that the side picture is drawn for exactly the room it gets.
  layout->activate();

  Wizard1 = new TjsWizard(this);
  Wizard1->setObjectName("Wizard1");
  Wizard1->SetPages(Notebook1);
  Wizard1->SetPageSteps(kSteps);
  Wizard1->SetImages({DrawSidePicture(Image1->size(), devicePixelRatioF())});
  Wizard1->SetSideImage(Image1);
  Wizard1->SetCancelButton(CancelButton);
  Wizard1->SetBackButton(BackButton);
  Wizard1->SetNextButton(NextButton);
  Wizard1->OnNext = [this](QObject* sender, int index, const QString& title, bool& canContinue) {
    Wizard1Next(sender, index, title, canContinue);
  };
  Wizard1->OnBack = [this](QObject* sender, int index, const QString& title, bool& canContinue) {
    Wizard1Back(sender, index, title, canContinue);
  };
  Wizard1->OnCancel = [this](QObject* sender) { Wizard1Cancel(sender); };
  Wizard1->OnFinish = [this](QObject* sender) { Wizard1Finish(sender); };

  connect(ApplyButton, &QPushButton::clicked, this, &TWizardForm::ApplyButtonClick);
  connect(cbConfirm, &QCheckBox::clicked, this, &TWizardForm::cbConfirmClick);

  Wizard1->Loaded();
  // The code has to be applied before the first step may be left.
  NextButton->setEnabled(false);
}

void TWizardForm::ApplyButtonClick() {
  if (eSecurity->text() == QLatin1String(kSecurityCode)) {
    NextButton->setEnabled(true);
    eSecurity->setText(QLatin1String(kAcceptedCodeMask));
  } else {
    eSecurity->clear();
  }
}

void TWizardForm::cbConfirmClick() {
  NextButton->setEnabled(cbConfirm->isChecked());
}

void TWizardForm::Wizard1Next(QObject*, int index, const QString&, bool&) {
  switch (index) {
    case 0:  // on to the safety information, which must be confirmed first
      NextButton->setEnabled(false);
      cbConfirm->setChecked(false);
      break;
    case 1:
      cbConfirm->setChecked(false);
      NextButton->setEnabled(true);
      break;
    default:
      break;
  }
}

void TWizardForm::Wizard1Back(QObject*, int index, const QString&, bool&) {
  switch (index) {
    case 1:  // back to the code: it has to be given again
      NextButton->setEnabled(false);
      eSecurity->clear();
      break;
    case 2:  // back to the safety information: confirmed again
      cbConfirm->setChecked(false);
      NextButton->setEnabled(false);
      break;
    case 3:
      NextButton->setEnabled(true);
      break;
    default:
      break;
  }
}

void TWizardForm::Wizard1Cancel(QObject*) {
  Prompts().Plain(LangString(TText::WizardCancelled), this);
  reject();
}

void TWizardForm::Wizard1Finish(QObject*) {
  accept();
}
