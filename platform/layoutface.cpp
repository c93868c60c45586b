#include "platform/layoutface.h"

#include <QApplication>
#include <QFontDatabase>

using namespace Qt::StringLiterals;

namespace platform {

QStringList layoutFaceFiles()
{
    return {u"" BRENVIK_LAYOUT_FACE_DIR "/tahoma.ttf"_s, u"" BRENVIK_LAYOUT_FACE_DIR "/tahomabd.ttf"_s};
}

QList<int> provideFace(const QString &family, const QStringList &files)
{
    QList<int> ids;
    // The real families only: asking for the family itself would also answer
    // yes for a face that fontconfig merely substitutes for it.
    if (QFontDatabase::families().contains(family, Qt::CaseInsensitive))
        return ids;
    for (const QString &file : files) {
        const int id = QFontDatabase::addApplicationFont(file);
        if (id < 0)
            continue;
        if (QFontDatabase::applicationFontFamilies(id).contains(family, Qt::CaseInsensitive))
            ids << id;
        else
            QFontDatabase::removeApplicationFont(id);
    }
    return ids;
}

QList<int> setUpLayoutFace()
{
    // The pixel layouts hold with the advances of slight hinting, Debian's
    // default; full hinting (a desktop's choice, or a configuration without
    // Debian's rules) widens the texts and cuts labels off.
    QFont font = QApplication::font();
    font.setHintingPreference(QFont::PreferVerticalHinting);
    QApplication::setFont(font);
    return provideFace(QString::fromLatin1(LayoutFamily), layoutFaceFiles());
}

} // namespace platform
