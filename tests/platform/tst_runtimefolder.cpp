#include "platform/runtimefolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using platform::choosePrivateFolder;

namespace {

constexpr uid_t Nobody = 65534;

mode_t modeOf(const QString &path)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

} // namespace

// The folder where a user's clocks find each other: never one that another
// user could have made, opened or replaced by a link.
class tst_RuntimeFolder : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void chooses_data();
    void chooses();
    void foreignFallbackIsRefused();

private:
    // Makes a folder in the temporary folder as the row describes it.
    QString make(const QString &name, const QString &kind);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_RuntimeFolder::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString tst_RuntimeFolder::make(const QString &name, const QString &kind)
{
    const QString path = m_dir->filePath(name);
    const QByteArray encoded = QFile::encodeName(path);
    if (kind == u"missing"_s || kind == u"unset"_s)
        return kind == u"unset"_s ? QString() : path;
    if (kind == u"relative"_s)
        return name;
    if (kind == u"file"_s) {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        return path;
    }
    if (kind == u"link"_s) {
        const QString target = m_dir->filePath(name + u"-target"_s);
        ::mkdir(QFile::encodeName(target).constData(), 0700);
        ::symlink(QFile::encodeName(target).constData(), encoded.constData());
        return path;
    }
    ::mkdir(encoded.constData(), 0700);
    if (kind == u"0755"_s)
        ::chmod(encoded.constData(), 0755);
    else if (kind == u"1777"_s)
        ::chmod(encoded.constData(), 01777);
    else if (kind == u"0710"_s)
        ::chmod(encoded.constData(), 0710);
    return path;
}

void tst_RuntimeFolder::chooses_data()
{
    QTest::addColumn<QString>("first");    // XDG_RUNTIME_DIR
    QTest::addColumn<QString>("second");   // /run/user/<uid>
    QTest::addColumn<QString>("fallback"); // /tmp/brenvik-timer-<uid>
    QTest::addColumn<QString>("chosen");   // first, second, fallback, or none
    QTest::addColumn<QString>("reason");

    QTest::newRow("XDG_RUNTIME_DIR private") << u"0700"_s << u"0700"_s << u"missing"_s << u"first"_s << QString();
    QTest::newRow("XDG_RUNTIME_DIR open to others: the next")
        << u"0755"_s << u"0700"_s << u"missing"_s << u"second"_s << QString();
    QTest::newRow("XDG_RUNTIME_DIR unset") << u"unset"_s << u"0700"_s << u"missing"_s << u"second"_s << QString();
    QTest::newRow("XDG_RUNTIME_DIR relative") << u"relative"_s << u"missing"_s << u"missing"_s << u"fallback"_s << QString();
    QTest::newRow("searchable by the group") << u"0710"_s << u"missing"_s << u"missing"_s << u"fallback"_s << QString();
    QTest::newRow("a link to a private folder") << u"link"_s << u"missing"_s << u"missing"_s << u"fallback"_s << QString();
    QTest::newRow("a file") << u"file"_s << u"missing"_s << u"missing"_s << u"fallback"_s << QString();
    QTest::newRow("none: the fallback is made") << u"unset"_s << u"missing"_s << u"missing"_s << u"fallback"_s << QString();
    QTest::newRow("fallback already there") << u"1777"_s << u"missing"_s << u"0700"_s << u"fallback"_s << QString();
    QTest::newRow("fallback open to others")
        << u"unset"_s << u"missing"_s << u"1777"_s << u"none"_s << u"ist auch für andere Benutzer offen"_s;
    QTest::newRow("fallback a link")
        << u"unset"_s << u"missing"_s << u"link"_s << u"none"_s << u"ist eine Verknüpfung, kein Ordner"_s;
    QTest::newRow("fallback a file") << u"unset"_s << u"missing"_s << u"file"_s << u"none"_s << u"ist kein Ordner"_s;
}

void tst_RuntimeFolder::chooses()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, fallback);
    QFETCH(QString, chosen);
    QFETCH(QString, reason);
    const QString paths[] = {make(u"xdg"_s, first), make(u"run-user"_s, second),
                             make(u"brenvik-timer"_s, fallback)};
    const platform::RuntimeFolder folder = choosePrivateFolder({paths[0], paths[1]}, paths[2]);
    if (chosen == u"none"_s) {
        QVERIFY(folder.path.isEmpty());
        QVERIFY2(folder.problem.contains(reason), qPrintable(folder.problem));
        QVERIFY(folder.problem.contains(paths[2]));
        return;
    }
    QVERIFY2(folder.problem.isEmpty(), qPrintable(folder.problem));
    const int index = chosen == u"first"_s ? 0 : chosen == u"second"_s ? 1 : 2;
    QCOMPARE(folder.path, paths[index]);
    QCOMPARE(modeOf(folder.path), mode_t(0700));
    if (fallback == u"missing"_s)
        QCOMPARE(QFileInfo::exists(paths[2]), index == 2);
}

void tst_RuntimeFolder::foreignFallbackIsRefused()
{
    // Another user made the folder first, with the right mode even.
    if (::geteuid() != 0)
        QSKIP("needs root to give a folder to another user");
    const QString fallback = make(u"brenvik-timer"_s, u"0700"_s);
    QCOMPARE(::chown(QFile::encodeName(fallback).constData(), Nobody, Nobody), 0);
    const platform::RuntimeFolder folder = choosePrivateFolder({}, fallback);
    QVERIFY(folder.path.isEmpty());
    QCOMPARE(folder.problem, u"Der Ordner %1 gehört einem anderen Benutzer."_s.arg(fallback));
}

QTEST_GUILESS_MAIN(tst_RuntimeFolder)
#include "tst_runtimefolder.moc"
