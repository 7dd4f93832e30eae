#include <QClipboard>
#include <QWindow>
#include <QtTest>

#include "windows/julia_finder_window.h"
#include "running_program.h"

// The finder over the program's own windows on the offscreen platform.
class JuliaFinderTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<RunningProgram> program;
    PictureWindow* picture = nullptr;
    MainWindow* menu = nullptr;

    void Open(int width, int height)
    {
        program.reset();
        program = std::make_unique<RunningProgram>(width, height);
        picture = program->picture.get();
        menu = program->menu.get();
    }

    static void WaitForFrame() { RunningProgram::WaitForFrame(); }

    template <class Window>
    static Window* Shown()
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* window = dynamic_cast<Window*>(widget); window && window->isVisible())
                return window;
        return nullptr;
    }

    // A movement to any point, (0, 0) included (QTest takes it for "centre").
    static void MoveTo(QWidget* window, QPoint at)
    {
        QMouseEvent move(QEvent::MouseMove, at, window->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(window, &move);
    }

    // A press alone: the finder it ends is gone before a release could reach it.
    static void PressRight(QWidget* window, QPoint at)
    {
        QMouseEvent press(QEvent::MouseButtonPress, at, window->mapToGlobal(at), Qt::RightButton, Qt::RightButton,
                          Qt::NoModifier);
        QApplication::sendEvent(window, &press);
    }

    // Opens the finder and moves the pointer onto it; returns the finder.
    JuliaFinderWindow* OpenFinderAndMove(QPoint to)
    {
        JuliaFinderCommand(picture, menu);
        JuliaFinderWindow* finder = Shown<JuliaFinderWindow>();
        if (finder)
            MoveTo(finder, to);
        return finder;
    }

    void ExpectMainWindowsBack()
    {
        QVERIFY(picture->isVisible() && picture->isEnabled());
        QVERIFY(menu->isVisible() && menu->isEnabled());
        QVERIFY(!Shown<JuliaFinderWindow>());
        QVERIFY(!Shown<JuliaPreviewWindow>());
        QCOMPARE(State.JuliaFinderActive, 0);
    }

private slots:
    void cleanup()
    {
        // A failed test may leave its finder open.
        while (JuliaFinderWindow* finder = Shown<JuliaFinderWindow>())
            delete finder;
        program.reset();
    }

    void pickTheConstantWithTheRightButton()
    {
        Open(320, 240);
        QGuiApplication::clipboard()->setText("kept");
        const QImage mandelbrot = picture->picture();
        State.IterMax = 1000;

        JuliaFinderCommand(picture, menu);
        JuliaFinderWindow* finder = Shown<JuliaFinderWindow>();
        JuliaPreviewWindow* preview = Shown<JuliaPreviewWindow>();
        QVERIFY(finder && preview);
        QCOMPARE(finder->windowTitle(), QString("JULIAFINDER - Click right mouse button when ready"));
        QCOMPARE(finder->size(), QSize(320, 240));
        QCOMPARE(finder->pos(), QPoint(0, 0));
        QCOMPARE(finder->cursor().shape(), Qt::CrossCursor);
        QCOMPARE(finder->picture(), mandelbrot);
        QCOMPARE(preview->windowTitle(), QString("JULIA"));
        QCOMPARE(preview->size(), QSize(200, 160));
        QCOMPARE(preview->pos(), QPoint(660, 60));
        QVERIFY(!picture->isVisible() && !picture->isEnabled());
        QVERIFY(!menu->isVisible() && !menu->isEnabled());
        QCOMPARE(State.MultiThreaded, 0);
        // The picture travelled privately.
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("kept"));
        QVERIFY(QGuiApplication::clipboard()->image().isNull());

        MoveTo(finder, {0, 0});
        QCOMPARE(State.JuliaRe, State.Realmin);
        QCOMPARE(State.JuliaIm, State.Imagmin);
        QCOMPARE(State.IterMax, 200);
        QVERIFY(picture->isEnabled() && !picture->isVisible());
        QCOMPARE(State.MultiThreaded, 1);
        // The preview shows the rendering of the constant, each row in its place.
        QImage black(200, 160, QImage::Format_RGB32);
        black.fill(Qt::black);
        QTRY_VERIFY(preview->picture() != black);
        std::vector<uint32_t> expected;
        RenderJuliaPreview([&](int32_t, const uint32_t* pixels, int32_t width) {
            expected.insert(expected.end(), pixels, pixels + width);
        });
        const QImage shown = preview->picture();
        QCOMPARE(shown.size(), QSize(200, 160));
        for (int y = 0; y < 160; ++y)
            QVERIFY(std::equal(expected.begin() + y * 200, expected.begin() + (y + 1) * 200,
                               reinterpret_cast<const uint32_t*>(shown.constScanLine(y)),
                               [](uint32_t a, uint32_t b) { return a == (b & 0xFFFFFFu); }));

        MoveTo(finder, {100, 50});
        const long double re = State.JuliaRe;
        PressRight(finder, {100, 50});
        WaitForFrame();
        QTRY_VERIFY(!Shown<JuliaFinderWindow>());
        ExpectMainWindowsBack();
        QCOMPARE(State.FractalFlags & 3, 2);
        QCOMPARE(State.IterMax, 200);
        QCOMPARE(State.JuliaRe, re);
        QCOMPARE(State.JuliaRealmin, -1.8L);
        QCOMPARE(State.JuliaImagmax, 1.8L);
        QVERIFY(picture->picture() != mandelbrot);
    }

    void closingTheFinderGivesEverythingBack()
    {
        Open(320, 240);
        State.IterMax = 333;
        State.MultiThreaded = 1;
        State.ProcessorCount = 1;  // the first movement leaves "Multi-threaded" off
        const QImage mandelbrot = picture->picture();
        const auto results = Results.IterBuffer;
        State.ElapsedSeconds = 12345;  // a new frame would overwrite it

        JuliaFinderWindow* finder = OpenFinderAndMove({30, 40});
        QVERIFY(finder);
        QTRY_VERIFY(State.JuliaRe == State.Realmin + State.StepRe * 30 && State.FrameBusy == 0);
        finder->windowHandle()->close();  // as the window manager closes it
        ExpectMainWindowsBack();
        QTest::qWait(50);
        QCOMPARE(State.IterMax, 333);
        QCOMPARE(State.MultiThreaded, 1);
        QCOMPARE(State.FrameValid, 1);
        QCOMPARE(State.FractalFlags & 3, 1);
        QCOMPARE(State.ElapsedSeconds, 12345.0f);
        QCOMPARE(Results.IterBuffer, results);
        QCOMPARE(picture->picture(), mandelbrot);

        // Closing the preview is the same; closing before any movement too.
        JuliaFinderCommand(picture, menu);
        QVERIFY(Shown<JuliaPreviewWindow>());
        Shown<JuliaPreviewWindow>()->windowHandle()->close();
        ExpectMainWindowsBack();
        QCOMPARE(State.IterMax, 333);
    }

    void escCancelsAndDoesNotStopTheNextFrame()
    {
        Open(64, 48);
        JuliaFinderWindow* finder = OpenFinderAndMove({10, 10});
        QVERIFY(finder);
        QTest::keyClick(finder, Qt::Key_Escape);
        ExpectMainWindowsBack();
        QTest::mouseClick(picture, Qt::LeftButton, Qt::NoModifier, {32, 24});
        WaitForFrame();
        QCOMPARE(State.FrameAborted, 0);

        JuliaFinderCommand(picture, menu);
        QVERIFY(Shown<JuliaPreviewWindow>());
        QTest::keyClick(Shown<JuliaPreviewWindow>(), Qt::Key_Escape);
        ExpectMainWindowsBack();
    }
};

QTEST_MAIN(JuliaFinderTest)
#include "julia_finder_test.moc"
