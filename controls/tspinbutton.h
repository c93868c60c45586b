#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>

class TTimerSpeedButton;

// The pair of arrows inside a spin edit's right end.
class TSpinButton : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QPixmap UpGlyph READ upGlyph WRITE setUpGlyph)
    Q_PROPERTY(QPixmap DownGlyph READ downGlyph WRITE setDownGlyph)
    Q_PROPERTY(int UpNumGlyphs READ upNumGlyphs WRITE setUpNumGlyphs)
    Q_PROPERTY(int DownNumGlyphs READ downNumGlyphs WRITE setDownNumGlyphs)
    Q_PROPERTY(QWidget *FocusControl READ focusControl WRITE setFocusControl)

public:
    explicit TSpinButton(QWidget *parent = nullptr);

    QPixmap upGlyph() const;
    void setUpGlyph(const QPixmap &glyph); // a null pixmap restores the built-in arrow
    QPixmap downGlyph() const;
    void setDownGlyph(const QPixmap &glyph);
    int upNumGlyphs() const;
    void setUpNumGlyphs(int count);
    int downNumGlyphs() const;
    void setDownNumGlyphs(int count);
    QWidget *focusControl() const { return m_focusControl; }
    void setFocusControl(QWidget *control) { m_focusControl = control; }

    TTimerSpeedButton *upButton() const { return m_up; }
    TTimerSpeedButton *downButton() const { return m_down; }
    TTimerSpeedButton *focusedArrow() const { return m_focusedArrow; }
    void setFocusedArrow(TTimerSpeedButton *arrow);

    // The built-in 5 x 5 arrows: a black triangle on olive, which is left out.
    static QPixmap builtInGlyph(bool up);

signals:
    void OnUpClick(QObject *sender);
    void OnDownClick(QObject *sender);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void arrangeArrows();
    void arrowPressed(TTimerSpeedButton *arrow, Qt::MouseButton button);

    TTimerSpeedButton *m_up = nullptr;
    TTimerSpeedButton *m_down = nullptr;
    TTimerSpeedButton *m_focusedArrow = nullptr;
    QPointer<QWidget> m_focusControl;
};
