#include "picture/PictureTextFont.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QString>
#include <QStringList>

namespace {

// Where the X bitmap fonts live: Debian first, then other systems' usual places.
constexpr const char* kFontFolders[] = {"/usr/share/fonts/X11/misc", "/usr/share/X11/fonts/misc",
                                        "/usr/X11R6/lib/X11/fonts/misc"};

// The normal-width sizes of the "Fixed" face, encoded for ISO 10646 (Latin, Greek, Cyrillic).
// The picture text lands on 6x9 or 6x10 (a 9 or 10 pixel request); the others give the font
// dialog sizes to choose from. The semi-condensed 6x12 and 6x13 are left out so that no size
// request picks a narrower face by surprise.
constexpr const char* kFixedSizes[] = {"6x9",  "6x10", "4x6",  "5x7",  "5x8",  "7x13",
                                       "7x14", "8x13", "9x15", "9x18", "10x20"};

// Debian hides bitmap fonts from fontconfig, so the program registers the files itself; once, on
// first use, which costs a few tens of milliseconds. Empty when no file could be loaded.
QString FixedFamily() {
  static const QString family = [] {
    QString found;
    for (const char* folder : kFontFolders) {
      if (!QFileInfo(QString::fromLatin1(folder)).isDir()) continue;
      for (const char* size : kFixedSizes) {
        const QString path = QDir(QString::fromLatin1(folder)).filePath(size + QString(".pcf.gz"));
        const int id = QFontDatabase::addApplicationFont(path);
        if (id < 0 || !found.isEmpty()) continue;
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty()) found = families.front();
      }
      if (!found.isEmpty()) break;
    }
    return found;
  }();
  return family;
}

}  // namespace

int DivideRoundingHalfToEven(int numerator, int denominator) {
  const int quotient = numerator / denominator;
  const int twiceRemainder = 2 * (numerator % denominator);
  if (twiceRemainder > denominator) return quotient + 1;
  if (twiceRemainder == denominator) return quotient + quotient % 2;
  return quotient;
}

int PictureTextPointSize(int dpi) {
  return DivideRoundingHalfToEven(7 * 96, dpi > 0 ? dpi : 96);
}

QFont PictureTextFont(int dpi) {
  const QString fixed = FixedFamily();
  QFont font(fixed.isEmpty() ? QStringLiteral("DejaVu Sans") : fixed);
  font.setPointSize(PictureTextPointSize(dpi));
  // Every pixel of the picture is black or white: grey edges would turn into stray grey levels.
  font.setStyleStrategy(QFont::NoAntialias);
  // Full hinting is what keeps the outline face legible without antialiasing, and a fixed choice
  // keeps glyph widths from following the desktop's settings; the bitmap face has no hints.
  font.setHintingPreference(QFont::PreferFullHinting);
  // Every property is this font's own: an editor given it takes nothing (bold, say) from its page.
  font.setResolveMask(QFont::AllPropertiesResolved);
  return font;
}
