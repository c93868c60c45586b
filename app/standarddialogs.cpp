#include "app/standarddialogs.h"

#include "platform/x11window.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTextBoundaryFinder>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QRect screenRect()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

// The text with a break opportunity between the characters of each word
// wider than `widest`: a label wraps only between words, and would cut such a
// word off at the box's edge.
QString breakableText(const QString &text, const QFontMetrics &metrics, int widest)
{
    QString result;
    result.reserve(text.size());
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        const bool blank = text.at(start).isSpace();
        while (end < text.size() && text.at(end).isSpace() == blank)
            ++end;
        const QString run = text.mid(start, end - start);
        if (blank || metrics.horizontalAdvance(run) <= widest) {
            result += run;
        } else {
            QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, run);
            qsizetype from = 0;
            while (graphemes.toNextBoundary() > 0) {
                if (from > 0)
                    result += QChar(StandardDialogs::WordBreak);
                result += run.mid(from, graphemes.position() - from);
                from = graphemes.position();
            }
        }
        start = end;
    }
    return result;
}

// A message box sized as on the desktop the program comes from: each line of
// the text stays one line while the box fits in three quarters of the screen's
// width (Qt wraps past 500 pixels), and the caption fits in the title bar.
// Its text is plain text, shown as given; a word wider than half the screen
// wraps within the box.
class FittedMessageBox : public QMessageBox
{
public:
    FittedMessageBox(Icon icon, const QString &caption, const QString &text, StandardButtons buttons)
        : QMessageBox(icon, caption, QString(), buttons)
    {
        setTextFormat(Qt::PlainText);
        setMessage(text);
    }

    void setMessage(const QString &text)
    {
        auto *label = findChild<QLabel *>(u"qt_msgbox_label"_s);
        setText(breakableText(text, label ? label->fontMetrics() : fontMetrics(), screenRect().width() / 2));
        // Screen readers read the text as the user wrote it.
        if (label)
            label->setAccessibleName(text);
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event); // Qt's own sizing
        m_frame = platform::x11::frameExtents(this);
        fit();
    }

    bool event(QEvent *event) override
    {
        // QMessageBox would size itself anew at every layout request, and the
        // box would change its size while it is shown.
        if (event->type() == QEvent::LayoutRequest && isVisible()) {
            const bool handled = QDialog::event(event);
            fit();
            return handled;
        }
        return QMessageBox::event(event);
    }

    // The window manager's frame, known once shown.
    QMargins frame() const { return m_frame; }

private:
    void fit()
    {
        QLayout *grid = layout();
        auto *label = findChild<QLabel *>(u"qt_msgbox_label"_s);
        if (!grid || !label)
            return;
        const QRect screen = this->screen() ? this->screen()->availableGeometry() : screenRect();
        if (label->wordWrap()) {
            label->setWordWrap(false);
            grid->activate();
            if (grid->totalMinimumSize().width() + m_frame.left() + m_frame.right() > screen.width() * 3 / 4)
                label->setWordWrap(true);
        }
        // The caption's room: a bold face, as title bars use, beside the
        // window's icon and three buttons, each about as wide as the bar is
        // high, and the padding window managers keep around a title.
        QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
        titleFont.setBold(true);
        const QFontMetrics title(titleFont);
        const int barHeight = m_frame.top() > m_frame.bottom() ? m_frame.top() - m_frame.bottom()
                                                               : title.height() + 8;
        grid->activate();
        const int fitted = std::min(std::max({width(), grid->totalMinimumSize().width(),
                                              title.horizontalAdvance(windowTitle()) + 6 * barHeight}),
                                    screen.width() - m_frame.left() - m_frame.right());
        setFixedSize(fitted, grid->hasHeightForWidth() ? grid->totalHeightForWidth(fitted)
                                                       : grid->totalMinimumSize().height());
        // Changing the label asked for a layout, which would size the box again.
        QCoreApplication::removePostedEvents(this, QEvent::LayoutRequest);
    }

    QMargins m_frame;
};

