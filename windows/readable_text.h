#pragma once
#include <QColor>
#include <QString>

class QWidget;

// Text over the palette strip: any palette may put dark, bright or busy
// colours behind it. Labels, check boxes, option buttons and frame titles
// get a plain background of the desktop's window colour, on which the text
// colours are chosen to read well.

// `wanted` where it stands out from `background` (contrast ratio at least
// 4.5); else the same colour mixed towards white or black until it does.
QColor ReadableColour(const QColor& wanted, const QColor& background);
// The window's text sits on plain backgrounds, including controls added later.
void UsePlainTextBackgrounds(QWidget* window);
// A style sheet "color: ..." for `wanted` readable on the window's plain backgrounds.
QString ReadableTextStyle(const QWidget* window, const QColor& wanted);
