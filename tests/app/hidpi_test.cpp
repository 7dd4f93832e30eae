#include <QWheelEvent>
#include <QtTest>

#include "running_program.h"

// With the desktop scaled by 2 (QT_SCALE_FACTOR=2 from the test's
// environment) the picture has the screen's device pixels, shown 1:1 in a
// window of half as many units, and the mouse points at device pixels.
class HiDpiTest : public QObject {
    Q_OBJECT

private slots:
    void pictureHasDevicePixelsAndTheMousePointsAtThem()
    {
        RunningProgram program(640, 480);
        State.AutoIterIncrease = 0;
        QCOMPARE(program.picture->devicePixelRatioF(), 2.0);
        QCOMPARE(program.picture->size(), QSize(320, 240));
        QCOMPARE(program.picture->picture().size(), QSize(640, 480));
        QCOMPARE(State.PicWidth, 640);

        // Device pixel (160, 120) is a quarter of the way in: as at 1:1.
        const QPointF at(80, 60);
        QWheelEvent wheel(at, program.picture->mapToGlobal(at), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(program.picture.get(), &wheel);
        RunningProgram::WaitForFrame();
        QVERIFY(std::fabs(static_cast<double>(State.Realmin - -2.0L)) < 1e-15);
        QVERIFY(std::fabs(static_cast<double>(State.Realmax - 0.0L)) < 1e-15);
        QVERIFY(std::fabs(static_cast<double>(State.Imagmin - -1.125L)) < 1e-15);
        QVERIFY(std::fabs(static_cast<double>(State.Imagmax - 0.375L)) < 1e-15);

        // A window of 250 x 200 units holds 500 x 400 device pixels.
        program.picture->resize(250, 200);
        QTRY_VERIFY_WITH_TIMEOUT(State.PicWidth == 500 && State.PicHeight == 400, 60000);
        RunningProgram::WaitForFrame();
        QCOMPARE(program.picture->picture().size(), QSize(500, 400));
    }
};

QTEST_MAIN(HiDpiTest)
#include "hidpi_test.moc"
