// TFolderListView: a list of the entries of one folder of a tree model (a file system model whose
// root index is that folder), which a screen reader walks entry by entry like any other list.
#pragma once

#include <QListView>

class TFolderListView : public QListView {
  Q_OBJECT

 public:
  explicit TFolderListView(QWidget* parent = nullptr);
};
