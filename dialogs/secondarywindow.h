#pragma once

// dialogs/ at a glance:
// - secondarywindow.h: the common base: fixed size, white, no Enter/Escape,
//   FormShow at each showing, and ShowSecondaryWindow for the menu commands.
// - tfrmoptionen.h, tfrmhilfe.h, tfrminfo.h: the options, help and info windows.
// - placement.h: where a window opens relative to the main window.

#include <QDialog>

#include <memory>

// Base of the options, help and info windows: a fixed-size dialog with a white
// client area, a title bar with only the system menu and close box, and no
// keyboard meaning for Enter or Escape (the flat buttons are no default or
// cancel buttons). Closing through the title bar ends it with the cancel result.
class SecondaryWindow : public QDialog
{
    Q_OBJECT

public:
    // Modal results the windows' buttons end the modal loop with.
    static constexpr int mrOk = 1;
    static constexpr int mrCancel = 2;

    SecondaryWindow(QWidget *owner, const QSize &clientSize, int fontPixelSize);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    // Fills the window each time it is shown; sender is the window itself.
    virtual void FormShow(QObject *sender) { Q_UNUSED(sender) }
};

// Opens a secondary window as the main window's menu commands do: moves its
// frame to where place(window) says, shows it modally, ignores the modal result
// and releases it with deleteLater() when the modal loop ends, also when an
// error ends it. The window is a child of its owner, found there by its name.
template<typename Window, typename Place>
void ShowSecondaryWindow(Window *window, Place &&place)
{
    const auto release = [](Window *w) { w->deleteLater(); };
    const std::unique_ptr<Window, decltype(release)> guard(window, release);
    window->move(place(*window));
    window->exec();
}
