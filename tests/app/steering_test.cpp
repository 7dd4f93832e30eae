#include <QWheelEvent>
#include <QtTest>

#include "nav/zoom_navigation.h"
#include "running_program.h"

// The wheel, drags and keys in the picture window, each giving the view the
// plain view functions give, and the frame computed for it.
class SteeringTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<RunningProgram> program;

    QWidget* Picture() const { return program->picture.get(); }

    void ExpectView(long double rmin, long double rmax, long double imin, long double imax)
    {
        RunningProgram::WaitForFrame();
        QVERIFY(std::fabs(static_cast<double>(State.Realmin - rmin)) < 1e-15);
        QVERIFY(std::fabs(static_cast<double>(State.Realmax - rmax)) < 1e-15);
        QVERIFY(std::fabs(static_cast<double>(State.Imagmin - imin)) < 1e-15);
        QVERIFY(std::fabs(static_cast<double>(State.Imagmax - imax)) < 1e-15);
    }

    void Wheel(QPoint at, int angle)
    {
        QWheelEvent event(at, Picture()->mapToGlobal(at), {}, {0, angle}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(Picture(), &event);
    }

private slots:
    void init()
    {
        program = std::make_unique<RunningProgram>(640, 480);
        State.AutoIterIncrease = 0;
    }
    void cleanup() { program.reset(); }

    void wheelZoomsAboutThePointer()
    {
        Wheel({160, 120}, 120);
        ExpectView(-2, 0, -1.125L, 0.375L);
        Wheel({160, 120}, -60);  // half a notch does nothing yet
        QCOMPARE(State.FrameValid, 1);
        Wheel({160, 120}, -60);
        ExpectView(-2.5L, 1.5L, -1.5L, 1.5L);
    }

    void middleAndShiftDragMoveTheView()
    {
        QTest::mousePress(Picture(), Qt::MiddleButton, Qt::NoModifier, {100, 100});
        QTest::mouseMove(Picture(), {164, 52});
        QCOMPARE(State.FrameValid, 1);  // only the old picture moves meanwhile
        QTest::mouseRelease(Picture(), Qt::MiddleButton, Qt::NoModifier, {164, 52});
        ExpectView(-2.9L, 1.1L, -1.2L, 1.8L);
        QTest::mousePress(Picture(), Qt::LeftButton, Qt::ShiftModifier, {164, 52});
        QTest::mouseRelease(Picture(), Qt::LeftButton, Qt::ShiftModifier, {100, 100});
        ExpectView(-2.5L, 1.5L, -1.5L, 1.5L);
    }

    void keysMoveZoomAndGoHome()
    {
        QTest::keyClick(Picture(), Qt::Key_Right);  // a tenth of the picture
        ExpectView(-2.1L, 1.9L, -1.5L, 1.5L);
        QTest::keyClick(Picture(), Qt::Key_Up);
        ExpectView(-2.1L, 1.9L, -1.8L, 1.2L);
        QTest::keyClick(Picture(), Qt::Key_Plus);
        ExpectView(-1.1L, 0.9L, -1.05L, 0.45L);
        QTest::keyClick(Picture(), Qt::Key_Minus);
        ExpectView(-2.1L, 1.9L, -1.8L, 1.2L);
        program->answers.answers = {"OK"};
        QTest::keyClick(Picture(), Qt::Key_Home);
        QCOMPARE(program->answers.messages.back().text, std::string("Main Mandelbrot?"));
        ExpectView(-2.5L, 1.5L, -1.5L, 1.5L);
    }
};

QTEST_MAIN(SteeringTest)
#include "steering_test.moc"
