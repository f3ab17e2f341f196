#include "widgets/FileTypeIcons.h"

#include <QApplication>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStyle>

namespace {

QIcon StyleIcon(bool folder) {
  return QApplication::style()->standardIcon(folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
}

}  // namespace

QIcon TFileTypeIcons::icon(IconType type) const {
  const QIcon themed = QFileIconProvider::icon(type);
  return themed.isNull() ? StyleIcon(type == Folder || type == Drive) : themed;
}

QIcon TFileTypeIcons::icon(const QFileInfo& info) const {
  if (info.isDir()) {
    const QIcon themed = QFileIconProvider::icon(info);
    return themed.isNull() ? StyleIcon(true) : themed;
  }
  const QMimeType type = QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension);
  QIcon themed = QIcon::fromTheme(type.iconName());
  if (themed.isNull()) themed = QIcon::fromTheme(type.genericIconName());
  if (themed.isNull()) themed = QFileIconProvider::icon(info);
  return themed.isNull() ? StyleIcon(false) : themed;
}
