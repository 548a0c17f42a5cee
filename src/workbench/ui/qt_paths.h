// Paths between Qt and the core: the file system's bytes (what the engine opens) and their
// text for display, and the local files of a drop.
#pragma once

#include <QByteArray>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <string>

namespace zorvik {

inline std::string PathBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

inline QString PathText(const std::string& bytes) {
  return QFile::decodeName(QByteArray::fromStdString(bytes));
}

// The dropped files' paths, whole (no length limit).
inline QStringList DroppedFiles(const QDropEvent& event) {
  QStringList paths;
  for (const QUrl& url : event.mimeData()->urls()) paths << url.toLocalFile();
  return paths;
}

}  // namespace zorvik
