#include "dialogs/tfrmhilfe.h"

#include "controls/flatcolors.h"
#include "controls/tflatbutton.h"
#include "controls/tflatmemo.h"
#include "dialogs/placement.h"
#include "base/maker.h"


using namespace Qt::StringLiterals;

QStringList TfrmHilfe::HelpLines()
{
    // Lines that go on end in a blank, as they were broken for the memo's width.
    return {
        u"Mit dem Klingo können Sie sich zu einem "_s,
        u"festgelegten Zeitpunkt benachrichtigen lassen. Wenn Sie "_s,
        u"so wollen ist der Timer ein Wecker."_s,
        QString(),
        u"Ist der von Ihnen eingestellte Alarm-Zeitpunkt erreicht, "_s,
        u"benachrichtigt Sie der Klingo darüber. Auf Wunsch "_s,
        u"werden Sie zusätzlich durch akustische Signale darauf "_s,
        u"aufmerksam gemacht. Wählen Sie dazu im Menü "_s,
        u"Optionen aus, ob die akustische Ausgabe über den PC "_s,
        u"Speaker oder die Soundkarte erfolgen soll."_s,
        QString(),
        u"Um die Alarmzeit einzustellen, geben Sie direkt unter der "_s,
        u"laufenden Uhr in die drei Felder die gewünschte Uhrzeit "_s,
        u"in Stunde, Minute und gegebenenfalls Sekunde ein. "_s,
        u"Klicken Sie anschließend die darunter befindliche "_s,
        u"Schaltfläche \"Alarmstatuts\". Sie arbeitet wie ein Schalter. "_s,
        u"Sie können über dieser Schaltfläche den Alarm ein- oder "_s,
        u"ausschalten. Die Beschriftungen \"Alarm aus\" bedeutet, es "_s,
        u"wird kein Alarm ausgelöst. Die Beschriftung \"Alarm aktiv\" "_s,
        u"bedeutet, der Timer wird zur eingestellten Zeit aktiv."_s,
        QString(),
        u"Wenn Sie den Klingo mit Ihrem eigenen Werbeaufdruck "_s,
        u"an Ihre Kunden weitergeben möchten, schreiben Sie uns. "_s,
        u"Wie Sie uns erreichen, lesen Sie am Ende dieses Textes."_s,
        QString(),
        u"Für die Zuverlässigkeit des Timers wird keine Gewähr "_s,
        u"übernommen. Die Benutzung des Klingo erfolgt auf Ihr "_s,
        u"eigenes Risiko."_s,
        QString(),
        u"Für Profis: In der Datei \"Timer.ini\" im Ordner, in dem der "_s,
        u"Klingo installiert wurde, kann der Timer umfassend "_s,
        u"konfiguriert werden."_s,
        QString(),
        u"Der Klingo darf kostenlos weitergegeben werden, sofern "_s,
        u"alle Dateien unverändert und vollständig bleiben. Für "_s,
        u"die Weitergabe darf kein Entgelt verlangt werden. Für "_s,
        u"eine Verbreitung auf Datenträgern fragen Sie uns vorher."_s,
        QString(),
        u"Brenvik - Software, die pünktlich ist"_s,
        Maker::WebText + u" - "_s + Maker::MailText,
        u"© 2026 Brenvik. Alle Rechte vorbehalten."_s,
        QString(),
    };
}

TfrmHilfe::TfrmHilfe(QWidget *owner)
    : SecondaryWindow(owner, QSize(358, 332), 10)
{
    setObjectName(u"frmHilfe"_s);
    setWindowTitle(u"Hilfe"_s);

    Memo1 = new TFlatMemo(this);
    Memo1->setObjectName(u"Memo1"_s);
    Memo1->setAccessibleName(u"Hilfe"_s); // no label names it
    Memo1->setGeometry(7, 7, 345, 293);
    Memo1->setReadOnly(true);
    Memo1->setScrollBars(TFlatMemo::ssVertical);
    Memo1->setWordWrap(true);
    Memo1->setColorFlat(FlatColors::btnFace());
    QFont memoFont(u"Tahoma"_s);
    memoFont.setPixelSize(12);
    Memo1->setFont(memoFont);
    Memo1->setLines(HelpLines());

    BitBtn1 = new TFlatButton(this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    BitBtn1->setGeometry(149, 306, 61, 20);
    BitBtn1->setCaption(u"OK"_s);
    BitBtn1->setDefault(true);
    BitBtn1->setModalResult(mrOk);
    BitBtn1->setLayout(Flat::blGlyphLeft);
    BitBtn1->setTabStop(true);

    setTabOrder(Memo1, BitBtn1);
}

void TfrmHilfe::FormShow(QObject *)
{
    setWindowTitle(u"Brenvik Timer"_s);
}

void OpenHilfe(QWidget *mainWindow, const QSize &screen)
{
    ShowSecondaryWindow(new TfrmHilfe(mainWindow), [mainWindow, screen](const TfrmHilfe &) {
        return Placement::helpWindow(mainWindow->frameGeometry().topLeft(), screen);
    });
}
