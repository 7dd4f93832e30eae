#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "color/display.h"
#include "engine/supersampling.h"

#include "frame/frame_driver.h"
#include "windows/parameters_dialog.h"
#include "platform/qt/user_settings.h"
#include "running_program.h"

// The "Fractal parameters" window on the offscreen platform, opened from the
// menu over a small picture; messages are answered by a headless platform.
class ParametersDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<RunningProgram> program;
    QPointer<ParametersDialog> dialog;

    void Open(int32_t processorCount)
    {
        program = std::make_unique<RunningProgram>(64, 48, processorCount);
        State.IterMax = 50;
        dialog = program->OpenToolWindow<ParametersDialog>(165);
        QVERIFY(dialog);
    }

    static void WaitForFrame() { RunningProgram::WaitForFrame(); }

    static void Type(QLineEdit* field, const QString& text)
    {
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
    }

    static void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    // On the box itself: a check box wider than its text ignores clicks beside it.
    static void Click(QCheckBox* box)
    {
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(8, box->height() / 2));
    }

    static void Choose(QListWidget* list, int row)
    {
        list->scrollToItem(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(row)).center());
    }

private slots:
    // Settings go to a test folder, not the user's.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { program.reset(); }

    void fastDeepZoomIsKeptInTheUserSettings()
    {
        Open(2);
        QCheckBox* fast = dialog->optionBox(ParameterOption::FastDeepZoom);
        QCOMPARE(fast->text(), QString("Fast deep zoom"));
        const bool before = fast->isChecked();
        Click(fast);
        QCOMPARE(State.FastDeepZoom, before ? 0 : 1);
        State.FastDeepZoom = before ? 1 : 0;
        LoadUserSettings();
        QCOMPARE(State.FastDeepZoom, before ? 0 : 1);
        Click(fast);
        LoadUserSettings();
        QCOMPARE(State.FastDeepZoom, before ? 1 : 0);
    }

    // The choice outlives the program, and "Save Picture" writes at it while
    // the picture on screen and its view stay as they were.
    void supersamplingIsKeptAndSavePictureUsesIt()
    {
        Open(2);
        QListWidget* list = dialog->supersamplingList();
        QCOMPARE(list->count(), 8);
        QCOMPARE(list->item(3)->text(), QString("4 x 4"));
        Choose(list, 0);
        QCOMPARE(Supersampling, 1);
        QTemporaryDir folder;
        const std::string plain = folder.filePath("plain.png").toStdString();
        const std::string fine = folder.filePath("fine.png").toStdString();
        program->answers.answers.push_back(plain);
        program->menu->DispatchCommand(135);

        Choose(list, 2);
        QCOMPARE(Supersampling, 3);
        Supersampling = 1;
        LoadUserSettings();
        QCOMPARE(Supersampling, 3);
        const auto shown = FrameImage.pixels;
        const long double stepRe = State.StepRe;
        program->answers.answers.push_back(fine);
        program->menu->DispatchCommand(135);
        QCOMPARE(QImage(fine.c_str()).size(), QSize(64, 48));
        QVERIFY(QImage(fine.c_str()) != QImage(plain.c_str()));
        QVERIFY(FrameImage.pixels == shown);
        QCOMPARE(State.StepRe, stepRe);
        QCOMPARE(State.PicWidth, 64);
        QCOMPARE(Results.IterBuffer.size(), size_t{66 * 50});
        QVERIFY(program->answers.messages.empty());
        Choose(list, 0);
    }

    void showsTheState()
    {
        Open(2);
        QCOMPARE(dialog->windowTitle(), QString("Fractal parameters"));
        QCOMPARE(dialog->iterMaxField()->text(), QString(" 50"));
        QCOMPARE(dialog->bailoutField()->text(), QString(" 128"));
        QCOMPARE(dialog->potValueField()->text(), QString(" 0.0001"));
        QCOMPARE(dialog->unzoomField()->text(), QString(" 1.02"));
        QCOMPARE(dialog->threadsField()->text(), QString(" 2"));
        QVERIFY(dialog->optionBox(ParameterOption::Mandelbrot)->isChecked());
        QVERIFY(!dialog->optionBox(ParameterOption::Julia)->isChecked());
        QCOMPARE(dialog->optionBox(ParameterOption::MultiThreaded)->text(), QString("Multi-threaded"));
        QCOMPARE(dialog->pictureSizeList()->count(), 36);
        QCOMPARE(dialog->pictureSizeList()->currentRow(), -1);  // 64 x 48 is not in the list
        QCOMPARE(dialog->picFormatList()->currentItem()->text(), QString("A. JPG"));
        QCOMPARE(dialog->textureList()->currentItem()->text(), QString("Normal  0"));
    }

    void oneProcessorHasNoThreads()
    {
        Open(1);
        QVERIFY(!dialog->threadsField());
        QVERIFY(!dialog->optionBox(ParameterOption::MultiThreaded));
        for (QLabel* label : dialog->findChildren<QLabel*>())
            QVERIFY(label->text() != "Threads:");
        Type(dialog->iterMaxField(), "60");
        Click(dialog->redrawButton());
        QCOMPARE(State.IterMax, 60);
        QCOMPARE(State.ThreadCount, 1);
    }

    void redrawAppliesFieldsAndComputesAFrame()
    {
        Open(2);
        Type(dialog->iterMaxField(), "300");
        Type(dialog->bailoutField(), "1.5");
        Type(dialog->threadsField(), "99");
        State.ElapsedSeconds = -1;  // every frame measures itself
        Click(dialog->redrawButton());
        QCOMPARE(State.FrameValid, 1);
        QVERIFY(State.ElapsedSeconds >= 0);
        QCOMPARE(State.IterMax, 300);
        QCOMPARE(State.Bailout, 2.0);
        QCOMPARE(State.ThreadCount, 2);
        QCOMPARE(dialog->threadsField()->text(), QString(" 2"));
        QCOMPARE(dialog->iterMaxField()->text(), QString(" 300"));
        QCOMPARE(dialog->bailoutField()->text(), QString(" 2"));
    }

    void chosenSizeIsDrawnByRedraw()
    {
        Open(2);
        Choose(dialog->pictureSizeList(), 1);
        QCOMPARE(State.PicWidth, 320);
        QCOMPARE(State.PicHeight, 240);
        Click(dialog->redrawButton());
        QCOMPARE(State.FrameValid, 1);
        QCOMPARE(program->picture->picture().size(), QSize(320, 240));
        QCOMPARE(program->picture->size(), QSize(320, 240));
        QCOMPARE(dialog->pictureSizeList()->currentRow(), 1);
    }

    void applyAndExitKeepsIterMaxAndCloses()
    {
        Open(2);
        State.IterMax = 500;
        dialog->Refresh();
        Type(dialog->iterMaxField(), "200");
        Choose(dialog->picFormatList(), 3);
        QCOMPARE(State.PicFormat, std::string("PNG"));
        Click(dialog->applyAndExitButton());
        QCOMPARE(State.IterMax, 500);
        QTRY_VERIFY(!dialog);
    }

    void checkBoxesActAtOnce()
    {
        Open(2);
        QCheckBox* multiThreaded = dialog->optionBox(ParameterOption::MultiThreaded);
        Click(multiThreaded);
        QCOMPARE(State.MultiThreaded, 0);
        QCOMPARE(State.ThreadCount, 1);
        QVERIFY(!multiThreaded->isChecked());
        QVERIFY(!dialog->threadsField()->isEnabled());


        // Turning deep zoom off is refused on a deep view: the box stays ticked.
        State.DeepZoom = 1;
        State.DeepLimit = -20;
        dialog->Refresh();
        Click(dialog->optionBox(ParameterOption::DeepZoom));
        QCOMPARE(State.DeepZoom, 1);
        QVERIFY(dialog->optionBox(ParameterOption::DeepZoom)->isChecked());

        Click(dialog->optionBox(ParameterOption::AutoPotValue));
        QCOMPARE(dialog->potValueField()->text(), QString(" 1E-5"));

        Click(dialog->optionBox(ParameterOption::Julia));
        QCOMPARE(State.FractalFlags & 3, 2);
        QVERIFY(dialog->optionBox(ParameterOption::Julia)->isChecked());
        QVERIFY(!dialog->optionBox(ParameterOption::Mandelbrot)->isChecked());
        QVERIFY(!dialog->optionBox(ParameterOption::AutoPotValue)->isChecked());
    }

    void textureSetsModeDefaults()
    {
        Open(2);
        Choose(dialog->textureList(), 1);
        QCOMPARE(DrawingModeNumber(State.FractalFlags), 2);
        QCOMPARE(dialog->bailoutField()->text(), QString(" 4"));
        QVERIFY(dialog->optionBox(ParameterOption::SmoothColor)->isChecked());
        QVERIFY(!dialog->optionBox(ParameterOption::ColorByPotential)->isChecked());
    }

    void typedFieldsSurviveAChoiceUntilTheNextFrame()
    {
        Open(2);
        Type(dialog->iterMaxField(), "300");
        Choose(dialog->textureList(), 6);  // sets the bailout, keeps what was typed
        QCOMPARE(dialog->iterMaxField()->text(), QString("300"));
        QCOMPARE(dialog->bailoutField()->text(), QString(" 4"));
        Click(dialog->redrawButton());
        WaitForFrame();
        QCOMPARE(State.IterMax, 300);

        Type(dialog->iterMaxField(), "400");
        State.FrameValid = 0;
        ::Redraw();  // a frame shows the state again, as a new window would
        QCOMPARE(dialog->iterMaxField()->text(), QString(" 300"));
    }
};

QTEST_MAIN(ParametersDialogTest)
#include "parameters_dialog_test.moc"
