#include <QLabel>


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
};

QTEST_MAIN(StatisticsWindowTest)
#include "statistics_window_test.moc"
