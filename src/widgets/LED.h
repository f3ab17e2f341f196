// TLED and TLEDLabel: the indicator lamps of the main window's bottom strip. Switching a lamp is
// also an event: OnChangeState is how the program learns that a device came or went.
#pragma once

#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <vector>

enum TLEDColor { lcRed = 0, lcGreen = 1, lcYellow = 2 };

// The side the caption stands on; the lamp takes the opposite side.
enum TCaptionAlignment { caLeft = 0, caRight = 1, caTop = 2, caBottom = 3 };

inline constexpr int kLEDWidth = 12;
inline constexpr int kLEDHeight = 13;

class TLED;

// The lamp pictures ("LED_PICS": columns off and lit, rows red, green, yellow and the disabled
// rim), shared by every lamp: the first lamp creates the store, the last one frees it.
class TLEDBitmap {
 public:
  static TLEDBitmap* Instance() { return instance_; }  // nullptr while no lamp exists
  static TLEDBitmap& Acquire(TLED* user);
  static void Release(TLED* user);

  const QImage& Pictures() const { return pictures_; }
  QRgb TransparentColor() const { return transparent_; }
  const std::vector<TLED*>& Users() const { return users_; }
  // The 12 × 13 cell at (column, row) with its transparent pixels in `background`.
  QImage Cell(int column, int row, QColor background) const;

 private:
  TLEDBitmap();

  static TLEDBitmap* instance_;
  QImage pictures_;
  QRgb transparent_;
  std::vector<TLED*> users_;
};

// A bare lamp of fixed size 12 × 13.
class TLED : public QWidget {
  Q_OBJECT
  Q_PROPERTY(bool Lit READ Lit WRITE SetLit)

 public:
  explicit TLED(QWidget* parent = nullptr);
  ~TLED() override;

  bool Lit() const { return lit_; }
  void SetLit(bool lit);
  TLEDColor Color() const { return color_; }
  void SetColor(TLEDColor color);

  QSize sizeHint() const override;

 signals:
  // Raised after Lit or Color changed (the lamp is already redrawn) and when the lamp itself is
  // enabled or disabled.
  void OnChangeState(TLED* sender);
  void OnClick(TLED* sender);
  void OnDblClick(TLED* sender);

 protected:
  // For lamps of a size of their own (TLEDLabel).
  TLED(QWidget* parent, bool fixedSize);

  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

  virtual void PaintLED(QPainter& painter);
  // Where PaintLED draws the lamp.
  virtual QRect LEDArea() const { return rect(); }
  // The parent's background, which the lamp's transparent pixels take.
  QColor BackgroundColor() const;

 private:
  void StateChanged();

  bool lit_ = false;
  TLEDColor color_ = lcRed;
  bool selfEnabled_ = true;
  bool pressed_ = false;
};

// A lamp with a single-line caption beside, above or below it; freely sizeable.
class TLEDLabel : public TLED {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

 public:
  static constexpr int kMaxCaptionLength = 255;

  explicit TLEDLabel(QWidget* parent = nullptr);

  QString Caption() const { return caption_; }
  // Longer captions are cut to kMaxCaptionLength characters.
  void SetCaption(const QString& caption);
  TCaptionAlignment Alignment() const { return alignment_; }
  void SetAlignment(TCaptionAlignment alignment);
  // When transparent the control's background is not filled and the parent shows through.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  QMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }

  // Worked out from the current size and alignment each time, so that they also hold for a hidden
  // control, which gets no resize events.
  QRect LEDRect() const { return Layout().Lamp; }
  QRect CaptionRect() const { return Layout().Caption; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

  QRect LEDArea() const override { return LEDRect(); }
  virtual void PaintCaption(QPainter& painter);

 private:
  struct TLayout {
    QRect Lamp;
    QRect Caption;
  };
  TLayout Layout() const;

  QString caption_;
  TCaptionAlignment alignment_ = caRight;
  bool transparent_ = false;
  QPointer<QMenu> popupMenu_;
};
