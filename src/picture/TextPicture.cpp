#include "picture/TextPicture.h"

#include <QPainter>
#include <QTextOption>
#include <algorithm>

#include "picture/PictureCodec.h"
#include "picture/PictureTextFont.h"

namespace {

constexpr QRgb kTextColor = 0xFF000000;

}  // namespace

QImage RenderTextPicture(const QStringList& lines, const QFont& font, int gap, int dpi) {
  QImage picture(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
  picture.fill(0xFFFFFFFF);
  // Drawn at the editor's dots per inch, the font has the same pixels in both, and a line that
  // fits the editor's column fits the picture.
  const int dotsPerMeter = qRound(dpi / 0.0254);
  picture.setDotsPerMeterX(dotsPerMeter);
  picture.setDotsPerMeterY(dotsPerMeter);

  // The line pitch counts the font's size in points, not its height in pixels.
  int size = font.pointSize();
  if (size < 0) size = DivideRoundingHalfToEven(std::max(0, font.pixelSize()) * 72, dpi);
  const int pitch = size + gap;

  // Each line's box has its top at y and its left at 0: the glyphs hang from the top by the
  // font's ascent. Nothing is centred or wrapped.
  QTextOption option(Qt::AlignTop | Qt::AlignLeft);
  option.setWrapMode(QTextOption::NoWrap);
  QPainter painter(&picture);
  painter.setFont(font);
  painter.setPen(QColor::fromRgb(kTextColor));
  for (int i = 0; i < std::min<int>(kTextPictureLines, lines.size()); ++i) {
    const int top = i * pitch + kTextPictureTopRow;
    if (top >= picture.height()) break;
    // The picture's text is 8-bit: a character Latin-1 cannot hold is drawn as its "?".
    const QString narrowed = QString::fromLatin1(lines[i].toLatin1());
    painter.drawText(QRectF(0, top, picture.width(), picture.height()), narrowed, option);
  }
  return picture;
}
