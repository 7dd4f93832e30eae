#include <QTemporaryDir>
#include <QtTest>

#include "nav/fractal_parameters.h"
#include "renderer_of_view.h"
#include "running_program.h"

// Resizing the picture window makes the picture that size with the view's
// centre and step kept, the frame exactly the renderer's of that size and view.
class PictureResizeTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<RunningProgram> program;
    QTemporaryDir folder;

    static void WaitForPictureSize(int width, int height)
    {
        QTRY_VERIFY_WITH_TIMEOUT(State.PicWidth == width && State.PicHeight == height, 60000);
        RunningProgram::WaitForFrame();
    }

    void ExpectRendererPicture()
    {
        const QImage shown = program->picture->picture().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), QSize(State.PicWidth, State.PicHeight));
        const QImage rendered = RendererPictureOfView(folder.path());
        QVERIFY(!rendered.isNull());
        QCOMPARE(rendered.size(), shown.size());
        QVERIFY(rendered == shown);
    }

private slots:
    void init()
    {
        QVERIFY(folder.isValid());
        program = std::make_unique<RunningProgram>(320, 240);
        State.AutoIterIncrease = 0;
    }
    void cleanup() { program.reset(); }

    void growingAndShrinkingKeepCentreAndStep()
    {
        const long double step = State.StepRe;
        const long double centreRe = (State.Realmin + State.Realmax) / 2;
        const long double centreIm = (State.Imagmin + State.Imagmax) / 2;
        program->picture->resize(521, 390);
        WaitForPictureSize(521, 390);
        QCOMPARE(program->picture->size(), QSize(521, 390));
        QVERIFY(std::fabs(static_cast<double>(State.StepRe - step)) < 1e-15);
        QVERIFY(std::fabs(static_cast<double>((State.Realmin + State.Realmax) / 2 - centreRe)) <
                static_cast<double>(step));
        QVERIFY(std::fabs(static_cast<double>((State.Imagmin + State.Imagmax) / 2 - centreIm)) <
                static_cast<double>(step));
        ExpectRendererPicture();

        program->picture->resize(200, 150);
        WaitForPictureSize(200, 150);
        ExpectRendererPicture();
    }

    void picSizeStillSetsTheWindowToItsExactSize()
    {
        QVERIFY(ChoosePictureSize(PictureSizeEntryFor(352, 288)));
        State.FrameValid = 0;
        Redraw();
        QCOMPARE(program->picture->size(), QSize(352, 288));
        RunningProgram::WaitForFrame();
        QCOMPARE(State.PicWidth, 352);
        QCOMPARE(State.PicHeight, 288);
    }
};

QTEST_MAIN(PictureResizeTest)
#include "picture_resize_test.moc"
