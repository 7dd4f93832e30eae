#include <QAction>
#include <QMenuBar>
#include <QApplication>
#include <QtTest>

#include "app/desktop_startup.h"
#include "engine/big_view.h"
#include "engine/view_texts.h"
#include "files/image_parameter_file.h"
#include "files/parameter_file.h"
#include "windows/statistics_window.h"
#include "running_program.h"

// The desktop windows on the offscreen platform; every message box and file
// dialog is answered by a headless platform.
class DesktopTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<RunningProgram> program;

    void Open(int width, int height)
    {
        program.reset();
        program = std::make_unique<RunningProgram>(width, height);
    }

    static void WaitForFrame() { RunningProgram::WaitForFrame(); }

    void Click(Qt::MouseButton button, QPoint at)
    {
        QTest::mouseClick(program->picture.get(), button, Qt::NoModifier, at);
        WaitForFrame();
    }

    static void ExpectView(long double rmin, long double rmax, long double imin, long double imax)
    {
        QCOMPARE(State.Realmin, rmin);
        QCOMPARE(State.Realmax, rmax);
        QCOMPARE(State.Imagmin, imin);
        QCOMPARE(State.Imagmax, imax);
    }

private slots:
    void cleanup() { program.reset(); }

    void firstFrameAndTitles()
    {
        Open(640, 480);
        QVERIFY(program->menu->windowTitle().startsWith("QUORVATIX - (Time: "));
        QVERIFY(program->menu->windowTitle().endsWith(") - Mandelbrot"));
        QCOMPARE(program->picture->windowTitle(), QString("QUORVATIX (Deeplimit:-3)"));
        QCOMPARE(program->picture->picture().size(), QSize(640, 480));
    }

    void clickAndRightClickZoom()
    {
        Open(640, 480);
        Click(Qt::LeftButton, {320, 240});
        ExpectView(-1.5L, 0.5L, -0.75L, 0.75L);
        Open(640, 480);
        Click(Qt::RightButton, {100, 100});
        ExpectView(-4.5L, 3.5L, -3.0L, 3.0L);
    }

    void boxZoom()
    {
        Open(640, 480);
        State.BoxedZoom = 1;
        QTest::mousePress(program->picture.get(), Qt::LeftButton, Qt::NoModifier, {100, 100});
        QTest::mouseMove(program->picture.get(), {300, 250});
        QTest::mouseRelease(program->picture.get(), Qt::LeftButton, Qt::NoModifier, {420, 340});
        WaitForFrame();
        ExpectView(-1.875L, 0.125L, -0.875L, 0.625L);
        // A box released where it started changes nothing.
        QTest::mousePress(program->picture.get(), Qt::LeftButton, Qt::NoModifier, {50, 60});
        QTest::mouseRelease(program->picture.get(), Qt::LeftButton, Qt::NoModifier, {50, 60});
        QCOMPARE(State.FrameValid, 1);
        ExpectView(-1.875L, 0.125L, -0.875L, 0.625L);
    }

    void clicksReachDeepZoom()
    {
        Open(32, 24);
        // Centred on a point of the boundary, so every depth has structure.
        ApplyTypedView({"-0.743645887037158704752", "-0.743641887037158704752", "0.131824404205311970493",
                        "0.131827404205311970493"});
        State.IterMax = 8000;  // escapes at this depth take about 6000 iterations
        State.FrameValid = 0;
        program->picture->update();
        WaitForFrame();
        int clicks = 0;
        while (State.DeepZoom == 0 && clicks < 80) {
            Click(Qt::LeftButton, {16, 12});
            ++clicks;
        }
        QCOMPARE(State.DeepZoom, 1);
        Click(Qt::LeftButton, {16, 12});
        QCOMPARE(State.DeepZoom, 1);
        // The view keeps halving in arbitrary precision (the extended frames
        // before carried it through 18-digit texts, hence the tolerance).
        BigFloat width(State.PrecisionBits);
        mpf_sub(width, BigRealmax, BigRealmin);
        const double expected = std::ldexp(4e-6, -(clicks + 1));
        QVERIFY(std::fabs(mpf_get_d(width.get()) / expected - 1) < 1e-3);
        QVERIFY(program->picture->picture().pixel(0, 0) != program->picture->picture().pixel(16, 12) ||
                program->picture->picture().pixel(31, 23) != program->picture->picture().pixel(16, 12));
    }

    void escStopsAHugeFrameAndTheNextCommandComputesAgain()
    {
        Open(64, 48);
        // Row 24 is the real axis, whose orbits for c in [-2, -1.4] wander
        // without repeating: each pixel runs the whole budget.
        ApplyTypedView({"-2", "-1.4", "-1.5", "1.5"});
        State.IterMax = 100000000;
        State.FrameValid = 0;
        QTimer::singleShot(300, [this] { QTest::keyClick(program->picture.get(), Qt::Key_Escape); });
        program->picture->update();
        QTRY_VERIFY_WITH_TIMEOUT(State.FrameAborted == 1 && State.FrameBusy == 0, 30000);
        QCOMPARE(State.FrameValid, 0);
        QVERIFY(program->menu->menuBar()->isEnabled());
        // The stopped picture's own repaints do not start it again.
        program->picture->repaint();
        QTest::qWait(50);
        QCOMPARE(State.FrameBusy, 0);
        QCOMPARE(State.FrameAborted, 1);

        State.IterMax = 100;
        Click(Qt::RightButton, {32, 24});
        QCOMPARE(State.FrameAborted, 0);
        QCOMPARE(State.FrameValid, 1);
    }

    void backAndForwardThroughZooms()
    {
        Open(64, 48);
        Click(Qt::LeftButton, {32, 24});
        Click(Qt::LeftButton, {16, 12});
        const long double zoomedRealmin = State.Realmin;
        program->menu->DispatchCommand(200);  // Back
        WaitForFrame();
        ExpectView(-1.5L, 0.5L, -0.75L, 0.75L);
        program->menu->DispatchCommand(201);  // Forward
        WaitForFrame();
        QCOMPARE(State.Realmin, zoomedRealmin);
        QCOMPARE(program->menu->ActionFor(200)->shortcut(), QKeySequence("Alt+Left"));
    }

    void realtimeMovieRunsUntilEscAndClosesTheToolWindows()
    {
        Open(64, 48);
        QVERIFY(program->OpenToolWindow<StatisticsWindow>(110));
        program->answers.answers = {"OK"};
        QTimer::singleShot(1500, [this] { QTest::keyClick(program->picture.get(), Qt::Key_Escape); });
        program->menu->DispatchCommand(192);
        QVERIFY(program->picture->windowTitle().startsWith("Fps: ") ||
                program->picture->windowTitle().startsWith("QUORVATIX"));
        QCOMPARE(State.MovieMode, 0);
        QCOMPARE(State.FrameAborted, 0);
        QCOMPARE(State.PicWidth, 64);
        for (QWidget* window : QApplication::topLevelWidgets())
            QVERIFY(!dynamic_cast<StatisticsWindow*>(window) || !window->isVisible());
    }

    void originalMandelbrotAndCancel()
    {
        Open(64, 48);
        Click(Qt::LeftButton, {10, 10});
        State.PaletteExp2 = 1;
        program->answers.answers = {"Cancel"};
        program->menu->DispatchCommand(155);
        QCOMPARE(State.PaletteExp2, 0);
        QCOMPARE(State.FrameValid, 0);
        QVERIFY(State.Realmin != -2.5L);
        WaitForFrame();
        program->answers.answers = {"OK"};
        program->menu->DispatchCommand(155);
        QCOMPARE(State.Bailout, 100.0);
        QCOMPARE(State.Realmin, -2.5L);
        QCOMPARE(program->answers.messages.back().text, std::string("Main Mandelbrot?"));
        WaitForFrame();
    }

    void exitAsksFirst()
    {
        Open(64, 48);
        program->answers.answers = {"Cancel"};
        program->menu->DispatchCommand(145);
        QCOMPARE(State.QuitRequested, 0);
        QCOMPARE(program->answers.messages.back().text, std::string("Do you want to quit?"));
        program->answers.answers = {"OK"};
        program->menu->DispatchCommand(145);
        QCOMPARE(State.QuitRequested, 1);
    }

    void menusInOrderWithTheirIds()
    {
        Open(64, 48);
        const QList<QAction*> bar = program->menu->menuBar()->actions();
        QCOMPARE(bar.size(), 4);
        QCOMPARE(bar[0]->text(), QString("&File"));
        QCOMPARE(bar[3]->text(), QString("&Help"));
        QVERIFY(program->menu->ActionFor(120)->isEnabled());
        QCOMPARE(program->menu->ActionFor(120)->text(), QString("Load Fractal"));
        QCOMPARE(program->menu->ActionFor(120)->shortcut(), QKeySequence("Ctrl+O"));
        for (int toolWindow : {110, 160, 165, 166})
            QVERIFY(program->menu->ActionFor(toolWindow)->isEnabled());
        program->answers.answers = {""};
        program->menu->DispatchCommand(180);
        QCOMPARE(program->answers.messages.back().text, std::string("Helpfile: \nquorvatix.html not found!"));
    }

    void browseChecksTheFolder()
    {
        Open(64, 48);
        QTemporaryDir folder;
        program->answers.answers = {folder.path().toStdString()};
        program->menu->DispatchCommand(115);
        QCOMPARE(program->answers.messages.back().text, std::string("No parameterfiles found in this folder!"));
        QCOMPARE(program->answers.messages.back().caption, std::string("QUORVATIX\""));
        const size_t shown = program->answers.messages.size();
        program->answers.answers = {""};  // cancelled: nothing more
        program->menu->DispatchCommand(115);
        QCOMPARE(program->answers.messages.size(), shown);
    }

    void secondInstanceIsRefused()
    {
        bool running = true;
        auto first = AcquireSingleInstanceLock(&running);
        QVERIFY(first);
        QVERIFY(!running);
        auto second = AcquireSingleInstanceLock(&running);
        QVERIFY(!second);
        QVERIFY(running);
    }

    // A double-click in a file manager names any of the four kinds of file.
    void commandLineFileOfEveryKind()
    {
        QTemporaryDir folder;
        const std::string base = folder.path().toStdString();
        Open(64, 48);
        // A file with picture under a plain parameter file's name: the content decides.
        const std::string withPicture = base + "/picture.fra";
        const std::string plain = base + "/plain.fra";
        QVERIFY(SaveFpiFile(withPicture));
        QVERIFY(SaveFraFile(plain));
        const int32_t iterations = State.IterMax;

        Open(32, 24);
        QVERIFY(LoadCommandLineFile(withPicture));
        QCOMPARE(State.PicWidth, 64);  // the stored picture, not one computed at 32 x 24
        QCOMPARE(State.PictureLocked, 1);
        QCOMPARE(State.FrameValid, 1);
        QCOMPARE(State.TitleFileName, withPicture);

        Open(32, 24);
        State.IterMax = 10;
        QVERIFY(LoadCommandLineFile(plain));
        QCOMPARE(State.IterMax, iterations);
        QCOMPARE(State.PicWidth, 32);
        QCOMPARE(State.PictureLocked, 0);
        QCOMPARE(State.FrameValid, 0);

        const std::string damaged = base + "/damaged.fpz";
        QFile text(QString::fromStdString(damaged));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("7 is not enough");
        text.close();
        QVERIFY(!LoadCommandLineFile(damaged));
        QCOMPARE(program->answers.messages.back().text, std::string("Not a quorvatix-file!"));
        QCOMPARE(State.TitleFileName, plain);

        const size_t shown = program->answers.messages.size();
        QVERIFY(!LoadCommandLineFile(base + "/missing.fra"));
        QVERIFY(!LoadCommandLineFile(base));
        QCOMPARE(program->answers.messages.size(), shown);
    }

    void quotedCommandLinePath()
    {
        QCOMPARE(CommandLineFile({"\"/tmp/my fractals/spiral.fra\""}), std::string("/tmp/my fractals/spiral.fra"));
        QCOMPARE(CommandLineFile({"/tmp/my", "fractals/spiral.fra"}), std::string("/tmp/my fractals/spiral.fra"));
        QCOMPARE(CommandLineFile({}), std::string());
    }
};

QTEST_MAIN(DesktopTest)
#include "desktop_test.moc"
