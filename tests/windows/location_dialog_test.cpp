#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include "engine/view_texts.h"
#include "windows/location_dialog.h"
#include "running_program.h"

// The "FRACTAL LOCATION" window on the offscreen platform, opened from the
// menu of the running program.
class LocationDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<RunningProgram> program;

    QPointer<LocationDialog> OpenDialog() { return program->OpenToolWindow<LocationDialog>(166); }

    static QLineEdit* Box(QWidget* dialog, const QString& label)
    {
        for (QLabel* candidate : dialog->findChildren<QLabel*>())
            if (candidate->text() == label)
                return qobject_cast<QLineEdit*>(candidate->buddy());
        return nullptr;
    }

    static QCheckBox* CenterMagBox(QWidget* dialog) { return dialog->findChild<QCheckBox*>(); }

    // A click on the check mark (the box is wider than its mark and text).
    static void ClickCenterMag(QWidget* dialog)
    {
        QCheckBox* box = CenterMagBox(dialog);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }

    static void Type(QWidget* dialog, const QString& label, const QString& text)
    {
        QLineEdit* box = Box(dialog, label);
        QVERIFY(box);
        box->clear();
        QTest::keyClicks(box, text);
    }

    static void PressRedraw(QWidget* dialog)
    {
        auto* button = dialog->findChild<QPushButton*>();
        QVERIFY(button);
        QCOMPARE(button->text(), QString("REDRAW"));
        QTest::mouseClick(button, Qt::LeftButton);
    }

    static void ExpectCentreForm(QWidget* dialog, bool on)
    {
        QCOMPARE(CenterMagBox(dialog)->isChecked(), on);
        for (const char* edge : {"Realmin:", "Realmax:", "Imagmin:", "Imagmax:"})
            QCOMPARE(Box(dialog, edge)->isEnabled(), !on);
        for (const char* centre : {"Real center", "Imag center", "Magnification"})
            QCOMPARE(Box(dialog, centre)->isEnabled(), on);
    }

private slots:
    void init() { program = std::make_unique<RunningProgram>(64, 48); }
    void cleanup() { program.reset(); }

    void showsTheViewOfTheCurrentKind()
    {
        QPointer<LocationDialog> dialog = OpenDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QString("FRACTAL LOCATION"));
        QStringList frames;
        for (QGroupBox* frame : dialog->findChildren<QGroupBox*>())
            if (!frame->isHidden())
                frames << frame->title();
        QCOMPARE(frames, QStringList({"Fractal coordinates", "Center/Magnification"}));
        QCOMPARE(Box(dialog, "Realmin:")->text(), QString("-2.5e0"));
        QCOMPARE(Box(dialog, "Imagmax:")->text(), QString("1.5e0"));
        QCOMPARE(Box(dialog, "Real center")->text(), QString("-5.e-1"));
        QCOMPARE(Box(dialog, "Magnification")->text(), QString("1.e0"));
        QCOMPARE(Box(dialog, "Iter max: ")->text(), QString(" 100"));
        QVERIFY(Box(dialog, "Julia real:")->isHidden());
        ExpectCentreForm(dialog, false);

        // The kind changed while the window was open: the next refresh shows the Julia boxes.
        State.FractalFlags = (State.FractalFlags | 2) & ~1;
        ApplyTypedView({"-1.8", "1.8", "-1.8", "1.8"});
        Texts.JuliaReText = "-0.745";
        TextsToBigFloats();
        CurrentPlatform().RefreshToolWindows();
        QVERIFY(!Box(dialog, "Julia real:")->isHidden());
        QVERIFY(Box(dialog, "Realmin:")->isHidden());
        QVERIFY(CenterMagBox(dialog)->isHidden());
        QVERIFY(dialog->findChildren<QGroupBox*>().last()->isHidden());
        QVERIFY(Box(dialog, "Julia real:")->text().startsWith("-7.45"));

        Type(dialog, "Julia imag:", "0.113");
        PressRedraw(dialog);
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(State.FrameValid, 1);
        QCOMPARE(State.JuliaIm, ReadExtendedText("0.113"));
    }

    void centreFormIsAppliedAndKept()
    {
        QPointer<LocationDialog> dialog = OpenDialog();
        QVERIFY(dialog);
        ClickCenterMag(dialog);
        QCOMPARE(State.UseCenterMag, 1);
        ExpectCentreForm(dialog, true);
        ClickCenterMag(dialog);
        ExpectCentreForm(dialog, false);
        ClickCenterMag(dialog);

        Type(dialog, "Real center", "-0.75");
        Type(dialog, "Imag center", "0.1");
        Type(dialog, "Magnification", "1e6");
        Type(dialog, "Iter max: ", "60");
        PressRedraw(dialog);
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(State.FrameValid, 1);
        QCOMPARE(State.IterMax, 60);
        QCOMPARE(State.PrevIterMax, 100);
        QVERIFY(std::fabs(State.Realmin + 0.750002L) < 1e-15L);

        dialog = OpenDialog();
        QVERIFY(dialog);
        ExpectCentreForm(dialog, true);
        QVERIFY(std::fabs(ReadExtendedText(Box(dialog, "Real center")->text().toStdString()) + 0.75L) < 1e-15L);
    }

    void longTypedEdgesAreKeptWhole()
    {
        QPointer<LocationDialog> dialog = OpenDialog();
        QVERIFY(dialog);
        const QString tail(170, '7');
        const QString realmin = "-0.743643887037158704752191506114" + tail;
        Type(dialog, "Realmin:", realmin);
        QCOMPARE(Box(dialog, "Realmin:")->text(), realmin);
        Type(dialog, "Realmax:", "-0.743643887037158704752191506110" + tail);
        Type(dialog, "Imagmin:", "0.131825904205311970493132056380" + tail);
        Type(dialog, "Imagmax:", "0.131825904205311970493132056382" + tail);
        PressRedraw(dialog);
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(State.DeepZoom, 1);
        // Reopened, the box shows the digits the raised precision holds.
        dialog = OpenDialog();
        QVERIFY(Box(dialog, "Realmin:")->text().startsWith("-7.4364388703715870475219150611477777777"));
    }
};

QTEST_MAIN(LocationDialogTest)
#include "location_dialog_test.moc"
