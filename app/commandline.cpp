#include "app/commandline.h"

#include "platform/application.h"
#include "base/convert.h"
#include "base/errors.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace {

// The longest text the message dialog takes.
constexpr int MaxMessageLength = 255;

// Options the application object takes out of the command line itself.
const QSet<QString> &toolkitOptionsWithValue()
{
    static const QSet<QString> names{
        u"display"_s, u"name"_s, u"platform"_s, u"platformpluginpath"_s, u"platformtheme"_s,
        u"plugin"_s, u"qwindowgeometry"_s, u"geometry"_s, u"qwindowtitle"_s, u"title"_s,
        u"qwindowicon"_s, u"icon"_s, u"session"_s, u"style"_s, u"stylesheet"_s,
    };
    return names;
}

const QSet<QString> &toolkitFlags()
{
    static const QSet<QString> names{u"reverse"_s, u"widgetcount"_s, u"testability"_s,
                                     u"nograb"_s, u"dograb"_s, u"sync"_s};
    return names;
}

QString quoted(const QString &text)
{
    return u"„"_s + text + u"“"_s;
}

struct Failure
{
    QString reason;
    int exitCode;
};

Failure usageError(const QString &reason)
{
    return {reason + u" "_s + quoted(u"brenvik-timer --help"_s) + u" zeigt die Optionen."_s, 2};
}

// Each part goes through the toggle's own rules for its field: an integer
// whose low 8 bits are the element, which must form a time of day.
ClockCommand::Time parseTime(const QString &text)
{
    const QStringList parts = text.split(u':');
    if (parts.size() < 2 || parts.size() > 3)
        throw EConvertError(u"''%1'' ist keine gültige Zeit"_s.arg(text));
    const int hour = StrToInt(parts[0]) & 0xFF;
    const int minute = StrToInt(parts[1]) & 0xFF;
    const int second = parts.size() == 3 ? StrToInt(parts[2]) & 0xFF : 0;
    if (hour >= 24 || minute >= 60 || second >= 60)
        throw EConvertError(u"''%1:%2:%3'' ist keine gültige Zeit"_s.arg(hour).arg(minute).arg(second));
    return {quint8(hour), quint8(minute), quint8(second)};
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    CommandLine line;
    auto fail = [&line](const Failure &failure) {
        line.action = CommandLine::Action::Fail;
        line.error = failure.reason;
        line.exitCode = failure.exitCode;
        return line;
    };

    bool help = false;
    bool version = false;
    QStringList seen;
    std::optional<QString> inText;
    std::optional<QString> atText;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == u"--"_s) {
            if (i + 1 < arguments.size())
                return fail(usageError(u"Unerwartetes Argument %1."_s.arg(quoted(arguments[i + 1]))));
            break;
        }
        if (!argument.startsWith(u'-') || argument == u"-"_s)
            return fail(usageError(u"Unerwartetes Argument %1."_s.arg(quoted(argument))));

        // The window system's options, in their one- and two-dash forms.
        const QString bare = argument.mid(argument.startsWith(u"--"_s) ? 2 : 1);
        const QString bareName = bare.section(u'=', 0, 0);
        if (toolkitFlags().contains(bare))
            continue;
        if (toolkitOptionsWithValue().contains(bareName)) {
            QString value;
            if (bare.contains(u'='))
                value = bare.section(u'=', 1);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            if (bareName == u"display"_s)
                line.displayName = value;
            else if (bareName == u"platform"_s)
                line.platformName = value;
            continue;
        }

        if (argument == u"-h"_s || argument == u"--help"_s) {
            help = true;
            continue;
        }
        if (!argument.startsWith(u"--"_s))
            return fail(usageError(u"Unbekannte Option %1."_s.arg(quoted(argument))));
        const qsizetype equals = argument.indexOf(u'=');
        const QString name = argument.left(equals);
        std::optional<QString> attached;
        if (equals >= 0)
            attached = argument.mid(equals + 1);

        const bool takesValue = name == u"--in"_s || name == u"--um"_s || name == u"--meldung"_s;
        const bool isFlag = name == u"--aus"_s || name == u"--version"_s;
        if (!takesValue && !isFlag)
            return fail(usageError(u"Unbekannte Option %1."_s.arg(quoted(name))));
        if (seen.contains(name))
            return fail(usageError(u"Die Option %1 ist mehrfach angegeben."_s.arg(quoted(name))));
        seen << name;
        if (isFlag) {
            if (attached)
                return fail(usageError(u"Die Option %1 nimmt keinen Wert."_s.arg(quoted(name))));
            if (name == u"--version"_s)
                version = true;
            else
                line.command.disarm = true;
            line.forwarded << argument;
            continue;
        }
        QString value;
        if (attached) {
            value = *attached;
        } else if (i + 1 < arguments.size()) {
            // Taken as it is, also when it starts with a dash: --in -5.
            value = arguments[++i];
        } else {
            return fail(usageError(u"Nach %1 fehlt der Wert."_s.arg(quoted(name))));
        }
        line.forwarded << name + u'=' + value;
        if (name == u"--in"_s)
            inText = value;
        else if (name == u"--um"_s)
            atText = value;
        else
            line.command.message = value;
    }

    const auto exclusive = [&seen](const QString &a, const QString &b) {
        return seen.contains(a) && seen.contains(b);
    };
    for (const auto &[a, b] : {std::pair{u"--in"_s, u"--um"_s}, std::pair{u"--in"_s, u"--aus"_s},
                               std::pair{u"--um"_s, u"--aus"_s}}) {
        if (exclusive(a, b))
            return fail(usageError(
                u"Die Optionen %1 und %2 schließen einander aus."_s.arg(quoted(a), quoted(b))));
    }

    if (help) {
        line.action = CommandLine::Action::Help;
        return line;
    }
    if (version) {
        line.action = CommandLine::Action::Version;
        return line;
    }

    // The values, refused here with the window's own messages before anything is armed.
    if (inText) {
        line.command.inMinutes = tryStrToInt(*inText);
        if (!line.command.inMinutes)
            return fail({u"Geben Sie Minuten ein, also nur Ziffern."_s, 1});
        // "Weitere" takes 0 as "now", which is tomorrow; a command line means a time ahead.
        if (*line.command.inMinutes < 1)
            return fail({u"Geben Sie mindestens 1 Minute ein."_s, 1});
    }
    if (atText) {
        try {
            line.command.at = parseTime(*atText);
        } catch (const Exception &error) {
            return fail({platform::Application::errorReportText(error.message()), 1});
        }
    }
    if (line.command.message && line.command.message->size() > MaxMessageLength)
        return fail({u"Die Meldung ist zu lang: höchstens %1 Zeichen."_s.arg(MaxMessageLength), 1});
    return line;
}

