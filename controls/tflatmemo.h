#pragma once

#include "controls/flateditbehaviour.h"

#include <QPlainTextEdit>

// Multi-line text field with the flat border of the flat edit fields.
class TFlatMemo : public QPlainTextEdit
{
    Q_OBJECT
    Q_PROPERTY(QColor ColorFocused READ colorFocused WRITE setColorFocused)
    Q_PROPERTY(QColor ColorBorder READ colorBorder WRITE setColorBorder)
    Q_PROPERTY(QColor ColorFlat READ colorFlat WRITE setColorFlat)
    Q_PROPERTY(bool ParentColor READ parentColor WRITE setParentColor)
    Q_PROPERTY(bool UseAdvColors READ useAdvColors WRITE setUseAdvColors)
    Q_PROPERTY(int AdvColorFocused READ advColorFocused WRITE setAdvColorFocused)
    Q_PROPERTY(int AdvColorBorder READ advColorBorder WRITE setAdvColorBorder)
    Q_PROPERTY(QStringList Lines READ lines WRITE setLines)
    Q_PROPERTY(ScrollStyle ScrollBars READ scrollBars WRITE setScrollBars)
    Q_PROPERTY(bool WordWrap READ wordWrap WRITE setWordWrap)
    Q_PROPERTY(bool WantReturns READ wantReturns WRITE setWantReturns)
    Q_PROPERTY(bool WantTabs READ wantTabs WRITE setWantTabs)
    Q_PROPERTY(bool ReadOnly READ isReadOnly WRITE setReadOnly)
    Q_PROPERTY(int MaxLength READ maxLength WRITE setMaxLength)
    Q_PROPERTY(Qt::Alignment Alignment READ alignment WRITE setAlignment)

public:
    enum ScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
    Q_ENUM(ScrollStyle)

    explicit TFlatMemo(QWidget *parent = nullptr);

    QColor colorFocused() const { return m_edit.colors().focused(); }
    void setColorFocused(const QColor &color) { m_edit.setColorFocused(color); }
    QColor colorBorder() const { return m_edit.colors().border(); }
    void setColorBorder(const QColor &color) { m_edit.setColorBorder(color); }
    QColor colorFlat() const { return m_edit.colors().base(); }
    void setColorFlat(const QColor &color) { m_edit.setColorFlat(color); }
    bool parentColor() const { return m_edit.colors().parentColor(); }
    void setParentColor(bool on) { m_edit.setParentColor(on); }
    bool useAdvColors() const { return m_edit.colors().useAdvColors(); }
    void setUseAdvColors(bool on) { m_edit.setUseAdvColors(on); }
    int advColorFocused() const { return m_edit.colors().advFocused(); }
    void setAdvColorFocused(int percentage) { m_edit.setAdvColorFocused(percentage); }
    int advColorBorder() const { return m_edit.colors().advBorder(); }
    void setAdvColorBorder(int percentage) { m_edit.setAdvColorBorder(percentage); }

    QStringList lines() const;
    void setLines(const QStringList &lines);
    ScrollStyle scrollBars() const { return m_scrollBars; }
    void setScrollBars(ScrollStyle style);
    bool wordWrap() const { return lineWrapMode() != NoWrap; }
    void setWordWrap(bool on);
    bool wantReturns() const { return m_wantReturns; }
    void setWantReturns(bool on) { m_wantReturns = on; }
    bool wantTabs() const { return !tabChangesFocus(); }
    void setWantTabs(bool on) { setTabChangesFocus(!on); }
    int maxLength() const { return m_maxLength; }
    void setMaxLength(int length) { m_maxLength = std::max(0, length); }
    Qt::Alignment alignment() const;
    void setAlignment(Qt::Alignment alignment);

    bool mouseInside() const { return m_edit.mouseInside(); }
    // The hover look is suppressed while another memo has the focus.
    bool showsFocusLook() const { return m_edit.showsFocusLook(); }
    // The square between both scroll bars, in window coordinates.
    QRect cornerRect() const;

signals:
    void OnChange(QObject *sender);
    void OnEnter(QObject *sender);
    void OnExit(QObject *sender);

protected:
    bool event(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    int roomLeft() const;

    FlatEditBehaviour m_edit;
    ScrollStyle m_scrollBars = ssNone;
    bool m_wantReturns = true;
    int m_maxLength = 0;
};
