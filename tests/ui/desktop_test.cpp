#include <QAction>
#include <QMenuBar>
#include <QApplication>
#include <QtTest>

#include "app/desktop_startup.h"
#include "app/main_window.h"
#include "engine/big_view.h"
#include "engine/fractal_state.h"
#include "engine/view_texts.h"
#include "frame/startup.h"
#include "frame/frame_driver.h"
#include "nav/picture_window.h"
#include "nav/view_history.h"
#include "nav/tool_window.h"
#include "platform/headless_platform.h"
#include "platform/qt/qt_platform.h"

// The desktop windows on the offscreen platform; every message box and file
// dialog is answered by a headless platform.
class DesktopTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QtPlatform> platform;
    HeadlessPlatform answers;
    std::unique_ptr<PictureWindow> picture;
    std::unique_ptr<MainWindow> menu;

    void Open(int width, int height)
    {
        menu.reset();  // owned by the picture window: goes first
        picture.reset();
        answers = HeadlessPlatform();
        platform = std::make_unique<QtPlatform>();
        platform->SetDialogAnswerer(&answers);
        ConnectToolWindows(*platform);
        InstallPlatform(platform.get());
        StartUpEngine(1280, 1024, 2);
        ClearViewHistory();
        InstalledFrameHooks.frameShown = &RecordShownView;
        State.PicWidth = width;
        State.PicHeight = height;
        Results.Allocate(width, height);
        picture = std::make_unique<PictureWindow>();
        menu = std::make_unique<MainWindow>(picture.get());
        platform->SetWindows(menu.get(), picture.get());
        picture->setFixedSize(width, height);
        menu->show();
        picture->show();
        WaitForFrame();
    }

    static void WaitForFrame()
    {
        QTRY_VERIFY_WITH_TIMEOUT(State.FrameValid == 1 && State.FrameBusy == 0, 60000);
    }

    void Click(Qt::MouseButton button, QPoint at)
    {
        QTest::mouseClick(picture.get(), button, Qt::NoModifier, at);
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
    void cleanup()
    {
        menu.reset();  // owned by the picture window: goes first
        picture.reset();
        InstallPlatform(nullptr);
        platform.reset();
    }

    void firstFrameAndTitles()
    {
        Open(640, 480);
        QVERIFY(menu->windowTitle().startsWith("QUORVATIX - (Time: "));
        QVERIFY(menu->windowTitle().endsWith(") - Mandelbrot"));
        QCOMPARE(picture->windowTitle(), QString("QUORVATIX (Deeplimit:-3)"));
        QCOMPARE(picture->picture().size(), QSize(640, 480));
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
        QTest::mousePress(picture.get(), Qt::LeftButton, Qt::NoModifier, {100, 100});
        QTest::mouseMove(picture.get(), {300, 250});
        QTest::mouseRelease(picture.get(), Qt::LeftButton, Qt::NoModifier, {420, 340});
        WaitForFrame();
        ExpectView(-1.875L, 0.125L, -0.875L, 0.625L);
        // A box released where it started changes nothing.
        QTest::mousePress(picture.get(), Qt::LeftButton, Qt::NoModifier, {50, 60});
        QTest::mouseRelease(picture.get(), Qt::LeftButton, Qt::NoModifier, {50, 60});
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
        picture->update();
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
        QVERIFY(picture->picture().pixel(0, 0) != picture->picture().pixel(16, 12) ||
                picture->picture().pixel(31, 23) != picture->picture().pixel(16, 12));
    }

    void escStopsAHugeFrameAndTheNextCommandComputesAgain()
    {
        Open(64, 48);
        ApplyTypedView({"-0.2", "0.2", "-0.15", "0.15"});  // inside the set
        State.IterMax = 10000000;
        State.FrameValid = 0;
        QTimer::singleShot(300, [this] { QTest::keyClick(picture.get(), Qt::Key_Escape); });
        picture->update();
        QTRY_VERIFY_WITH_TIMEOUT(State.FrameAborted == 1 && State.FrameBusy == 0, 30000);
        QCOMPARE(State.FrameValid, 0);
        QVERIFY(menu->menuBar()->isEnabled());
        // The stopped picture's own repaints do not start it again.
        picture->repaint();
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
        menu->DispatchCommand(200);  // Back
        WaitForFrame();
        ExpectView(-1.5L, 0.5L, -0.75L, 0.75L);
        menu->DispatchCommand(201);  // Forward
        WaitForFrame();
        QCOMPARE(State.Realmin, zoomedRealmin);
        QCOMPARE(menu->ActionFor(200)->shortcut(), QKeySequence("Alt+Left"));
    }

    void originalMandelbrotAndCancel()
    {
        Open(64, 48);
        Click(Qt::LeftButton, {10, 10});
        State.PaletteExp2 = 1;
        answers.answers = {"Cancel"};
        menu->DispatchCommand(155);
        QCOMPARE(State.PaletteExp2, 0);
        QCOMPARE(State.FrameValid, 0);
        QVERIFY(State.Realmin != -2.5L);
        WaitForFrame();
        answers.answers = {"OK"};
        menu->DispatchCommand(155);
        QCOMPARE(State.Bailout, 100.0);
        QCOMPARE(State.Realmin, -2.5L);
        QCOMPARE(answers.messages.back().text, std::string("Main Mandelbrot?"));
        WaitForFrame();
    }

    void exitAsksFirst()
    {
        Open(64, 48);
        answers.answers = {"Cancel"};
        menu->DispatchCommand(145);
        QCOMPARE(State.QuitRequested, 0);
        QCOMPARE(answers.messages.back().text, std::string("Do you want to quit?"));
        answers.answers = {"OK"};
        menu->DispatchCommand(145);
        QCOMPARE(State.QuitRequested, 1);
    }

    void menusInOrderWithTheirIds()
    {
        Open(64, 48);
        const QList<QAction*> bar = menu->menuBar()->actions();
        QCOMPARE(bar.size(), 4);
        QCOMPARE(bar[0]->text(), QString("&File"));
        QCOMPARE(bar[3]->text(), QString("&Help"));
        QVERIFY(menu->ActionFor(120)->isEnabled());
        QCOMPARE(menu->ActionFor(120)->text(), QString("Load Fractal"));
        QCOMPARE(menu->ActionFor(120)->shortcut(), QKeySequence("Ctrl+O"));
        for (int toolWindow : {110, 160, 165, 166})
            QVERIFY(menu->ActionFor(toolWindow)->isEnabled());
        answers.answers = {""};
        menu->DispatchCommand(180);
        QCOMPARE(answers.messages.back().text, std::string("Helpfile: \nquorvatix.html not found!"));
    }

    void browseChecksTheFolder()
    {
        Open(64, 48);
        QTemporaryDir folder;
        answers.answers = {folder.path().toStdString()};
        menu->DispatchCommand(115);
        QCOMPARE(answers.messages.back().text, std::string("No parameterfiles found in this folder!"));
        QCOMPARE(answers.messages.back().caption, std::string("QUORVATIX\""));
        const size_t shown = answers.messages.size();
        answers.answers = {""};  // cancelled: nothing more
        menu->DispatchCommand(115);
        QCOMPARE(answers.messages.size(), shown);
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

    void quotedCommandLinePath()
    {
        QCOMPARE(CommandLineFile({"\"/tmp/my fractals/spiral.fra\""}), std::string("/tmp/my fractals/spiral.fra"));
        QCOMPARE(CommandLineFile({"/tmp/my", "fractals/spiral.fra"}), std::string("/tmp/my fractals/spiral.fra"));
        QCOMPARE(CommandLineFile({}), std::string());
    }
};

QTEST_MAIN(DesktopTest)
#include "desktop_test.moc"
