#pragma once

#include <QPixmap>
#include <QString>

// The logo ":/<name>.png" for a screen with the given device pixel ratio. Above
// 1 it is taken from the picture with twice the pixels ("<name>@2x.png"),
// brought to the screen's pixels, so the logo keeps its size in the layout and
// stays sharp on a scaled desktop.
QPixmap logoPixmap(const QString &name, qreal ratio);
