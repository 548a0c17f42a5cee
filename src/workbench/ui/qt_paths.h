// Paths between Qt and the core: the file system's bytes (what the engine opens) and their
// text for display, and the local files of a drop.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <string>
#include <vector>

namespace zorvik {

inline std::string PathBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }
// The user's home folder (the root when none is known), as the preview's site rule takes it.
inline std::string UserHome() { return PathBytes(QDir::homePath()); }
inline std::vector<std::string> PathsBytes(const QStringList& paths) {
  std::vector<std::string> bytes;
  for (const QString& path : paths) bytes.push_back(PathBytes(path));
  return bytes;
}

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
