#include <QTemporaryDir>
#include <QtTest>

#include "engine/supersampling.h"
#include "renderer_of_view.h"
#include "running_program.h"

// "Save Picture" with a supersampling setting writes exactly the renderer's
// --supersample picture of the same view and size.
class SupersampledSaveTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<RunningProgram> program;
    QTemporaryDir folder;

    void ExpectRendererPictureSavedAt(int32_t n)
    {
        Supersampling = n;
        const QString saved = folder.filePath("saved.png");
        program->answers.answers.push_back(saved.toStdString());
        program->menu->DispatchCommand(135);  // "Save Picture"
        QVERIFY(program->answers.messages.empty());
        const QImage desktop = QImage(saved).convertToFormat(QImage::Format_RGB32);
        const QImage rendered = RendererPictureOfView(folder.path(), {"--supersample", QString::number(n)});
        QVERIFY(!rendered.isNull());
        QCOMPARE(desktop.size(), QSize(State.PicWidth, State.PicHeight));
        QVERIFY(desktop == rendered);
    }

private slots:
    void init()
    {
        QVERIFY(folder.isValid());
        program = std::make_unique<RunningProgram>(96, 72);
        State.AutoIterIncrease = 0;
    }
    void cleanup()
    {
        Supersampling = 1;
        program.reset();
    }

    void startViewAndAZoomedViewAtTwoAndThree()
    {
        ExpectRendererPictureSavedAt(2);
        QTest::mouseClick(program->picture.get(), Qt::LeftButton, Qt::NoModifier, {30, 20});
        RunningProgram::WaitForFrame();
        QTest::mouseClick(program->picture.get(), Qt::LeftButton, Qt::NoModifier, {60, 50});
        RunningProgram::WaitForFrame();
        ExpectRendererPictureSavedAt(3);
    }
};

QTEST_MAIN(SupersampledSaveTest)
#include "supersampled_save_test.moc"
