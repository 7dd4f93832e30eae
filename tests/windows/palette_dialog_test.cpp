#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>

#include "windows/palette_dialog.h"
#include "running_program.h"

// The palette window on the offscreen platform; file dialogs are answered by
// a headless platform.
class PaletteDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<RunningProgram> program;
    QPointer<PaletteDialog> dialog;

    void Open()
    {
        program = std::make_unique<RunningProgram>(16, 12);
        dialog = program->OpenToolWindow<PaletteDialog>(160);
        QVERIFY(dialog);
    }

    template <typename Widget>
    Widget* Find(const QString& text) const
    {
        for (Widget* widget : dialog->findChildren<Widget*>())
            if (widget->text() == text)
                return widget;
        return nullptr;
    }
    QLineEdit* Field(const QString& label) const
    {
        QLabel* found = Find<QLabel>(label);
        return found ? qobject_cast<QLineEdit*>(found->buddy()) : nullptr;
    }
    void Type(const QString& label, const QString& text) const
    {
        QLineEdit* field = Field(label);
        QVERIFY(field);
        field->clear();
        QTest::keyClicks(field, text);
    }
    void Press(const QString& text) const
    {
        QPushButton* button = Find<QPushButton>(text);
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
    }

private slots:
    void cleanup() { program.reset(); }

    void generateReadsTypedValues()
    {
        Open();
        QCOMPARE(dialog->windowTitle(), QString("PALETTE SETUP"));
        QCOMPARE(Field("Blue stop")->text(), QString("200"));
        QCOMPARE(Field("Max color step")->text(), QString("1.9"));
        Type("Red start", "30");
        Type("Red step", "2");
        Type("Red stop", "200");
        Type("Green start", "no number");
        Type("Max color step", "0");
        Press("GENERATE");
        QCOMPARE(State.PaletteGen[0], 30.0f);
        QCOMPARE(State.PaletteGen[1], 0.0f);
        QCOMPARE(State.MaxColorStep, 1.0f);
        QCOMPARE(Palette[1] >> 16, 26u);  // red 30, 28, 26
        // The fields show what was used.
        QCOMPARE(Field("Green start")->text(), QString("0"));
        QCOMPARE(Field("Max color step")->text(), QString("1"));
    }

    void randomShowsTheValuesItGeneratedFrom()
    {
        Open();
        Press("RANDOM");
        QCOMPARE(State.PaletteKept, 1);
        for (int i = 0; i < 9; ++i) {
            const QString label = QString::fromStdString(PaletteFieldLabel(i, false));
            QCOMPARE(Field(label)->text().toStdString(), PaletteValueText(State.PaletteGen[static_cast<size_t>(i)]));
        }
    }

    void hslRenamesTheChannels()
    {
        Open();
        QTest::mouseClick(Find<QCheckBox>("HSL"), Qt::LeftButton);
        QCOMPARE(State.PaletteHSL, 1);
        QVERIFY(Find<QCheckBox>("HSL")->isChecked());
        QVERIFY(Field("Hue start") && Field("Sat. step") && Field("Lum. stop"));
        QVERIFY(!Field("Red start"));
        QTest::mouseClick(Find<QCheckBox>("HSL"), Qt::LeftButton);
        QVERIFY(Field("Red start"));
    }

    void draggingTheSliderMovesTheOffset()
    {
        Open();
        auto* slider = dialog->findChild<QSlider*>();
        QVERIFY(slider);
        QCOMPARE(slider->minimum(), 1);
        QCOMPARE(slider->maximum(), 262043);
        QCOMPARE(slider->value(), 1);
        slider->setSliderDown(true);
        slider->setSliderPosition(500);
        slider->setSliderPosition(70001);
        slider->setSliderDown(false);
        QTRY_COMPARE(State.PaletteOffset, 70000);
        QCOMPARE(dialog->windowTitle(), QString("PALETTE SETUP  Palette offset:  70000"));
        // Keys step the offset like the thumb.
        QTest::keyClick(slider, Qt::Key_Right);
        QTRY_COMPARE(State.PaletteOffset, 70001);

        State.IterMax = 300000;
        dialog->Refresh();
        QCOMPARE(dialog->windowTitle(), QString("PALETTE SETUP"));
        QCOMPARE(slider->maximum(), 1);
        QCOMPARE(slider->value(), 1);
        QCOMPARE(State.PaletteOffset, 70001);  // showing it fires nothing
    }

    void saveAndLoad()
    {
        Open();
        QTemporaryDir folder;
        const std::string path = folder.filePath("colours.pal").toStdString();
        Type("Red start", "33");
        Press("GENERATE");
        program->answers.answers = {path};
        Press("SAVE");
        QCOMPARE(std::filesystem::file_size(path), 44u);

        Type("Red start", "90");
        Press("GENERATE");
        program->answers.answers = {path};
        Press("LOAD");
        QCOMPARE(State.PaletteGen[0], 33.0f);
        QCOMPARE(Field("Red start")->text(), QString("33"));
    }

    void exitCloses()
    {
        Open();
        Press("EXIT");
        QTRY_VERIFY(!dialog);
    }
};

QTEST_MAIN(PaletteDialogTest)
#include "palette_dialog_test.moc"