QString usageText()
{
    return u"Aufruf: brenvik-timer [OPTION]...\n"
           u"Ein Wecker für den Desktop. Läuft der Wecker schon, übernimmt er die Optionen\n"
           u"und kommt nach vorn; ein zweiter Wecker startet nicht.\n"
           u"\n"
           u"Optionen:\n"
           u"  --in MINUTEN     Alarm in MINUTEN Minuten (wie „Alarm in“ → „Weitere“)\n"
           u"  --um HH:MM[:SS]  Alarmzeit setzen und den Alarm einschalten\n"
           u"  --meldung TEXT   Meldung zum Alarm (höchstens 255 Zeichen)\n"
           u"  --aus            Alarm ausschalten\n"
           u"  -h, --help       diese Hilfe anzeigen und beenden\n"
           u"  --version        Versionsnummer anzeigen und beenden\n"
           u"\n"
           u"Tasten im Hauptfenster:\n"
           u"  Tab              zwischen Stunde, Minute und Sekunde wechseln\n"
           u"  Strg+Eingabe     Alarm zur eingegebenen Zeit ein- oder ausschalten\n"
           u"                   (wie die Schaltfläche „Alarm aus“)\n"
           u"  Strg+M           Meldung zum Alarm eingeben (wie „Meldung“)\n"
           u"  Alt+E, Alt+A,    die Menüs „Ende“, „Alarm in“,\n"
           u"  Alt+O, Alt+H     „Optionen“ und „Hilfe“\n"
           u"\n"
           u"Rückgabewerte: 0 bei Erfolg, 1 bei einem ungültigen Wert,\n"
           u"2 bei einem Fehler in der Befehlszeile.\n"_s;
}

QString versionText()
{
    return u"brenvik-timer 1.0\n"_s;
}
