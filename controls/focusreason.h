#pragma once

#include <Qt>

namespace Flat {

// The focus goes to a menu, opened by mouse or keyboard, or to another window,
// and comes back: the control was neither left nor entered, as a menu on the
// desktop the family comes from never takes the focus.
constexpr bool isPassingFocusChange(Qt::FocusReason reason)
{
    return reason == Qt::PopupFocusReason || reason == Qt::MenuBarFocusReason
           || reason == Qt::ActiveWindowFocusReason;
}

} // namespace Flat
