#include "app/tfrmmain.h"

#include "app/alarmmessage.h"
#include "app/alarmsoundstep.h"
#include "app/standarddialogs.h"
#include "clock/alarmrule.h"
#include "clock/tdatetime.h"
#include "clock/trxclock.h"
#include "controls/heldshortcut.h"
#include "controls/screenreadernotice.h"
#include "dialogs/tfrmhilfe.h"
#include "dialogs/tfrminfo.h"
#include "dialogs/tfrmoptionen.h"
#include "platform/application.h"
#include "base/convert.h"
#include "platform/desktopshell.h"
#include "platform/keyboard.h"
#include "base/maker.h"
#include "settings/talarmsettings.h"
#include "platform/systemclock.h"
#include "platform/wakealarm.h"
#include "platform/waveoutput.h"
#include "platform/windowactivation.h"
#include "platform/windowmanager.h"
#include "resources/logo.h"
#include "sound/tspeakerbeeper.h"
#include "sound/twavsound.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QScopedValueRollback>
#include <QTimer>
#include <QWindow>

using namespace Qt::StringLiterals;


namespace {

const QString TitleDisarmed = u"Brenvik Timer"_s;
const QString TitleArmed = u"Alarm: AKTIV"_s;
const QString CaptionDisarmed = u"Alarm aus"_s;
const QString CaptionArmed = u"Alarm ist aktiv"_s;

// What a screen reader says when the state changes: the toggle's caption,
// and the time an armed alarm comes.
QString spokenState(bool armed, QTime time)
{
    if (!armed)
        return CaptionDisarmed;
    return CaptionArmed + u", "_s + AlarmMessage::clockText(time, timeSeparator(QLocale()));
}

QFont tahoma(int pixelSize)
{
    QFont font(u"Tahoma"_s);
    font.setPixelSize(pixelSize);
    return font;
}

QLabel *makeLabel(QWidget *parent, const QString &text, QRect geometry)
{
    auto *label = new QLabel(text, parent);
    label->setGeometry(geometry);
    return label;
}

// An alarm-time field with the look of the main window: fixed height, and
// either the button-face colour or the window's white.
TFlatSpinEditInteger *makeSpinField(QWidget *parent, const QString &name, QRect geometry,
                                    int maxValue, bool buttonFace)
{
    auto *field = new TFlatSpinEditInteger(parent);
    field->setObjectName(name);
    field->setAutoSize(false);
    field->setGeometry(geometry);
    field->setMinValue(0);
    field->setMaxValue(maxValue);
    field->setValue(0);
    if (buttonFace) {
        field->setColorFlat(FlatColors::btnFace());
    } else {
        // The write of ColorFlat clears ParentColor; setting it again brings
        // the window's white back. The order is part of the window's look.
        field->setColorFlat(Qt::white);
        field->setParentColor(true);
    }
    return field;
}

TFlatButton *makeButton(QWidget *parent, const QString &name, const QString &caption,
                        QRect geometry)
{
    auto *button = new TFlatButton(parent);
    button->setObjectName(name);
    button->setCaption(caption);
    button->setGeometry(geometry);
    return button;
}

// Day fractions of the relative alarms: multiples of 0.0006944 per minute,
// not k/1440, as the program has always armed them (the menu's 5 minutes are
// 0.003472, its 60 minutes 0.041664). The product is taken in extended
// precision and passed on as a double.
constexpr long double OffsetPerMinute = 0.0006944L;

constexpr double dayFraction(qint32 minutes)
{
    return double(static_cast<long double>(minutes) * OffsetPerMinute);
}

// The fixed choices of "Alarm in".
struct FixedChoice
{
    QString name;
    QString text;
    qint32 minutes;
};

const FixedChoice FixedChoices[] = {
    {u"mnu5"_s, u"&5 Minuten"_s, 5},     {u"mnu10"_s, u"&10 Minuten"_s, 10},
    {u"mnu15"_s, u"15 &Minuten"_s, 15},  {u"mnu20"_s, u"&20 Minuten"_s, 20},
    {u"mnu30"_s, u"&30 Minuten"_s, 30},  {u"mnu45"_s, u"&45 Minuten"_s, 45},
    {u"mnu60"_s, u"&60 Minuten"_s, 60},
};

} // namespace

