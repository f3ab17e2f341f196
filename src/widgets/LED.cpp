#include "widgets/LED.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

// The lamp pictures live in this library's resources; a static library only links them in when
// something refers to their initialiser.
static void InitLEDResources() {
  Q_INIT_RESOURCE(LED);
}

namespace {

constexpr int kCaptionGap = 3;  // between lamp and caption
constexpr int kDisabledRow = 3;

}  // namespace

// ---- TLEDBitmap ------------------------------------------------------------------------------

TLEDBitmap* TLEDBitmap::instance_ = nullptr;

TLEDBitmap::TLEDBitmap() {
  InitLEDResources();
  pictures_ = QImage(QStringLiteral(":/LED_PICS")).convertToFormat(QImage::Format_RGB32);
  if (pictures_.isNull()) {
    // Without the resource the lamps show as empty patches of the parent's colour.
    pictures_ = QImage(2 * kLEDWidth, 4 * kLEDHeight, QImage::Format_RGB32);
    pictures_.fill(QColor(0, 128, 128));
  }
  transparent_ = pictures_.pixel(0, pictures_.height() - 1);
}

TLEDBitmap& TLEDBitmap::Acquire(TLED* user) {
  if (!instance_) instance_ = new TLEDBitmap;
  instance_->users_.push_back(user);
  return *instance_;
}

void TLEDBitmap::Release(TLED* user) {
  if (!instance_) return;
  std::erase(instance_->users_, user);
  if (instance_->users_.empty()) {
    delete instance_;
    instance_ = nullptr;
  }
}

QImage TLEDBitmap::Cell(int column, int row, QColor background) const {
  QImage cell = pictures_.copy(column * kLEDWidth, row * kLEDHeight, kLEDWidth, kLEDHeight);
  const QRgb fill = background.rgb();
  for (int y = 0; y < cell.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(cell.scanLine(y));
    for (int x = 0; x < cell.width(); ++x) {
      if (line[x] == transparent_) line[x] = fill;
    }
  }
  return cell;
}

// ---- TLED -------------------------------------------------------------------------------------

TLED::TLED(QWidget* parent) : TLED(parent, true) {}

TLED::TLED(QWidget* parent, bool fixedSize) : QWidget(parent) {
  TLEDBitmap::Acquire(this);
  setAttribute(Qt::WA_OpaquePaintEvent);
  if (fixedSize) setFixedSize(kLEDWidth, kLEDHeight);
}

TLED::~TLED() {
  TLEDBitmap::Release(this);
}

QSize TLED::sizeHint() const {
  return {kLEDWidth, kLEDHeight};
}

void TLED::SetLit(bool lit) {
  if (lit == lit_) return;
  lit_ = lit;
  StateChanged();
}

void TLED::SetColor(TLEDColor color) {
  if (color == color_) return;
  color_ = color;
  StateChanged();
}

void TLED::StateChanged() {
  // Drawn at once rather than on the next paint: handlers of OnChangeState may keep the event
  // loop busy for a while (a transfer starts from there), and the lamp must already show.
  repaint(LEDArea());
  emit OnChangeState(this);
}

QColor TLED::BackgroundColor() const {
  const QWidget* parent = parentWidget();
  if (!parent) return palette().color(QPalette::Window);
  return parent->palette().color(parent->backgroundRole());
}

void TLED::PaintLED(QPainter& painter) {
  TLEDBitmap* store = TLEDBitmap::Instance();
  if (!store) return;
  const bool enabled = isEnabled();
  const int column = enabled && lit_ ? 1 : 0;
  const int row = enabled ? static_cast<int>(color_) : kDisabledRow;
  painter.drawImage(LEDArea().topLeft(), store->Cell(column, row, BackgroundColor()));
}

void TLED::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintLED(painter);
}

void TLED::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) {
    // Only the lamp's own Enabled counts as a change of state: disabling a panel around the
    // lamps (as during a transfer) greys them, but must not look like a device coming or going.
    const bool selfEnabled = !testAttribute(Qt::WA_ForceDisabled);
    if (selfEnabled != selfEnabled_) {
      selfEnabled_ = selfEnabled;
      emit OnChangeState(this);
    }
  }
  QWidget::changeEvent(event);
}

void TLED::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pressed_ = true;
  QWidget::mousePressEvent(event);
}

