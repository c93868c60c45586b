#include "controls/flataccessible.h"

#include "controls/flatbuttonbase.h"
#include "controls/linklabel.h"
#include "controls/screenreadernotice.h"
#include "controls/tflatpanel.h"
#include "controls/tflatradiobutton.h"
#include "controls/tflatspineditinteger.h"
#include "controls/tspinbutton.h"
#include "controls/ttimerspeedbutton.h"

#include <QAccessibleWidget>
#include <QKeySequence>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// A click may open a modal window, whose loop would hold back the answer the
// screen reader waits for: the action runs once its request has been answered.
// The control is the timer's context: once it is gone, nothing runs.
void afterRequest(QWidget *control, const std::function<void()> &action)
{
    QTimer::singleShot(0, control, [control, action] {
        if (control->isEnabled())
            action();
    });
}

// A control named by its caption (the flat buttons, the radio button, the
// panel's title, a link's text), its accelerator as key, and at most one action,
// which clicks it.
class CaptionedAccessible : public QAccessibleWidget
{
public:
    CaptionedAccessible(QWidget *control, QAccessible::Role role, const QString &action = {})
        : QAccessibleWidget(control, role)
        , m_action(action)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) {
            const QString name = widget()->accessibleName();
            return name.isEmpty() ? FlatAccessible::plainCaption(caption()) : name;
        }
        if (t == QAccessible::Accelerator)
            return FlatAccessible::acceleratorText(caption());
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        QStringList names;
        if (!m_action.isEmpty() && widget()->isEnabled())
            names << m_action;
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (!m_action.isEmpty() && action == m_action)
            afterRequest(widget(), [this] { activate(); });
        else
            QAccessibleWidget::doAction(action);
    }

    QStringList keyBindingsForAction(const QString &action) const override
    {
        if (!m_action.isEmpty() && action == m_action) {
            const QString key = FlatAccessible::acceleratorText(caption());
            return key.isEmpty() ? QStringList() : QStringList{key};
        }
        return QAccessibleWidget::keyBindingsForAction(action);
    }

protected:
    // With "&" marking the accelerator.
    virtual QString caption() const = 0;
    // Runs after the request; the control is there and enabled.
    virtual void activate() {}

private:
    QString m_action;
};

// Both flat buttons and the spin edits' arrows: push buttons with their caption.
class FlatButtonAccessible : public CaptionedAccessible
{
public:
    explicit FlatButtonAccessible(FlatButtonBase *button)
        : CaptionedAccessible(button, QAccessible::PushButton, pressAction())
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.pressed = button()->state() == Flat::fbsPressed;
        if (button()->groupIndex() != 0) {
            state.checkable = true;
            state.checked = button()->isDown();
        }
        return state;
    }

    // A spin edit's arrows are the field's children; their pair is no object of its own.
    QAccessibleInterface *parent() const override
    {
        if (auto *pair = qobject_cast<TSpinButton *>(button()->parentWidget()))
            if (auto *field = qobject_cast<TFlatSpinEditInteger *>(pair->parentWidget()))
                if (field->button() == pair)
                    return QAccessible::queryAccessibleInterface(field);
        return QAccessibleWidget::parent();
    }

protected:
    QString caption() const override { return button()->caption(); }
    // As the accelerator does: a click, and a grouped button latches.
    void activate() override { button()->acceleratorPressed(); }

private:
    FlatButtonBase *button() const { return static_cast<FlatButtonBase *>(widget()); }
};

class FlatRadioAccessible : public CaptionedAccessible
{
public:
    explicit FlatRadioAccessible(TFlatRadioButton *radio)
        : CaptionedAccessible(radio, QAccessible::RadioButton, toggleAction())
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = radio()->isChecked();
        return state;
    }

protected:
    QString caption() const override { return radio()->caption(); }
    // What a click with the mouse does: the press takes the focus, the release
    // clicks and checks an unchecked button, which clicks again.
    void activate() override
    {
        const QPointer<TFlatRadioButton> alive(radio());
        alive->setFocus(Qt::MouseFocusReason);
        if (alive)
            alive->clickAndCheck();
    }

