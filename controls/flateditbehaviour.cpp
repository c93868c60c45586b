#include "controls/flateditbehaviour.h"

#include "base/bevelframe.h"
#include "controls/flatdraw.h"
#include "controls/focusreason.h"
#include "controls/hoverfamily.h"

#include <QApplication>
#include <QFocusEvent>
#include <QPainter>
#include <QWidget>

FlatEditBehaviour::FlatEditBehaviour(QWidget *field, const char *suppressingClass,
                                     std::function<void(const QColor &face)> faceChanged)
    : m_field(field)
    , m_suppressingClass(suppressingClass)
    , m_faceChanged(std::move(faceChanged))
{
    m_colors.followParent(parentsColor());
}

bool FlatEditBehaviour::showsFocusLook() const
{
    if (m_field->hasFocus())
        return true;
    const QWidget *focus = QApplication::focusWidget();
    return m_mouseInside && !(focus && focus->inherits(m_suppressingClass));
}

void FlatEditBehaviour::redrawBorder()
{
    const QColor background = face();
    QPalette pal = m_field->palette();
    if (pal.color(QPalette::Base) != background) {
        pal.setColor(QPalette::Base, background);
        m_field->setPalette(pal);
    }
    m_field->update();
    if (m_faceChanged)
        m_faceChanged(background);
}

void FlatEditBehaviour::drawBorder(QPainter &painter, const QRect &rect) const
{
    const QColor background = face();
    DrawBevelFrame(painter, rect, m_colors.border(), m_colors.border(), 1);
    DrawBevelFrame(painter, rect.adjusted(1, 1, -1, -1), background, background, 2);
}

void FlatEditBehaviour::handleEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ParentChange:
        m_colors.followParent(parentsColor());
        redrawBorder();
        break;
    case QEvent::PaletteChange:
        redrawIf(m_colors.followParent(parentsColor()));
        break;
    case QEvent::Enter:
        if (HoverFamily::hasActiveWindow()) {
            m_mouseInside = true;
            redrawBorder();
        }
        break;
    case QEvent::Leave:
        m_mouseInside = false;
        redrawBorder();
        break;
    case QEvent::EnabledChange:
        redrawBorder();
        break;
    default:
        break;
    }
}

bool FlatEditBehaviour::focusChanged(const QFocusEvent *event)
{
    redrawBorder();
    return !Flat::isPassingFocusChange(event->reason());
}
