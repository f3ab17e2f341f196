#include "widgets/TabPages.h"

#include <QTabBar>
#include <algorithm>

namespace {

class TSizedTabBar : public QTabBar {
 public:
  using QTabBar::QTabBar;

  int Along = 0;
  int Across = 0;

 protected:
  QSize tabSizeHint(int index) const override {
    QSize size = QTabBar::tabSizeHint(index);
    const bool vertical = shape() == RoundedEast || shape() == RoundedWest ||
                          shape() == TriangularEast || shape() == TriangularWest;
    if (vertical) size.transpose();
    size = size.expandedTo(QSize(Along, Across));
    if (vertical) size.transpose();
    return size;
  }
};

}  // namespace

TTabPages::TTabPages(QWidget* parent) : QTabWidget(parent) {
  setTabBar(new TSizedTabBar(this));
  tabBar()->setElideMode(Qt::ElideNone);
}

void TTabPages::SetMinimumTabSize(int along, int across) {
  auto* bar = static_cast<TSizedTabBar*>(tabBar());
  bar->Along = along;
  bar->Across = across;
  // Tab sizes are cached; a changed style sheet or font would refresh them too.
  bar->setIconSize(bar->iconSize());
  updateGeometry();
}