TfrmMain::TfrmMain(const MainWindowServices &services, QWidget *parent)
    : QMainWindow(parent),
      m_clock(services.clock),
      m_shell(services.shell),
      m_activation(services.activation),
      m_windowManager(services.windowManager),
      m_dialogs(services.dialogs),
      m_settingsLocation(services.settings),
      m_wakeAlarm(services.wakeAlarm)
{
    setObjectName(u"frmMain"_s);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setWindowTitle(TitleDisarmed);
    setFont(tahoma(13));

    ClientArea = new QWidget(this);
    ClientArea->setObjectName(u"ClientArea"_s);
    ClientArea->setFixedSize(274, 233);
    QPalette white = ClientArea->palette();
    white.setColor(QPalette::Window, Qt::white);
    ClientArea->setPalette(white);
    ClientArea->setAutoFillBackground(true);
    setCentralWidget(ClientArea);

    Label1 = makeLabel(ClientArea, u"Aktuelle Zeit"_s, {16, 30, 70, 16});
    Label1->setObjectName(u"Label1"_s);

    Image1 = new QLabel(ClientArea);
    Image1->setObjectName(u"Image1"_s);
    Image1->setGeometry(47, 8, 177, 217);
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setAccessibleName(u"Logo"_s);
    QPixmap logo = logoPixmap(u"logo-tall"_s, devicePixelRatioF());
    if (!logo.isNull()) {
        // Drawn transparently: the picture's background colour (its
        // bottom-left pixel) lets the window and the labels show through.
        const QColor background = logo.toImage().pixelColor(0, logo.height() - 1);
        logo.setMask(logo.createMaskFromColor(background, Qt::MaskInColor));
        Image1->setPixmap(logo);
        Image1->resize(logo.deviceIndependentSize().toSize());
    }
    Image1->installEventFilter(this);

    Label3 = makeLabel(ClientArea, u"Alarmstatus"_s, {16, 156, 68, 16});
    Label3->setObjectName(u"Label3"_s);
    Label2 = makeLabel(ClientArea, u"Alarmzeit"_s, {16, 85, 54, 16});
    Label2->setObjectName(u"Label2"_s);

    // Frames the clock, which covers its middle and so its caption.
    FlatPanel1 = new TFlatPanel(ClientArea);
    FlatPanel1->setObjectName(u"FlatPanel1"_s);
    FlatPanel1->setGeometry(96, 20, 161, 33);
    FlatPanel1->setCaption(u"FlatPanel1"_s);
    FlatPanel1->setUseDockManager(true);
    // Its caption lies hidden under the clock.
    FlatPanel1->setAccessibleName(u"Uhr"_s);

    RxClock1 = new TRxClock(ClientArea, m_clock, services.timeChanges);
    RxClock1->setObjectName(u"RxClock1"_s);
    RxClock1->setGeometry(104, 24, 137, 25);
    RxClock1->setBevelInner(TRxClock::bvNone);
    RxClock1->setBevelOuter(TRxClock::bvNone);
    QFont clockFont = tahoma(20);
    RxClock1->setFont(clockFont);
    QPalette clockPalette = RxClock1->palette();
    clockPalette.setColor(QPalette::WindowText, Qt::black);
    RxClock1->setPalette(clockPalette);
    connect(RxClock1, &TRxClock::OnAlarm, this, &TfrmMain::RxClock1Alarm);
    Label1->setBuddy(RxClock1);

    seStunde = makeSpinField(ClientArea, u"seStunde"_s, {96, 80, 49, 23}, 23, true);
    seMinute = makeSpinField(ClientArea, u"seMinute"_s, {152, 80, 49, 23}, 59, false);
    seSekunde = makeSpinField(ClientArea, u"seSekunde"_s, {208, 80, 49, 23}, 59, false);
    // One label, "Alarmzeit", stands for three fields: each says which part it holds.
    Label2->setBuddy(seStunde);
    seStunde->setAccessibleName(u"Stunde"_s);
    seMinute->setAccessibleName(u"Minute"_s);
    seSekunde->setAccessibleName(u"Sekunde"_s);
    // Read with each field on every Tab: the toggle and "Meldung" are no tab
    // stops, so the fields tell their keys.
    for (TFlatSpinEditInteger *field : {seStunde, seMinute, seSekunde})
        field->setAccessibleDescription(
            u"Alarmzeit. Strg+Eingabe schaltet den Alarm ein und aus, Strg+M gibt die Meldung ein."_s);

    Button1 = makeButton(ClientArea, u"Button1"_s, u"Meldung"_s, {96, 112, 161, 18});
    Button1->setAccessibleDescription(u"Meldung zum Alarm eingeben (Strg+M)"_s);
    m_messageAction = new QAction(u"Meldung"_s, this);
    m_messageAction->setObjectName(u"messageAction"_s);
    m_messageAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    connect(m_messageAction, &QAction::triggered, this, [this] { Button1Click(Button1); });
    connect(Button1, &TFlatButton::OnClick, m_messageAction, &QAction::trigger);
    addAction(m_messageAction);

    btnActivate = makeButton(ClientArea, u"btnActivate"_s, CaptionDisarmed, {96, 152, 161, 25});
    btnActivate->setAccessibleDescription(
        u"Schaltet den Alarm zur Alarmzeit ein und aus (Strg+Eingabe)"_s);
    Label3->setBuddy(btnActivate);
    m_toggleAction = new QAction(this);
    m_toggleAction->setObjectName(u"toggleAction"_s);
    // Ctrl+Return, and Enter on the keypad.
    m_toggleAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return),
                                  QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    connect(m_toggleAction, &QAction::triggered, this, [this] { btnActivateClick(btnActivate); });
    // Held down, with the X server repeating it, the key toggles once.
    new HeldShortcut(m_toggleAction, [&keyboard = services.keyboard](quint32 scanCode) {
        return keyboard.keyDown(scanCode);
    });
    connect(btnActivate, &TFlatButton::OnClick, m_toggleAction, &QAction::trigger);
    addAction(m_toggleAction);

    setTabOrder(seStunde, seMinute);
    setTabOrder(seMinute, seSekunde);
    setTabOrder(seSekunde, Button1);
    setTabOrder(Button1, btnActivate);

    createMenu();

    // Beside the client area, whose controls are the stored layout's.
    m_stateNotice = new ScreenReaderNotice(this);

    WavSound1 = new TWavSound(this, services.waveOutput);
    WavSound1->setObjectName(u"WavSound1"_s);
    WavSound1->setSoundLoop(false);
    SpeakerBeeper1 = new TSpeakerBeeper(this, services.speaker);
    SpeakerBeeper1->setObjectName(u"SpeakerBeeper1"_s);

    SoundStep = [this] { AlarmSound(); };

    // Not resizable: the window is the fixed client area plus the menu bar.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    // Centred by its frame when first shown, once the frame can be known.
}

