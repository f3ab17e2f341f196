#include "pictures/PictureListWidget.h"

#include <QBitmap>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>

#include "picture/PictureCodec.h"
#include "texts/LangStrings.h"

namespace {

// paint() runs for every visible item on every repaint (scrolling, selection, hover); the pixmap
// and its mask are made once per picture and then found by the image's cache key, which changes
// whenever the picture's pixels do.
QPixmap MaskedPixmap(const QImage& picture) {
  const QString key = QStringLiteral("TPictureItemDelegate/%1").arg(picture.cacheKey());
  QPixmap pixmap;
  if (QPixmapCache::find(key, &pixmap)) return pixmap;
  // kInvalidLevelColor, which decoding never produces, marks the pixels that show the background.
  pixmap = QPixmap::fromImage(picture);
  pixmap.setMask(
      QBitmap::fromImage(picture.createMaskFromColor(kInvalidLevelColor, Qt::MaskInColor)));
  QPixmapCache::insert(key, pixmap);
  return pixmap;
}

}  // namespace

void TPictureItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
  const bool selected = option.state & QStyle::State_Selected;
  const QPalette::ColorGroup group =
      option.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
  const QBrush brush = selected ? option.palette.brush(group, QPalette::Highlight)
                                : option.palette.brush(group, QPalette::Base);
  painter->save();
  painter->fillRect(option.rect, brush);

  const QImage picture = index.data(kPictureRole).value<QImage>();
  const int fontPoints = std::max(option.font.pointSize(), 0);
  const QPoint pictureAt(option.rect.left() + kLeftMargin, option.rect.top() + 2 * fontPoints);
  // A file the device could not deliver whole has its name only: nothing that could pass for a
  // picture.
  if (!picture.isNull()) painter->drawPixmap(pictureAt, MaskedPixmap(picture));

  painter->setFont(option.font);
  painter->setPen(
      option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
  const QFontMetrics metrics(option.font);
  painter->drawText(QPoint(option.rect.left() + kLeftMargin, option.rect.top() + metrics.ascent()),
                    index.data(Qt::DisplayRole).toString());
  painter->restore();
}

QSize TPictureItemDelegate::sizeHint(const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
  return {QStyledItemDelegate::sizeHint(option, index).width(), kItemHeight};
}

void TPictureItemDelegate::Install(QListWidget* list) {
  list->setItemDelegate(new TPictureItemDelegate(list));
  list->setUniformItemSizes(true);
}

void TPictureItemDelegate::AddItem(QListWidget* list, const QString& name, const QImage& picture) {
  auto* item = new QListWidgetItem(name, list);
  item->setData(kPictureRole, picture);
  if (picture.isNull()) item->setData(Qt::AccessibleDescriptionRole, LangString(TText::NoPreview));
  item->setSizeHint(QSize(0, kItemHeight));
}
