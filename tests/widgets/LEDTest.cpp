#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <memory>

#include "widgets/LED.h"

namespace {

const QColor kTeal(0, 128, 128);
const QColor kParentColour(201, 180, 90);  // nothing in the lamp art is this colour

// A parent with a background colour of its own, so that transparent pixels can be told apart.
std::unique_ptr<QWidget> MakeParent() {
  auto parent = std::make_unique<QWidget>();
  QPalette palette = parent->palette();
  palette.setColor(QPalette::Window, kParentColour);
  parent->setPalette(palette);
  parent->resize(200, 60);
  return parent;
}

QColor At(QWidget& widget, int x, int y) {
  return widget.grab().toImage().pixelColor(x, y);
}

// ---- OnChangeState ----------------------------------------------------------------------------

TEST(LED, StartsOffAndRed) {
  TLED led;
  EXPECT_FALSE(led.Lit());
  EXPECT_EQ(led.Color(), lcRed);
  TLEDLabel label;
  EXPECT_EQ(label.Alignment(), caRight);
  EXPECT_FALSE(label.Transparent());
  EXPECT_EQ(label.size(), QSize(97, 17));
}

TEST(LED, ChangeStateOnlyForRealChanges) {
  TLED led;
  QSignalSpy spy(&led, &TLED::OnChangeState);
  led.SetLit(true);
  led.SetLit(true);
  EXPECT_EQ(spy.count(), 1);
  led.SetColor(lcRed);  // already red
  EXPECT_EQ(spy.count(), 1);
  led.SetColor(lcGreen);
  led.SetLit(false);
  EXPECT_EQ(spy.count(), 3);
  EXPECT_EQ(spy.at(0).at(0).value<TLED*>(), &led);
}

TEST(LED, EnablingAndDisablingTheLampItselfIsAChange) {
  TLED led;
  QSignalSpy spy(&led, &TLED::OnChangeState);
  led.setEnabled(false);
  EXPECT_EQ(spy.count(), 1);
  EXPECT_FALSE(led.Lit());
  led.setEnabled(false);
  EXPECT_EQ(spy.count(), 1);
  led.SetLit(true);  // still an event while disabled
  EXPECT_EQ(spy.count(), 2);
  led.setEnabled(true);
  EXPECT_EQ(spy.count(), 3);
}

TEST(LED, DisablingTheParentIsNoChangeOfTheLamp) {
  auto parent = MakeParent();
  auto* led = new TLEDLabel(parent.get());
  QSignalSpy spy(led, &TLED::OnChangeState);
  parent->setEnabled(false);
  parent->setEnabled(true);
  EXPECT_EQ(spy.count(), 0);
  // The lamp's own switch still counts after the parent came back.
  led->setEnabled(false);
  EXPECT_EQ(spy.count(), 1);
}

class CountingLED : public TLED {
 public:
  using TLED::TLED;
  int Paints = 0;

 protected:
  void PaintLED(QPainter& painter) override {
    ++Paints;
    TLED::PaintLED(painter);
  }
};

TEST(LED, LampIsAlreadyRedrawnWhenTheEventArrives) {
  auto parent = MakeParent();
  auto* led = new CountingLED(parent.get());
  parent->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(parent.get()));
  QCoreApplication::processEvents();
  const int before = led->Paints;
  int atEvent = -1;
  QObject::connect(led, &TLED::OnChangeState, [&] { atEvent = led->Paints; });
  led->SetLit(true);  // no event loop runs in between
  EXPECT_GT(atEvent, before);
}

// ---- size and layout --------------------------------------------------------------------------

TEST(LED, BareLampKeepsItsSize) {
  TLED led;
  EXPECT_EQ(led.size(), QSize(12, 13));
  led.resize(20, 20);
  EXPECT_EQ(led.size(), QSize(12, 13));
  led.setGeometry(5, 5, 30, 3);
  EXPECT_EQ(led.size(), QSize(12, 13));
}

// Rectangles as (left, top, right, bottom), right and bottom exclusive.
QRect Ltrb(int left, int top, int right, int bottom) {
  return QRect(left, top, right - left, bottom - top);
}

