#include "dialogs/tfrminfo.h"

#include "controls/linklabel.h"
#include "controls/tflatbutton.h"
#include "dialogs/placement.h"
#include "platform/desktopshell.h"
#include "base/maker.h"
#include "resources/logo.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

using namespace Qt::StringLiterals;

namespace {

QFont tahoma(int pixelSize, bool underline = false)
{
    QFont font(u"Tahoma"_s);
    font.setPixelSize(pixelSize);
    font.setUnderline(underline);
    return font;
}

LinkLabel *linkLabel(QWidget *parent)
{
    auto *label = new LinkLabel(parent);
    label->setFont(tahoma(13, true));
    QPalette blue = label->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(blue);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

// Auto-size as a label does: the width of its text on one line.
int textWidth(const QLabel *label)
{
    return label->fontMetrics().horizontalAdvance(label->text());
}

} // namespace

TfrmInfo::TfrmInfo(QWidget *owner, platform::DesktopShell &shell)
    : TfrmInfo(owner, shell, Maker::WebText, Maker::MailText)
{
}

TfrmInfo::TfrmInfo(QWidget *owner, platform::DesktopShell &shell, const QString &webHost,
                   const QString &mail)
    : SecondaryWindow(owner, QSize(368, 187), 13), m_shell(shell), m_webHost(webHost), m_mail(mail)
{
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setObjectName(u"frmInfo"_s);
    setWindowTitle(u"Info"_s);

    Image1 = new QLabel(this);
    Image1->setObjectName(u"Image1"_s);
    const QPixmap logo = logoPixmap(u"logo-wide"_s, devicePixelRatioF());
    Image1->setPixmap(logo);
    // Sizes itself to its picture; without one it keeps the designed size.
    Image1->setGeometry(QRect(QPoint(50, 3), logo.isNull() ? QSize(258, 100) : logo.deviceIndependentSize().toSize()));
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setAccessibleName(u"Logo"_s);
    Image1->installEventFilter(this);

    LinkLabel *webLink = linkLabel(this);
    lURL = webLink;
    lURL->setObjectName(u"lURL"_s);
    // Both links draw their text from the top of the label, so they share a line.
    lURL->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lURL->setText(u"lURL"_s);
    lURL->setGeometry(57, 112, textWidth(lURL), 16);
    connect(webLink, &LinkLabel::OnClick, this, &TfrmInfo::lURLClick);

    LinkLabel *mailLink = linkLabel(this);
    lMail = mailLink;
    lMail->setObjectName(u"lMail"_s);
    lMail->setAutoFillBackground(true);
    lMail->setAlignment(Qt::AlignRight | Qt::AlignTop);
    lMail->setText(u"lMail"_s);
    lMail->setGeometry(314 - textWidth(lMail), 112, textWidth(lMail), 16);
    connect(mailLink, &LinkLabel::OnClick, this, &TfrmInfo::lMailClick);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(u"Bevel1"_s);
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Bevel1->setLineWidth(1);
    Bevel1->setGeometry(8, 144, 345, 2);

    Label1 = new QLabel(this);
    Label1->setObjectName(u"Label1"_s);
    Label1->setFont(tahoma(12));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setText(u"© 2026 Brenvik\nAlle Rechte vorbehalten."_s);
    Label1->setGeometry(8, 152, 131, 28);

    BitBtn1 = new TFlatButton(this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    BitBtn1->setGeometry(272, 152, 75, 25);
    BitBtn1->setCaption(u"OK"_s);
    BitBtn1->setModalResult(mrOk);
    BitBtn1->setLayout(Flat::blGlyphLeft);
    BitBtn1->setTabStop(true);
}

void TfrmInfo::FormShow(QObject *)
{
    lURL->setText(m_webHost);
    lURL->setGeometry(57, 112, textWidth(lURL), 16);
    // Right-aligned with automatic size: the right edge stays, the label grows left.
    lMail->setText(m_mail);
    lMail->setGeometry(314 - textWidth(lMail), 112, textWidth(lMail), 16);
    setWindowTitle(u"Brenvik Timer"_s);
}

bool TfrmInfo::eventFilter(QObject *watched, QEvent *event)
{
    // The picture clicks as the links do: a left press and a left release
    // inside it.
    if (watched != Image1)
        return SecondaryWindow::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton)
            m_pressed = watched;
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            return true;
        const bool clicked = m_pressed == watched
                             && static_cast<QWidget *>(watched)->rect().contains(mouse->position().toPoint());
        m_pressed = nullptr;
        if (clicked)
            lURLClick(this);
        return true;
    }
    return SecondaryWindow::eventFilter(watched, event);
}

void TfrmInfo::lURLClick(QObject *)
{
    m_shell.open(u"http://"_s + lURL->text());
}

void TfrmInfo::lMailClick(QObject *)
{
    m_shell.open(u"mailto:"_s + lMail->text());
}

void OpenInfo(QWidget *mainWindow, const QSize &screen, platform::DesktopShell &shell)
{
    ShowSecondaryWindow(new TfrmInfo(mainWindow, shell), [mainWindow, screen](const TfrmInfo &) {
        return Placement::infoWindow(mainWindow->frameGeometry().topLeft(), screen);
    });
}