private:
    TFlatRadioButton *radio() const { return static_cast<TFlatRadioButton *>(widget()); }
};

// The spin edit: a spin button with its value, its arrows as children, and
// the text of the field for reading and moving the cursor.
class FlatSpinAccessible : public QAccessibleWidget,
                           public QAccessibleValueInterface,
                           public QAccessibleTextInterface
{
public:
    explicit FlatSpinAccessible(TFlatSpinEditInteger *field)
        : QAccessibleWidget(field, QAccessible::SpinBox)
    {
    }

    // Qt drops the notices of an object that is not valid: while the focus
    // passes, the field's selection changes reach no screen reader, which
    // would read them before the field itself.
    bool isValid() const override { return QAccessibleWidget::isValid() && !field()->focusPassing(); }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return field()->text();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = field()->isReadOnly();
        state.editable = !field()->isReadOnly() && field()->editorEnabled();
        state.selectableText = true;
        return state;
    }

    int childCount() const override { return int(arrows().size()); }

    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> list = arrows();
        return index >= 0 && index < list.size() ? QAccessible::queryAccessibleInterface(list[index])
                                                 : nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child ? int(arrows().indexOf(child->object())) : -1;
    }

    QStringList actionNames() const override
    {
        QStringList names;
        if (field()->isEnabled())
            names << increaseAction() << decreaseAction();
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (!field()->isEnabled())
            return;
        if (action == increaseAction())
            field()->StepUp(field());
        else if (action == decreaseAction())
            field()->StepDown(field());
        else
            QAccessibleWidget::doAction(action);
    }

    // No keys for Increase and Decrease: a screen reader reads the first
    // action's key as the field's own shortcut, and Up is none.
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

    // Value: the number in the field, written as Value is (clamped to the range).
    QVariant currentValue() const override { return field()->value(); }

    void setCurrentValue(const QVariant &value) override
    {
        bool ok = false;
        const double number = value.toDouble(&ok);
        if (!ok || !std::isfinite(number) || !field()->isEnabled() || field()->isReadOnly())
            return;
        const double whole = std::round(std::clamp<double>(number, std::numeric_limits<int>::min(),
                                                           std::numeric_limits<int>::max()));
        field()->setValue(int(whole));
    }

    // Equal limits mean no limits at all.
    QVariant maximumValue() const override
    {
        return unlimited() ? std::numeric_limits<int>::max() : field()->maxValue();
    }
    QVariant minimumValue() const override
    {
        return unlimited() ? std::numeric_limits<int>::min() : field()->minValue();
    }
    QVariant minimumStepSize() const override { return field()->increment(); }

    // Text
    void selection(int index, int *start, int *end) const override
    {
        *start = *end = 0;
        if (index == 0 && field()->hasSelectedText()) {
            *start = field()->selectionStart();
            *end = field()->selectionEnd();
        }
    }
    int selectionCount() const override { return field()->hasSelectedText() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int index) override
    {
        if (index == 0)
            field()->deselect();
    }
    void setSelection(int index, int start, int end) override
    {
        if (index == 0)
            field()->setSelection(start, end - start);
    }
    int cursorPosition() const override { return field()->cursorPosition(); }
    void setCursorPosition(int position) override { field()->setCursorPosition(position); }
    QString text(int start, int end) const override
    {
        return field()->text().mid(start, std::max(0, end - start));
    }
    int characterCount() const override { return int(field()->text().size()); }

    QRect characterRect(int offset) const override
    {
        const QString text = field()->text();
        if (offset < 0 || offset >= text.size())
            return {};
        // The field's numbers are short and never scroll: the text starts at
        // the left of the area inside the margins.
        const QFontMetrics metrics(field()->font());
        const QRect area = field()->contentsRect().marginsRemoved(field()->textMargins());
        const QRect local(area.x() + 2 + metrics.horizontalAdvance(text.left(offset)),
                          area.y() + (area.height() - metrics.height() + 1) / 2,
                          metrics.horizontalAdvance(text.at(offset)), metrics.height());
        return QRect(field()->mapToGlobal(local.topLeft()), local.size());
    }

    int offsetAtPoint(const QPoint &point) const override
    {
        return field()->cursorPositionAt(field()->mapFromGlobal(point));
    }

    void scrollToSubstring(int start, int) override { field()->setCursorPosition(start); }

    QString attributes(int, int *start, int *end) const override
    {
        *start = 0;
        *end = characterCount();
        return {};
    }

