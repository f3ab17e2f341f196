// TFileTypeIcons: icons for the file list and the folder tree. The desktop's own icon for each
// file type where the system has an icon theme, and the style's file and folder icons where it
// has none, so that no entry goes without one.
#pragma once

#include <QFileIconProvider>

class TFileTypeIcons : public QFileIconProvider {
 public:
  QIcon icon(IconType type) const override;
  QIcon icon(const QFileInfo& info) const override;
};