TfrmMain::~TfrmMain() = default;

QAction *TfrmMain::addCommand(const QString &name, const QString &text,
                              void (TfrmMain::*handler)(QObject *))
{
    auto *action = new QAction(text, this);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, [this, action, handler] { (this->*handler)(action); });
    return action;
}

void TfrmMain::createMenu()
{
    mnuMain = menuBar();
    mnuMain->setObjectName(u"mnuMain"_s);
    mnuEnde = addCommand(u"mnuEnde"_s, u"&Ende"_s, &TfrmMain::mnuEndeClick);
    mnuMain->addAction(mnuEnde);

    mnuAlarm = mnuMain->addMenu(u"&Alarm in"_s);
    mnuAlarm->setObjectName(u"mnuAlarm"_s);
    for (const FixedChoice &choice : FixedChoices) {
        auto *item = new QAction(choice.text, this);
        item->setObjectName(choice.name);
        connect(item, &QAction::triggered, this,
                [this, item, minutes = choice.minutes] { mnuMinutenClick(item, minutes); });
        mnuAlarm->addAction(item);
    }
    mnuWeitere = addCommand(u"mnuWeitere"_s, u"&Weitere"_s, &TfrmMain::mnuWeitereClick);
    mnuAlarm->addAction(mnuWeitere);

    mnuOptionen = addCommand(u"mnuOptionen"_s, u"&Optionen"_s, &TfrmMain::mnuOptionenClick);
    mnuMain->addAction(mnuOptionen);

    mnuHilfe = mnuMain->addMenu(u"&Hilfe"_s);
    mnuHilfe->setObjectName(u"mnuHilfe"_s);
    mnuFunktion = addCommand(u"mnuFunktion"_s, u"&Wie funktioniert' s"_s, &TfrmMain::mnuFunktionClick);
    mnuInfo = addCommand(u"mnuInfo"_s, u"&Info"_s, &TfrmMain::mnuInfoClick);
    mnuHilfe->addActions({mnuFunktion, mnuInfo});
}

void TfrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // Close requests from the window manager reach the native window first;
    // one arriving during the close question must not slip past it.
    if (QWindow *window = windowHandle()) {
        window->removeEventFilter(this);
        window->installEventFilter(this);
    }
    // Restoring from the task bar shows the window again; the settings are
    // read only the first time.
    if (m_shown)
        return;
    m_shown = true;
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        m_windowManager.centreFrame(this, screen->geometry());
    FormShow(this);
}

void TfrmMain::FormShow(QObject *)
{
    setWindowTitle(TitleDisarmed);
    const LoadedSettings loaded = loadSettings(m_settingsLocation);
    m_alarmSettings = loaded.record;
    seStunde->setText(loaded.Stunde);
    seMinute->setText(loaded.Minute);
    seSekunde->setText(loaded.Sekunde);
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    bool CanClose = true;
    FormCloseQuery(this, CanClose);
    if (CanClose)
        event->accept();
    else
        event->ignore();
}

void TfrmMain::FormCloseQuery(QObject *, bool &CanClose)
{
    CanClose = mayClose();
}

bool TfrmMain::mayClose()
{
    if (m_closeQuestionOpen) {
        // The open question answers this request, too.
        m_dialogs.raiseQuestion();
        return false;
    }
    if (!isArmed())
        return true;
    const QScopedValueRollback questionOpen(m_closeQuestionOpen, true);
    return m_dialogs.askYesNo(u"Beenden..."_s,
                               u"Der Timer ist aktiv. Alarm wird nur ausgelöst, wenn das Programm "
                               u"läuft.\nProgramm trotzdem verlassen?"_s);
}

void TfrmMain::mnuEndeClick(QObject *)
{
    // A close already being asked about would be dropped without a sign.
    if (m_closeQuestionOpen) {
        m_dialogs.raiseQuestion();
        return;
    }
    close();
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (m_closeQuestionOpen && event->type() == QEvent::Close && watched == windowHandle()) {
        // Qt would let a close that arrives while the first one is still being
        // decided through unasked.
        event->ignore();
        m_dialogs.raiseQuestion();
        return true;
    }
    if (watched == Image1 && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && Image1->rect().contains(mouse->position().toPoint()))
            Image1Click(Image1);
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::showAlarmState(bool armed)
{
    btnActivate->setText(armed ? CaptionArmed : CaptionDisarmed);
    platform::Application::setTitle(armed ? TitleArmed : TitleDisarmed);
    updateTaskbarTitle();
    // Every arming and disarming passes here: the wake-up timer follows it.
    if (armed) {
        m_wakeAlarm.arm(alarmTime());
        // The sound server is connected to now, not when the alarm is due: on
        // a busy machine that costs the melody's start a noticeable while.
        // After the armed state has been painted; loading the sound module
        // takes a moment.
        QTimer::singleShot(50, this, [this] {
            if (!isArmed())
                return;
            if (m_alarmSettings.Speaker)
                SpeakerBeeper1->warmUp();
            if (m_alarmSettings.Soundkarte)
                WavSound1->output().warmUp();
        });
    } else {
        m_wakeAlarm.stop();
    }
    // The button's new caption is not read: the button never has the focus.
    m_stateNotice->tell(spokenState(armed, alarmTime()));
    emit alarmStateChanged(armed, alarmTime());
}

void TfrmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        updateTaskbarTitle();
}