// A message box whose top-left corner goes to a given point once its size is
// known; a negative coordinate keeps the screen-centred default.
class PositionedMessageBox : public FittedMessageBox
{
public:
    PositionedMessageBox(const QString &text, QPoint topLeft)
        : FittedMessageBox(QMessageBox::Information, u"Information"_s, text, QMessageBox::Ok),
          m_topLeft(topLeft)
    {
        button(QMessageBox::Ok)->setText(u"OK"_s);
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        FittedMessageBox::showEvent(event); // sizes the box to its text
        // The point is where the frame goes, title bar included.
        const QSize frame = size().grownBy(this->frame());
        const QPoint centred = platform::x11::centredFrameTopLeft(screenRect(), frame);
        platform::x11::placeFrameAt(this, {m_topLeft.x() < 0 ? centred.x() : m_topLeft.x(),
                                           m_topLeft.y() < 0 ? centred.y() : m_topLeft.y()});
    }

private:
    QPoint m_topLeft;
};

class PositionedMessageBoxHandle final : public MessageBoxHandle
{
public:
    PositionedMessageBoxHandle(const QString &text, QPoint topLeft) : m_box(text, topLeft) {}

    void exec() override { m_box.exec(); }
    void setText(const QString &text) override { m_box.setMessage(text); }

private:
    PositionedMessageBox m_box;
};

class QtStandardDialogs final : public StandardDialogs
{
public:
    bool inputQuery(const QString &caption, const QString &prompt, QString &value) override
    {
        QDialog dialog(QApplication::activeWindow());
        dialog.setWindowTitle(caption);
        dialog.setWindowFlag(Qt::WindowContextHelpButtonHint, false);
        auto *layout = new QVBoxLayout(&dialog);
        auto *label = new QLabel(prompt, &dialog);
        auto *edit = new QLineEdit(&dialog);
        edit->setMaxLength(InputMaxLength);
        edit->setText(value);
        edit->selectAll();
        label->setBuddy(edit);
        auto *buttons = new QDialogButtonBox(&dialog);
        QPushButton *ok = buttons->addButton(u"OK"_s, QDialogButtonBox::AcceptRole);
        buttons->addButton(u"Abbrechen"_s, QDialogButtonBox::RejectRole);
        ok->setDefault(true);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        layout->addWidget(label);
        layout->addWidget(edit);
        layout->addWidget(buttons);
        dialog.setMinimumWidth(260);
        dialog.adjustSize();
        // Centred by its frame; the frame of a created window can be asked for.
        dialog.winId();
        const QSize frame = dialog.size().grownBy(platform::x11::frameExtents(&dialog));
        platform::x11::placeFrameAt(&dialog, platform::x11::centredFrameTopLeft(screenRect(), frame));
        edit->setFocus();
        if (dialog.exec() != QDialog::Accepted)
            return false;
        value = edit->text();
        return true;
    }

    std::unique_ptr<MessageBoxHandle> messageAt(const QString &text, QPoint topLeft) override
    {
        return std::make_unique<PositionedMessageBoxHandle>(text, topLeft);
    }

    bool askYesNo(const QString &caption, const QString &text) override
    {
        FittedMessageBox box(QMessageBox::Question, caption, text,
                             QMessageBox::Yes | QMessageBox::No);
        box.button(QMessageBox::Yes)->setText(u"Ja"_s);
        box.button(QMessageBox::No)->setText(u"Nein"_s);
        box.setDefaultButton(QMessageBox::Yes);
        // No owner and not modal: the main window stays usable while the
        // question waits, as exec() would block every window of the program.
        box.setWindowModality(Qt::NonModal);
        const QScopedValueRollback open(m_question, &box);
        QEventLoop loop;
        QObject::connect(&box, &QDialog::finished, &loop, &QEventLoop::quit);
        box.show();
        box.raise();
        box.activateWindow();
        loop.exec();
        return box.clickedButton() == box.button(QMessageBox::Yes);
    }

    void raiseQuestion() override
    {
        if (!m_question)
            return;
        m_question->show();
        m_question->raise();
        m_question->activateWindow();
    }

private:
    FittedMessageBox *m_question = nullptr;
};

} // namespace

QString StandardDialogs::inputBox(const QString &caption, const QString &prompt,
                                  const QString &defaultText)
{
    QString value = defaultText;
    if (!inputQuery(caption, prompt, value))
        return defaultText;
    return value;
}

void StandardDialogs::showMessageAt(const QString &text, QPoint topLeft)
{
    messageAt(text, topLeft)->exec();
}

StandardDialogs &StandardDialogs::system()
{
    static QtStandardDialogs dialogs;
    return dialogs;
}