TEST(LEDLabel, LayoutForEachAlignment) {
  TLEDLabel label;
  label.resize(97, 17);
  EXPECT_EQ(label.LEDRect(), Ltrb(0, 2, 12, 15));
  EXPECT_EQ(label.CaptionRect(), Ltrb(15, 0, 97, 17));

  label.SetAlignment(caLeft);
  EXPECT_EQ(label.LEDRect(), Ltrb(85, 2, 97, 15));
  EXPECT_EQ(label.CaptionRect(), Ltrb(0, 0, 82, 17));

  label.resize(97, 40);
  label.SetAlignment(caTop);
  EXPECT_EQ(label.LEDRect(), Ltrb(42, 27, 54, 40));
  EXPECT_EQ(label.CaptionRect(), Ltrb(0, 0, 97, 24));

  label.SetAlignment(caBottom);
  EXPECT_EQ(label.LEDRect(), Ltrb(42, 0, 54, 13));
  EXPECT_EQ(label.CaptionRect(), Ltrb(0, 16, 97, 40));
}

TEST(LEDLabel, LayoutFollowsResizeAndRoundsTowardZero) {
  TLEDLabel label;
  label.resize(60, 10);  // (10 - 13) / 2 is -1, not -2
  EXPECT_EQ(label.LEDRect(), Ltrb(0, -1, 12, 12));
  label.SetAlignment(caBottom);
  label.resize(11, 30);  // (11 - 12) / 2 is 0
  EXPECT_EQ(label.LEDRect(), Ltrb(0, 0, 12, 13));
  label.resize(24, 30);
  EXPECT_EQ(label.LEDRect(), Ltrb(6, 0, 18, 13));
}

TEST(LEDLabel, LongCaptionsAreCut) {
  TLEDLabel label;
  label.SetCaption(QString(300, 'x'));
  EXPECT_EQ(label.Caption().size(), TLEDLabel::kMaxCaptionLength);
  // A character outside the basic plane straddling the limit goes as a whole.
  label.SetCaption(QString(254, 'y') + QString::fromUcs4(U"\U0001F600") + "z");
  EXPECT_EQ(label.Caption(), QString(254, 'y'));
  label.SetCaption("Rilevato Orvanel");
  EXPECT_EQ(label.Caption(), "Rilevato Orvanel");
}

// ---- the lamp store ---------------------------------------------------------------------------

TEST(LEDBitmap, SharedByAllLampsAndFreedWithTheLast) {
  ASSERT_EQ(TLEDBitmap::Instance(), nullptr);
  auto first = std::make_unique<TLED>();
  TLEDBitmap* store = TLEDBitmap::Instance();
  ASSERT_NE(store, nullptr);
  auto second = std::make_unique<TLEDLabel>();
  EXPECT_EQ(TLEDBitmap::Instance(), store);
  EXPECT_EQ(store->Users().size(), 2u);
  first.reset();
  EXPECT_EQ(TLEDBitmap::Instance(), store);
  EXPECT_EQ(store->Users().size(), 1u);
  second.reset();
  EXPECT_EQ(TLEDBitmap::Instance(), nullptr);
}

TEST(LEDBitmap, PicturesHaveTheLampColours) {
  TLED keepAlive;
  const TLEDBitmap& store = *TLEDBitmap::Instance();
  const QImage& pictures = store.Pictures();
  ASSERT_EQ(pictures.size(), QSize(24, 52));
  EXPECT_EQ(QColor(store.TransparentColor()), kTeal);

  // Body colours at each cell's centre: off and lit for red, green and yellow.
  const QColor bodies[3][2] = {{QColor(128, 0, 0), QColor(255, 0, 0)},
                               {QColor(0, 128, 0), QColor(0, 255, 0)},
                               {QColor(128, 128, 0), QColor(255, 255, 0)}};
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 2; ++column) {
      const QImage cell = store.Cell(column, row, kParentColour);
      ASSERT_EQ(cell.size(), QSize(12, 13));
      const QColor centre = cell.pixelColor(6, 8);
      EXPECT_EQ(centre, row < 3 ? bodies[row][column] : kParentColour) << row << column;
      EXPECT_EQ(cell.pixelColor(0, 0), kParentColour);
      bool black = false, grey = false, white = false, teal = false;
      for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < 12; ++x) {
          const QColor c = cell.pixelColor(x, y);
          black |= c == Qt::black;
          grey |= c == QColor(128, 128, 128);
          white |= c == Qt::white;
          teal |= c == kTeal;
        }
      }
      EXPECT_TRUE(black && grey && white) << row << column;
      EXPECT_FALSE(teal) << "transparent colour left in cell " << row << column;
    }
  }
  EXPECT_EQ(store.Cell(0, 3, Qt::blue), store.Cell(1, 3, Qt::blue));
}