void TLED::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  QWidget::mouseReleaseEvent(event);
  if (click) emit OnClick(this);
}

void TLED::mouseDoubleClickEvent(QMouseEvent* event) {
  QWidget::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) emit OnDblClick(this);
}

// ---- TLEDLabel --------------------------------------------------------------------------------

TLEDLabel::TLEDLabel(QWidget* parent) : TLED(parent, false) {
  resize(97, 17);
}

void TLEDLabel::SetCaption(const QString& caption) {
  QString cut = caption.left(kMaxCaptionLength);
  // Never leave half of a surrogate pair at the end.
  if (cut.size() == kMaxCaptionLength && cut.back().isHighSurrogate()) cut.chop(1);
  if (cut == caption_) return;
  caption_ = cut;
  setAccessibleName(caption_);
  update();
  updateGeometry();
}

void TLEDLabel::SetAlignment(TCaptionAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  update();
  updateGeometry();
}

void TLEDLabel::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  setAttribute(Qt::WA_OpaquePaintEvent, !transparent);
  update();
}

TLEDLabel::TLayout TLEDLabel::Layout() const {
  const int w = width();
  const int h = height();
  // Integer division rounds toward zero, also for controls smaller than the lamp.
  const int y0 = (h - kLEDHeight) / 2;
  const int x0 = (w - kLEDWidth) / 2;
  const int side = kLEDWidth + kCaptionGap;
  const int above = kLEDHeight + kCaptionGap;
  TLayout layout;
  switch (alignment_) {
    case caLeft:
      layout.Lamp = QRect(w - kLEDWidth, y0, kLEDWidth, kLEDHeight);
      layout.Caption = QRect(0, 0, w - side, h);
      break;
    case caRight:
      layout.Lamp = QRect(0, y0, kLEDWidth, kLEDHeight);
      layout.Caption = QRect(side, 0, w - side, h);
      break;
    case caTop:
      layout.Lamp = QRect(x0, h - kLEDHeight, kLEDWidth, kLEDHeight);
      layout.Caption = QRect(0, 0, w, h - above);
      break;
    case caBottom:
      layout.Lamp = QRect(x0, 0, kLEDWidth, kLEDHeight);
      layout.Caption = QRect(0, above, w, h - above);
      break;
  }
  return layout;
}

QSize TLEDLabel::sizeHint() const {
  const QFontMetrics metrics = fontMetrics();
  const int textWidth = metrics.horizontalAdvance(caption_);
  if (alignment_ == caLeft || alignment_ == caRight) {
    return {kLEDWidth + kCaptionGap + textWidth + 1, std::max(17, metrics.height())};
  }
  return {std::max(kLEDWidth, textWidth + 1), kLEDHeight + kCaptionGap + metrics.height()};
}

void TLEDLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!transparent_) painter.fillRect(rect(), BackgroundColor());
  PaintLED(painter);
  PaintCaption(painter);
}

void TLEDLabel::PaintCaption(QPainter& painter) {
  const QRect area = CaptionRect();
  if (caption_.isEmpty() || area.isEmpty()) return;
  int flags = Qt::TextSingleLine;
  switch (alignment_) {
    case caLeft:
    case caRight:
      flags |= Qt::AlignLeft | Qt::AlignVCenter;
      break;
    case caTop:
      flags |= Qt::AlignHCenter | Qt::AlignBottom;
      break;
    case caBottom:
      flags |= Qt::AlignHCenter | Qt::AlignTop;
      break;
  }
  painter.setFont(font());
  painter.setBrush(Qt::NoBrush);
  if (isEnabled()) {
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(area, flags, caption_);
  } else {
    // Engraved: a highlight copy one pixel down and right, the shadow-coloured text on top. The
    // button highlight and shadow are fixed system colours, so not the washed-out disabled ones.
    painter.setPen(palette().color(QPalette::Active, QPalette::Light));
    painter.drawText(area.translated(1, 1), flags, caption_);
    painter.setPen(palette().color(QPalette::Active, QPalette::Dark));
    painter.drawText(area, flags, caption_);
  }
}

void TLEDLabel::contextMenuEvent(QContextMenuEvent* event) {
  if (popupMenu_) {
    popupMenu_->popup(event->globalPos());
    event->accept();
    return;
  }
  TLED::contextMenuEvent(event);
}