private:
    TFlatSpinEditInteger *field() const { return static_cast<TFlatSpinEditInteger *>(widget()); }
    bool unlimited() const { return field()->minValue() == field()->maxValue(); }

    QList<QWidget *> arrows() const
    {
        QList<QWidget *> list;
        if (TSpinButton *pair = field()->button(); pair && !pair->isHidden())
            list << pair->upButton() << pair->downButton();
        return list;
    }
};

class FlatPanelAccessible : public CaptionedAccessible
{
public:
    explicit FlatPanelAccessible(TFlatPanel *panel)
        : CaptionedAccessible(panel, QAccessible::Grouping)
    {
    }

protected:
    QString caption() const override { return static_cast<TFlatPanel *>(widget())->caption(); }
};

class LinkAccessible : public CaptionedAccessible
{
public:
    explicit LinkAccessible(LinkLabel *link)
        : CaptionedAccessible(link, QAccessible::Link, pressAction())
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.linked = true;
        return state;
    }

protected:
    // The label shows its text as it is, with no accelerator.
    QString caption() const override
    {
        return static_cast<LinkLabel *>(widget())->text().replace(u'&', u"&&"_s);
    }
    void activate() override { static_cast<LinkLabel *>(widget())->click(); }
};

// Read as "notification" and its text when it appears.
class NoticeAccessible : public QAccessibleWidget
{
public:
    explicit NoticeAccessible(ScreenReaderNotice *notice)
        : QAccessibleWidget(notice, QAccessible::Notification)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return static_cast<ScreenReaderNotice *>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

} // namespace

QAccessibleInterface *FlatAccessible::factory(const QString &className, QObject *object)
{
    // Qt asks with the most derived class name first, then its bases.
    if (className == u"FlatButtonBase")
        return new FlatButtonAccessible(static_cast<FlatButtonBase *>(object));
    if (className == u"TFlatRadioButton")
        return new FlatRadioAccessible(static_cast<TFlatRadioButton *>(object));
    if (className == u"TFlatSpinEditInteger")
        return new FlatSpinAccessible(static_cast<TFlatSpinEditInteger *>(object));
    if (className == u"TFlatPanel")
        return new FlatPanelAccessible(static_cast<TFlatPanel *>(object));
    if (className == u"LinkLabel")
        return new LinkAccessible(static_cast<LinkLabel *>(object));
    if (className == u"ScreenReaderNotice")
        return new NoticeAccessible(static_cast<ScreenReaderNotice *>(object));
    return nullptr;
}

void FlatAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(&FlatAccessible::factory);
        return true;
    }();
    Q_UNUSED(installed);
}

void FlatAccessible::nameChanged(QWidget *control)
{
    if (!QAccessible::isActive() || !control->accessibleName().isEmpty())
        return;
    QAccessibleEvent event(control, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void FlatAccessible::stateChanged(QWidget *control, QAccessible::State changed)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleStateChangeEvent event(control, changed);
    QAccessible::updateAccessibility(&event);
}

void FlatAccessible::valueChanged(QWidget *control, int value)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent event(control, value);
    QAccessible::updateAccessibility(&event);
}

QString FlatAccessible::plainCaption(const QString &caption)
{
    // "&&" is a literal ampersand.
    QString plain;
    plain.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&') {
            if (++i == caption.size())
                break;
        }
        plain += caption[i];
    }
    return plain;
}

QString FlatAccessible::acceleratorText(const QString &caption)
{
    return QKeySequence::mnemonic(caption).toString(QKeySequence::NativeText);
}
