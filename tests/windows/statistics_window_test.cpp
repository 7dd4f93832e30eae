#include <QCheckBox>
#include <QLabel>
#include <cmath>
#include <map>

#include "windows/tool_window.h"

#include "windows/statistics_window.h"
#include "frame/frame_driver.h"
#include "running_program.h"

// The statistics window opened from the menu after a small frame, and
// refreshed in place by the next one.
class StatisticsWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<RunningProgram> program;

    StatisticsWindow* OpenStatistics() { return program->OpenToolWindow<StatisticsWindow>(110); }

    static QLabel* LabelWithText(QWidget* window, const QString& text)
    {
        for (QLabel* label : window->findChildren<QLabel*>())
            if (label->text() == text)
                return label;
        return nullptr;
    }

    // The contrast of the colour furthest from the commonest one (the
    // background) against it.
    static double TextContrast(const QImage& area)
    {
        const auto luminance = [](QRgb c) {
            const auto linear = [](int v) {
                const double x = v / 255.0;
                return x <= 0.03928 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c));
        };
        std::map<QRgb, int> counts;
        for (int y = 0; y < area.height(); ++y)
            for (int x = 0; x < area.width(); ++x)
                ++counts[area.pixel(x, y)];
        if (counts.empty())
            return 0;
        const QRgb background =
            std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
        const double lb = luminance(background);
        double best = 1;
        for (const auto& [colour, count] : counts) {
            const double l = luminance(colour);
            best = std::max(best, (std::max(l, lb) + 0.05) / (std::min(l, lb) + 0.05));
        }
        return best;
    }

private slots:
    void init() { program = std::make_unique<RunningProgram>(64, 48); }
    void cleanup() { program.reset(); }

    void showsTheLastFrame()
    {
        StatisticsWindow* window = OpenStatistics();
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QString("QUORVATIX STATISTICS"));
        QCOMPARE(window->pos(), QPoint(100, 100));
        QVERIFY(LabelWithText(window, " MANDELBROT"));
        QVERIFY(LabelWithText(window, " 100 iterations"));
        QVERIFY(LabelWithText(window, " 64 x 48"));
        QVERIFY(LabelWithText(window, " Colors used:"));
        QVERIFY(LabelWithText(window, " Inside pixels: "));
        QVERIFY(LabelWithText(window, " System version:"));

        // Each value on the line of its label, and no text cut short.
        const QLabel* itermax = LabelWithText(window, " Itermax:");
        QVERIFY(itermax);
        QCOMPARE(LabelWithText(window, " 100 iterations")->y(), itermax->y());
        for (const QLabel* label : window->findChildren<QLabel*>()) {
            QVERIFY2(label->width() >= label->fontMetrics().horizontalAdvance(label->text()),
                     qPrintable(label->text()));
            QVERIFY(label->geometry().right() < window->width());
        }
    }

    void nextFrameRefreshesInPlace()
    {
        StatisticsWindow* window = OpenStatistics();
        QVERIFY(window);
        State.IterMax = 250;
        State.FrameValid = 0;
        Redraw();
        RunningProgram::WaitForFrame();
        QCOMPARE(OpenStatistics(), window);
        QVERIFY(LabelWithText(window, " 250 iterations"));
        QVERIFY(!LabelWithText(window, " 100 iterations"));
    }

    void openingWindowsLeavesTheDepthAlone()
    {
        program.reset();
        program = std::make_unique<RunningProgram>(320, 240);
        const QString title = program->picture->windowTitle();
        const int32_t depth = State.DeepLimit;
        QVERIFY(OpenStatistics());
        QCOMPARE(State.DeepLimit, depth);
        QCOMPARE(program->picture->windowTitle(), title);
        program->menu->DispatchCommand(166);  // "Location"
        QCOMPARE(State.DeepLimit, depth);
        QCOMPARE(program->picture->windowTitle(), title);
        State.FrameValid = 0;
        Redraw();
        RunningProgram::WaitForFrame();
        QCOMPARE(program->picture->windowTitle(), title);
        QCOMPARE(title, QString("QUORVATIX (Deeplimit:-3)"));
    }

    // Every label of the tool windows on a black and on a white palette strip:
    // its text stands out from what is behind it.
    void toolWindowLabelsReadOnAnyPalette()
    {
        for (const uint32_t colour : {0x000000u, 0xFFFFFFu, 0xFF0000u}) {
            std::fill(Palette.begin(), Palette.end(), colour);
            for (const int command : {110, 165, 160, 166}) {
                program->menu->DispatchCommand(command);
                for (QWidget* window : QApplication::topLevelWidgets()) {
                    if (!dynamic_cast<ToolWindow*>(window) || !window->isVisible())
                        continue;
                    const QImage shot = window->grab().toImage();
                    for (QWidget* text : window->findChildren<QWidget*>()) {
                        const auto* label = qobject_cast<QLabel*>(text);
                        const auto* box = qobject_cast<QAbstractButton*>(text);
                        const bool hasText = (label && !label->text().trimmed().isEmpty() && label->pixmap().isNull()) ||
                                             (qobject_cast<QCheckBox*>(text) && !box->text().isEmpty());
                        if (!hasText || !text->isVisible())
                            continue;
                        const QRect area(text->mapTo(window, QPoint(0, 0)), text->size());
                        QVERIFY2(TextContrast(shot.copy(area)) >= 3.0,
                                 qPrintable(window->windowTitle() + ": " + (label ? label->text() : box->text())));
                    }
                }
            }
        }
    }
};

QTEST_MAIN(StatisticsWindowTest)
#include "statistics_window_test.moc"
