#include "windows/readable_text.h"

#include <QWidget>
#include <cmath>

namespace {

double Linear(double channel)
{
    const double c = channel / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& colour)
{
    return 0.2126 * Linear(colour.red()) + 0.7152 * Linear(colour.green()) + 0.0722 * Linear(colour.blue());
}

double Contrast(const QColor& a, const QColor& b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

constexpr double ReadableContrast = 4.5;

QColor Mixed(const QColor& from, const QColor& to, double share)
{
    const auto mix = [share](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * share)); };
    return QColor(mix(from.red(), to.red()), mix(from.green(), to.green()), mix(from.blue(), to.blue()));
}

QColor PlainBackground(const QWidget* window) { return window->palette().color(QPalette::Window); }

}  // namespace

QColor ReadableColour(const QColor& wanted, const QColor& background)
{
    if (Contrast(wanted, background) >= ReadableContrast)
        return wanted;
    // Away from the background: towards white on a dark one, black on a light one.
    const QColor end = Luminance(background) < 0.18 ? QColor(Qt::white) : QColor(Qt::black);
    for (int step = 1; step <= 20; ++step) {
        const QColor mixed = Mixed(wanted, end, step / 20.0);
        if (Contrast(mixed, background) >= ReadableContrast)
            return mixed;
    }
    return end;
}

QString ReadableTextStyle(const QWidget* window, const QColor& wanted)
{
    return QString("color: %1").arg(ReadableColour(wanted, PlainBackground(window)).name());
}

void UsePlainTextBackgrounds(QWidget* window)
{
    const QColor background = PlainBackground(window);
    const QColor text = ReadableColour(window->palette().color(QPalette::WindowText), background);
    window->setStyleSheet(QString("QLabel, QCheckBox, QRadioButton, QGroupBox::title "
                                  "{ background-color: %1; color: %2; }")
                              .arg(background.name(), text.name()));
}
