#include "app/AboutPage.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <cmath>

#include "texts/LangStrings.h"
#include "widgets/PageWidgets.h"

namespace {

QFont BannerFont(int pixelSize, bool bold) {
  QFont font;
  font.setFamilies({"DejaVu Sans", "Liberation Sans"});
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

}  // namespace

QPixmap AboutPage::DrawTitlePicture(QSize size) {
  constexpr qreal w = kTitleImageWidth, h = kTitleImageHeight;
  QPixmap picture(size);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.scale(size.width() / w, size.height() / h);

  QPainterPath frame;
  frame.addRoundedRect(QRectF(0, 0, w, h), 8, 8);
  p.setClipPath(frame);

  // Sea from the lit surface down into the blue.
  QLinearGradient sea(0, 0, 0, h);
  sea.setColorAt(0.0, QColor(0x35, 0xa8, 0xd0));
  sea.setColorAt(0.3, QColor(0x12, 0x67, 0x95));
  sea.setColorAt(1.0, QColor(0x05, 0x1e, 0x38));
  p.fillRect(QRectF(0, 0, w, h), sea);

  // Sun rays slanting down through the water.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 16));
  for (qreal x : {150.0, 260.0, 330.0, 470.0}) {
    QPolygonF ray;
    ray << QPointF(x, 0) << QPointF(x + 28, 0) << QPointF(x - 40, h) << QPointF(x - 95, h);
    p.drawPolygon(ray);
  }

  // The surface: two swells.
  for (int swell = 0; swell < 2; ++swell) {
    QPainterPath wave;
    wave.moveTo(0, 0);
    for (qreal x = 0; x <= w; x += 4)
      wave.lineTo(x, 9 + swell * 5 + 3.5 * std::sin(x / (26.0 + swell * 9) + swell * 1.7));
    wave.lineTo(w, 0);
    wave.closeSubpath();
    p.setBrush(QColor(255, 255, 255, swell == 0 ? 70 : 35));
    p.drawPath(wave);
  }

  // A dive profile: down, along the bottom, up with a safety stop, back to the surface.
  QPainterPath profile;
  profile.moveTo(300, 22);
  profile.cubicTo(315, 40, 330, 88, 352, 96);
  profile.cubicTo(380, 100, 420, 92, 450, 98);
  profile.cubicTo(470, 101, 480, 70, 495, 56);
  profile.lineTo(530, 56);
  profile.cubicTo(540, 50, 548, 30, 556, 22);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(255, 255, 255, 170), 2, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(profile);
  p.setPen(QPen(QColor(255, 255, 255, 60), 1, Qt::DashLine));
  p.drawLine(QPointF(290, 96), QPointF(570, 96));

  // Bubbles rising from the end of the dive.
  p.setPen(QPen(QColor(255, 255, 255, 140), 1.2));
  const qreal bubbles[][3] = {{600, 98, 5},   {592, 80, 3.5}, {606, 64, 4.5},
                              {597, 48, 2.5}, {609, 34, 3.5}, {601, 22, 2}};
  for (const auto& b : bubbles) p.drawEllipse(QPointF(b[0], b[1]), b[2], b[2]);

  // The product name.
  p.setPen(QColor(0, 0, 0, 70));
  p.setFont(BannerFont(46, true));
  p.drawText(QPointF(27, 73), "Orvanel");
  p.setPen(Qt::white);
  p.drawText(QPointF(25, 71), "Orvanel");
  QFont tag = BannerFont(17, false);
  tag.setLetterSpacing(QFont::AbsoluteSpacing, 5);
  p.setFont(tag);
  p.setPen(QColor(0xa8, 0xe6, 0xf6));
  p.drawText(QPointF(28, 100), "CONFIG");
  return picture;
}

AboutPage::AboutPage(double f, QWidget* parent) : QWidget(parent) {
  setObjectName("AboutTabSheet");
  SetPageFont(this);

  lOrvanelSetup = NewTitleLabel(this, "lOrvanelSetup", 10, false);
  lTitle = NewTitleLabel(this, "lTitle", 15);

  TitleImage2 = new QLabel(this);
  TitleImage2->setObjectName("TitleImage2");
  const QSize bannerSize(Scaled(kTitleImageWidth, f), Scaled(kTitleImageHeight, f));
  TitleImage2->setFixedSize(bannerSize);
  TitleImage2->setPixmap(DrawTitlePicture(bannerSize));

  mDescription = new QPlainTextEdit(this);
  mDescription->setObjectName("mDescription");
  mDescription->setReadOnly(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(Scaled(12, f), Scaled(10, f), Scaled(12, f), Scaled(12, f));
  layout->setSpacing(Scaled(4, f));
  layout->addWidget(TitleImage2, 0, Qt::AlignHCenter);
  layout->addSpacing(Scaled(6, f));
  layout->addWidget(lTitle);
  layout->addWidget(lOrvanelSetup);
  layout->addSpacing(Scaled(6, f));
  layout->addWidget(mDescription, 1);
}

void AboutPage::AddWelcome(const QString& text) {
  mDescription->appendPlainText(text);
}

void AboutPage::AboutTabSheetShow() {
  TitleImage2->setVisible(true);
}

void AboutPage::Left() {
  TitleImage2->setVisible(false);
}

void AboutPage::ApplyTexts() {
  setWindowTitle(LangString(TText::AboutTab));
  lOrvanelSetup->setText(LangString(TText::SetupCaption));
  lTitle->setText(LangString(TText::AboutTitle));
  mDescription->setAccessibleName(LangString(TText::AboutTitle));
}