void TfrmMain::updateTaskbarTitle()
{
    setWindowTitle(isMinimized() ? platform::Application::title() : TitleDisarmed);
    // Qt may carry a new title over to the icon name, which keeps the state.
    m_windowManager.setIconName(this, platform::Application::title());
}

bool TfrmMain::isArmed() const
{
    return RxClock1->alarmEnabled();
}

QTime TfrmMain::alarmTime() const
{
    return RxClock1->alarmTime();
}

void TfrmMain::storeAlarmTime(const std::function<quint8(int element)> &element)
{
    const quint8 oldHour = RxClock1->alarmHour();
    const quint8 oldMinute = RxClock1->alarmMinute();
    const quint8 oldSecond = RxClock1->alarmSecond();
    try {
        RxClock1->setAlarmHour(element(0));
        RxClock1->setAlarmMinute(element(1));
        RxClock1->setAlarmSecond(element(2));
    } catch (...) {
        // A failed arming changes nothing, so an armed alarm keeps the time
        // it was armed with rather than part of the new one.
        RxClock1->setAlarmHour(oldHour);
        RxClock1->setAlarmMinute(oldMinute);
        RxClock1->setAlarmSecond(oldSecond);
        throw;
    }
}

void TfrmMain::showAlarmTimeInFields()
{
    seStunde->setText(QString::number(RxClock1->alarmHour()));
    seMinute->setText(QString::number(RxClock1->alarmMinute()));
    seSekunde->setText(QString::number(RxClock1->alarmSecond()));
}

void TfrmMain::arm()
{
    ++m_armings;
    RxClock1->setAlarmEnabled(true);
    showAlarmState(true);
}

void TfrmMain::armAt(quint8 hour, quint8 minute, quint8 second)
{
    const quint8 time[] = {hour, minute, second};
    storeAlarmTime([&time](int element) { return time[element]; });
    showAlarmTimeInFields();
    arm();
}

void TfrmMain::armIn(qint32 minutes)
{
    SetzteAlarm(dayFraction(minutes));
}

void TfrmMain::disarm()
{
    RxClock1->setAlarmEnabled(false);
    showAlarmState(false);
}

void TfrmMain::setMessage(const QString &text)
{
    m_alarmSettings.AlarmMeldung = text;
}

void TfrmMain::bringToFront()
{
    if (isMinimized())
        m_activation.restore(this);
    m_activation.bringToForeground(this);
}

void TfrmMain::btnActivateClick(QObject *)
{
    platform::Application::guarded([this] {
        // Only the low 8 bits reach the clock: 256 is hour 0, 300 is 44. The
        // fields are taken over as they are; the clock's time is not shown back.
        const TFlatSpinEditInteger *fields[] = {seStunde, seMinute, seSekunde};
        storeAlarmTime([&fields](int element) { return quint8(StrToInt(fields[element]->text()) & 0xFF); });
        if (isArmed())
            disarm();
        else
            arm();
    });
}

void TfrmMain::Button1Click(QObject *)
{
    setMessage(m_dialogs.inputBox(u"Beim Alarm"_s, u"Meldung zum Alarm ausgeben"_s, QString()));
}

void TfrmMain::Image1Click(QObject *)
{
    // Whether a browser opened is not reported.
    m_shell.open(Maker::WebAddress);
}

void TfrmMain::SetzteAlarm(double Offset)
{
    const TDateTime alarm = MSecsToTime(m_clock.msecsSinceMidnight()) + Offset;
    const DecodedTime time = DecodeTime(alarm);
    // Every element of a decoded time of day exists: nothing to refuse.
    RxClock1->setAlarmHour(quint8(time.hour));
    RxClock1->setAlarmMinute(quint8(time.minute));
    RxClock1->setAlarmSecond(quint8(time.second));
    showAlarmTimeInFields();
    arm();
}

