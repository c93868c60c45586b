#include "platform/application.h"
#include "base/errors.h"

#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_Application : public QObject
{
    Q_OBJECT

private slots:
    void fullStopRule_data();
    void fullStopRule();
    void reportShowsMessageUnderTitle();
    void abortIsSilent();
    void guardedHandlerGoesOn();
};

void tst_Application::fullStopRule_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter gets a stop") << u"Fehler"_s << u"Fehler."_s;
    QTest::newRow("stop stays single") << u"Fehler."_s << u"Fehler."_s;
    QTest::newRow("quote above stop") << u"'x' ist kein gültiger Integerwert"_s
                                      << u"'x' ist kein gültiger Integerwert."_s;
    QTest::newRow("exclamation is below stop") << u"Halt!"_s << u"Halt!"_s;
    QTest::newRow("closing parenthesis below") << u"(a)"_s << u"(a)"_s;
    QTest::newRow("slash above") << u"a/"_s << u"a/."_s;
    QTest::newRow("empty") << QString() << QString();
}

void tst_Application::fullStopRule()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(platform::Application::errorReportText(message), shown);
}

void tst_Application::reportShowsMessageUnderTitle()
{
    QStringList seen;
    platform::Application::setErrorPresenter(
        [&](const QString &caption, const QString &text) { seen << caption << text; });
    platform::Application::setTitle(u"Alarm: AKTIV"_s);
    platform::Application::reportException(EConvertError(u"'' ist kein gültiger Integerwert"_s));
    platform::Application::setTitle(u"Brenvik Timer"_s);
    QCOMPARE(seen, (QStringList{u"Alarm: AKTIV"_s, u"'' ist kein gültiger Integerwert."_s}));
    platform::Application::setErrorPresenter({});
}

void tst_Application::abortIsSilent()
{
    int shown = 0;
    platform::Application::setErrorPresenter([&](const QString &, const QString &) { ++shown; });
    platform::Application::reportException(EAbort(u"still"_s));
    QCOMPARE(shown, 0);
    platform::Application::setErrorPresenter({});
}

void tst_Application::guardedHandlerGoesOn()
{
    QStringList texts;
    platform::Application::setErrorPresenter(
        [&](const QString &, const QString &text) { texts << text; });
    QPushButton button;
    int after = 0;
    QObject::connect(&button, &QPushButton::clicked, &button, [&] {
        platform::Application::guarded([] { throw EConvertError(u"kaputt"_s); });
        ++after;
    });
    button.click();
    button.click();
    QCOMPARE(texts, (QStringList{u"kaputt."_s, u"kaputt."_s}));
    QCOMPARE(after, 2);
    platform::Application::setErrorPresenter({});
}

QTEST_MAIN(tst_Application)
#include "tst_application.moc"
