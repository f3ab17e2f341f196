// TTabPages: a page control whose tabs keep a design size (along the bar, across it) and grow
// where a caption needs more room in the face the machine has, instead of cutting it off.
#pragma once

#include <QTabWidget>

class TTabPages : public QTabWidget {
  Q_OBJECT

 public:
  explicit TTabPages(QWidget* parent = nullptr);

  // The least size of every tab: `along` the bar (a tab's width on a bar at the top, its height
  // on a bar at a side), `across` it.
  void SetMinimumTabSize(int along, int across);
};
