#include "app/tsplashform.h"

#include "platform/x11window.h"
#include "resources/logo.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTimer>

using namespace Qt::StringLiterals;

TSplashPanel::TSplashPanel(QWidget *parent)
    : QFrame(parent)
{
    setContentsMargins(2, 2, 2, 2);
}

void TSplashPanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QColor highlight = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    const auto bevel = [&p](const QRect &r, const QColor &topLeft, const QColor &bottomRight) {
        p.setPen(topLeft);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(bottomRight);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
    };
    bevel(rect(), highlight, shadow);
    bevel(rect().adjusted(1, 1, -1, -1), shadow, highlight);
}

// Mapped by the X server itself, not after a round trip through the window
// manager: the splash is on the screen at once, also when the window manager
// lags, and it needs nothing a window manager offers.
TSplashForm::TSplashForm(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint)
{
    setObjectName(u"SplashForm"_s);
    setFixedSize(274, 104);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());

    Panel1 = new TSplashPanel(this);
    Panel1->setObjectName(u"Panel1"_s);
    Panel1->setGeometry(rect());

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(u"Image1"_s);
    Image1->setGeometry(Panel1->contentsRect());
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setPixmap(logoPixmap(u"logo-wide"_s, devicePixelRatioF()));
}

namespace {

// Ends a loop shortly after the watched window has painted.
class PaintedWatch : public QObject
{
public:
    explicit PaintedWatch(QEventLoop &loop)
        : m_loop(loop)
    {
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        // The loop then goes idle once more, which sends the picture out.
        if (event->type() == QEvent::Paint)
            QTimer::singleShot(IdleMs, &m_loop, &QEventLoop::quit);
        return false;
    }

private:
    static constexpr int IdleMs = 20;
    QEventLoop &m_loop;
};

// How long a compositor may take to configure the splash.
constexpr int ConfigureWaitMs = 1000;

} // namespace

void TSplashForm::showAtOnce()
{
    if (platform::x11::available()) {
        // The X server paints it from its backdrop: no message is handled.
        winId();
        platform::x11::setBackdrop(this, grab().toImage());
        show();
        repaint();
        platform::x11::flush();
        return;
    }
    show();
    if (!QGuiApplication::platformName().startsWith(u"wayland"))
        return;
    // A Wayland compositor shows a window only once the program has answered
    // its configure event and committed a picture, which takes the event loop:
    // it runs, for the splash alone, until the picture is out.
    QEventLoop loop;
    PaintedWatch painted(loop);
    installEventFilter(&painted);
    QTimer::singleShot(ConfigureWaitMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    removeEventFilter(&painted);
}