void TfrmMain::mnuMinutenClick(QObject *, qint32 minutes)
{
    platform::Application::guarded([this, minutes] { armIn(minutes); });
}

void TfrmMain::askAlarmIn()
{
    QString text = u"0"_s;
    if (!m_dialogs.inputQuery(u"Alarm in"_s, u"Geben Sie die Anzahl der Minuten ein"_s, text))
        return;
    const std::optional<qint32> minutes = tryStrToInt(text);
    if (!minutes) {
        m_dialogs.showMessageAt(u"Geben Sie Minuten ein, also nur Ziffern."_s,
                                 frameGeometry().topLeft());
        return;
    }
    armIn(*minutes);
}

void TfrmMain::mnuWeitereClick(QObject *)
{
    platform::Application::guarded([this] { askAlarmIn(); });
}

void TfrmMain::RxClock1Alarm(QObject *)
{
    // A later start may arm again while the message is open (its nested loop
    // serves them); confirming clears only the alarm that fired.
    const quint64 firing = m_armings;
    m_wakeAlarm.stop();
    platform::Application::guarded([this, firing] {
        // Delivery goes on whether or not the desktop let the window in front.
        bringToFront();
        AlarmMessage message = alarmMessage();
        m_activation.requestAttention(this, message.notificationText());
        message.sound = runSoundStep();
        // An empty message is replaced for good; the rest of the shown text is not stored.
        m_alarmSettings.AlarmMeldung = message.text();
        showAlarmMessage(message);
        m_activation.withdrawAttention(this);
        if (m_armings == firing)
            disarm();
    });
}

AlarmMessage TfrmMain::alarmMessage() const
{
    AlarmMessage message;
    message.stored = m_alarmSettings.AlarmMeldung;
    if (RxClock1->alarmLate())
        message.lateDue = RxClock1->alarmTime();
    message.timeSeparator = timeSeparator(QLocale());
    return message;
}

AlarmSoundOutcome TfrmMain::runSoundStep()
{
    m_alarmSound = AlarmSoundOutcome::Played;
    if (!SoundStep)
        return m_alarmSound;
    // A failing sound must not cost the message or leave the alarm armed.
    try {
        SoundStep();
    } catch (...) {
        return AlarmSoundOutcome::Unplayed;
    }
    return m_alarmSound;
}

void TfrmMain::showAlarmMessage(AlarmMessage message)
{
    const std::unique_ptr<MessageBoxHandle> box = m_dialogs.messageAt(message.boxText(),
                                                                      frameGeometry().topLeft());
    // The message does not wait for the sound card: a wave file that fails
    // once the box is open adds its line to the open box.
    QTimer waveWatch;
    if (message.sound == AlarmSoundOutcome::WaveStarting) {
        connect(&waveWatch, &QTimer::timeout, this, [this, &message, &box, &waveWatch] {
            message.sound = waveOutcome(*WavSound1);
            if (message.sound == AlarmSoundOutcome::WaveStarting)
                return;
            waveWatch.stop();
            if (message.sound == AlarmSoundOutcome::Unplayed)
                box->setText(message.boxText());
        });
        waveWatch.start(50);
    }
    box->exec();
}

void TfrmMain::AlarmSound()
{
    m_alarmSound = playAlarmSound(m_alarmSettings, *SpeakerBeeper1, *WavSound1, melodyFilePath());
}

void TfrmMain::mnuOptionenClick(QObject *)
{
    platform::Application::guarded([this] {
        OpenOptionen(this, *WavSound1, m_settingsLocation, m_alarmSettings);
    });
}

void TfrmMain::mnuFunktionClick(QObject *)
{
    platform::Application::guarded([this] {
        OpenHilfe(this, QGuiApplication::primaryScreen()->size());
    });
}

void TfrmMain::mnuInfoClick(QObject *)
{
    platform::Application::guarded([this] {
        OpenInfo(this, QGuiApplication::primaryScreen()->size(), m_shell);
    });
}
