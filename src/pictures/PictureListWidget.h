// Drawing of the device picture lists: every item is 100 pixels high, its name at the top and the
// picture (128 × 80, unscaled) below it, pure red in the picture standing for the background. An
// item without a picture shows its name only.
#pragma once

#include <QImage>
#include <QStyledItemDelegate>

class QListWidget;

class TPictureItemDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  static constexpr int kItemHeight = 100;
  static constexpr int kLeftMargin = 5;
  // The item's picture is kept as a QImage under this role.
  static constexpr int kPictureRole = Qt::UserRole + 1;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  // Puts the delegate on `list` and makes every item 100 pixels high.
  static void Install(QListWidget* list);
  // Appends an item with its name and picture; a null picture leaves the name alone, and a
  // screen reader hears that there is no preview.
  static void AddItem(QListWidget* list, const QString& name, const QImage& picture);
};
