#include "widgets/FolderListView.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QItemSelectionModel>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QWindow>
#include <utility>
#include <vector>

namespace {

// One entry of the list. An action press does what a click does: a screen reader user chooses
// the file with it.
class TFolderEntryAccessible final : public QAccessibleInterface,
                                     public QAccessibleActionInterface {
 public:
  TFolderEntryAccessible(QListView* view, const QModelIndex& index) : view_(view), index_(index) {}

  bool isValid() const override { return view_ && index_.isValid(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(view_.data());
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessible::Role role() const override { return QAccessible::ListItem; }

  QString text(QAccessible::Text t) const override {
    if (!isValid()) return {};
    if (t == QAccessible::Description) return index_.data(Qt::AccessibleDescriptionRole).toString();
    if (t != QAccessible::Name) return {};
    const QString spoken = index_.data(Qt::AccessibleTextRole).toString();
    return spoken.isEmpty() ? index_.data(Qt::DisplayRole).toString() : spoken;
  }
  void setText(QAccessible::Text, const QString&) override {}

  QRect rect() const override {
    if (!isValid()) return {};
    const QRect shown = view_->visualRect(index_);
    return {view_->viewport()->mapToGlobal(shown.topLeft()), shown.size()};
  }

  QAccessible::State state() const override {
    QAccessible::State state;
    if (!isValid()) {
      state.invalid = true;
      return state;
    }
    state.selectable = true;
    state.focusable = true;
    state.selected = view_->selectionModel() && view_->selectionModel()->isSelected(index_);
    state.focused = view_->hasFocus() && view_->currentIndex() == index_;
    if (!view_->viewport()->rect().intersects(view_->visualRect(index_))) state.offscreen = true;
    return state;
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                : nullptr;
  }
  QStringList actionNames() const override { return {pressAction()}; }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }
  void doAction(const QString& name) override {
    if (name != pressAction() || !isValid()) return;
    view_->setCurrentIndex(index_);
    emit view_->activated(index_);
  }

  QPersistentModelIndex Index() const { return index_; }

 private:
  QPointer<QListView> view_;
  QPersistentModelIndex index_;
};

// Qt's own interface for list views counts the rows and columns of the model's top level, not
// those under the view's root. Over a file system model that is the one row of the file system's
// root times its four columns: a screen reader finds the first file with its size, type and date
// as three more items, and none of the other files. This one lists the entries the view shows,
// one item each, numbered as the view numbers them in its focus and selection events.
class TFolderListAccessible final : public QAccessibleWidget {
 public:
  explicit TFolderListAccessible(QListView* view) : QAccessibleWidget(view, QAccessible::List) {}
  ~TFolderListAccessible() override {
    for (const auto& [index, id] : entries_) QAccessible::deleteAccessibleInterface(id);
  }

  int childCount() const override {
    const QAbstractItemModel* model = view()->model();
    return model ? model->rowCount(view()->rootIndex()) : 0;
  }
  QAccessibleInterface* child(int row) const override {
    if (row < 0 || row >= childCount()) return nullptr;
    return Entry(view()->model()->index(row, view()->modelColumn(), view()->rootIndex()));
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    const auto* entry = dynamic_cast<const TFolderEntryAccessible*>(child);
    if (!entry || !entry->isValid() || entry->Index().parent() != view()->rootIndex()) return -1;
    return entry->Index().row();
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QModelIndex index = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
    return index.isValid() ? Entry(index) : nullptr;
  }
  QAccessibleInterface* focusChild() const override {
    const QModelIndex current = view()->currentIndex();
    return view()->hasFocus() && current.isValid() ? Entry(current) : nullptr;
  }

 private:
  QListView* view() const { return static_cast<QListView*>(widget()); }

  // A screen reader holds on to the items it was given: each entry keeps its one item while it
  // is listed. An item whose entry has gone is dropped the next time one is asked for.
  QAccessibleInterface* Entry(const QModelIndex& index) const {
    std::erase_if(entries_, [](const auto& entry) {
      if (entry.first.isValid()) return false;
      QAccessible::deleteAccessibleInterface(entry.second);
      return true;
    });
    for (const auto& [listed, id] : entries_) {
      if (listed == index) return QAccessible::accessibleInterface(id);
    }
    auto* item = new TFolderEntryAccessible(view(), index);
    entries_.emplace_back(index, QAccessible::registerAccessibleInterface(item));
    return item;
  }

  mutable std::vector<std::pair<QPersistentModelIndex, QAccessible::Id>> entries_;
};

QAccessibleInterface* FolderListFactory(const QString& className, QObject* object) {
  if (className != QLatin1String(TFolderListView::staticMetaObject.className())) return nullptr;
  return new TFolderListAccessible(static_cast<TFolderListView*>(object));
}

}  // namespace

TFolderListView::TFolderListView(QWidget* parent) : QListView(parent) {
  static const bool installed = [] {
    QAccessible::installFactory(FolderListFactory);
    return true;
  }();
  static_cast<void>(installed);
}