// ---- painting ---------------------------------------------------------------------------------

TEST(LED, PaintsTheCellOfItsStateOnTheParentsColour) {
  auto parent = MakeParent();
  auto* led = new TLED(parent.get());
  EXPECT_EQ(At(*led, 0, 0), kParentColour);
  EXPECT_EQ(At(*led, 6, 8), QColor(128, 0, 0));
  led->SetColor(lcYellow);
  led->SetLit(true);
  EXPECT_EQ(At(*led, 6, 8), QColor(255, 255, 0));
  led->setEnabled(false);  // the empty rim, whatever Lit and Color say
  EXPECT_EQ(At(*led, 6, 8), kParentColour);
  led->setEnabled(true);
  parent->setEnabled(false);
  EXPECT_EQ(At(*led, 6, 8), kParentColour);
}

// Counts pixels of `colour` inside `area` of `image`.
int Count(const QImage& image, const QRect& area, const QColor& colour) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) n += image.pixelColor(x, y) == colour;
  }
  return n;
}

TEST(LEDLabel, DisabledCaptionIsEngraved) {
  auto parent = MakeParent();
  auto* label = new TLEDLabel(parent.get());
  QFont font = label->font();
  font.setStyleStrategy(QFont::NoAntialias);
  label->setFont(font);
  QPalette palette = label->palette();
  const QColor text(0, 0, 160), light(250, 250, 250), dark(100, 100, 100);
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::WindowText, text);
    palette.setColor(group, QPalette::Light, light);
    palette.setColor(group, QPalette::Dark, dark);
  }
  label->setPalette(palette);
  label->SetCaption("Scrittura");
  const QRect caption = label->CaptionRect();

  QImage enabled = label->grab().toImage();
  EXPECT_GT(Count(enabled, caption, text), 10);
  EXPECT_EQ(Count(enabled, caption, light), 0);
  EXPECT_EQ(Count(enabled, caption, dark), 0);

  label->setEnabled(false);
  QImage disabled = label->grab().toImage();
  EXPECT_EQ(Count(disabled, caption, text), 0);
  const int shadow = Count(disabled, caption, dark);
  EXPECT_GT(shadow, 10);
  EXPECT_GT(Count(disabled, caption, light), 0);
  // The highlight sits one pixel down and right of the shadow text.
  int shifted = 0;
  for (int y = caption.top(); y < caption.bottom(); ++y) {
    for (int x = caption.left(); x < caption.right(); ++x) {
      if (disabled.pixelColor(x, y) != dark) continue;
      const QColor below = disabled.pixelColor(x + 1, y + 1);
      shifted += below == light || below == dark;
    }
  }
  EXPECT_EQ(shifted, shadow);
}

// A parent that paints a colour other than its palette's, to see what shows through.
class StripedParent : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::magenta); }
};

TEST(LEDLabel, TransparentLetsTheParentShowThrough) {
  StripedParent parent;
  QPalette palette = parent.palette();
  palette.setColor(QPalette::Window, kParentColour);
  parent.setPalette(palette);
  parent.resize(120, 30);
  auto* label = new TLEDLabel(&parent);
  label->move(0, 0);
  const QPoint emptyCaptionArea(90, 1);

  EXPECT_EQ(parent.grab().toImage().pixelColor(emptyCaptionArea), kParentColour);
  label->SetTransparent(true);
  EXPECT_EQ(parent.grab().toImage().pixelColor(emptyCaptionArea), QColor(Qt::magenta));
  // The lamp's own transparent pixels still take the parent's colour.
  EXPECT_EQ(parent.grab().toImage().pixelColor(label->LEDRect().topLeft()), kParentColour);
}

}  // namespace
