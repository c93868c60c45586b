#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace platform {

// The face every window is laid out in. Debian's fonts-wine ships one with its
// metrics, but outside the folders fontconfig searches.
inline constexpr char LayoutFamily[] = "Tahoma";
// The files of that face (regular and bold) where the package puts them.
QStringList layoutFaceFiles();

// Makes a family available to Qt's font database: when the font configuration
// does not list it, registers those of the files that hold it as application
// fonts. Returns the ids registered: none when the family is listed already
// (so a second call registers nothing), or when no file could be read.
// Needs a QGuiApplication.
QList<int> provideFace(const QString &family, const QStringList &files);

// The program's start-up step for its texts: provideFace(LayoutFamily,
// layoutFaceFiles()), and every text drawn with vertical hinting only, whatever
// the desktop's font configuration prefers. Returns the ids registered.
QList<int> setUpLayoutFace();

} // namespace platform
