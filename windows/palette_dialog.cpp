#include "windows/palette_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include "color/display.h"
#include "color/palette_file.h"
#include "engine/fractal_state.h"
#include "nav/palette_apply.h"
#include "platform/platform.h"

namespace {

const QString Title = "PALETTE SETUP";
constexpr int ChannelCount = 3;
constexpr int WaitBeforeRegenerating = 10;  // milliseconds with the random values shown

QLineEdit* NumberField(QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    // Room for the longest text of 7 significant digits.
    field->setFixedWidth(field->fontMetrics().horizontalAdvance("-1.234567E-38") + 12);
    return field;
}

}  // namespace

PaletteDialog::PaletteDialog(QWidget* owner) : ToolWindow(owner, Title)
{
    QWidget* controls = Controls();
    auto* layout = new QGridLayout(controls);
    layout->setHorizontalSpacing(6);
    layout->setVerticalSpacing(4);

    // One row per channel: start, step and stop side by side.
    for (int i = 0; i < static_cast<int>(generatorFields_.size()); ++i) {
        const int row = i % ChannelCount;
        const int column = 2 * (i / ChannelCount);
        generatorLabels_[i] = new QLabel(controls);
        generatorFields_[i] = NumberField(controls);
        generatorLabels_[i]->setBuddy(generatorFields_[i]);
        layout->addWidget(generatorLabels_[i], row, column, Qt::AlignRight);
        layout->addWidget(generatorFields_[i], row, column + 1);
    }
    maxColorStepField_ = NumberField(controls);
    auto* maxColorStepLabel = new QLabel("Max color step", controls);
    maxColorStepLabel->setBuddy(maxColorStepField_);
    layout->addWidget(maxColorStepLabel, 3, 0, Qt::AlignRight);
    layout->addWidget(maxColorStepField_, 3, 1);

    auto* switchRow = new QHBoxLayout;
    for (size_t i = 0; i < PaletteSwitches.size(); ++i) {
        const PaletteSwitch which = PaletteSwitches[i];
        switchBoxes_[i] = new QCheckBox(QString::fromStdString(PaletteSwitchLabel(which)), controls);
        connect(switchBoxes_[i], &QCheckBox::clicked, this, [this, which] { ToggleSwitch(which); });
        switchRow->addWidget(switchBoxes_[i]);
    }
    switchRow->addStretch();
    layout->addLayout(switchRow, 4, 0, 1, 6);

    offsetSlider_ = new QSlider(Qt::Horizontal, controls);
    offsetSlider_->setSingleStep(1);
    offsetSlider_->setPageStep(5);
    layout->addWidget(offsetSlider_, 5, 0, 1, 6);
    connect(offsetSlider_, &QSlider::sliderMoved, this, &PaletteDialog::OffsetMoved);
    // Arrow keys, page clicks and the wheel move the offset as dragging does.
    connect(offsetSlider_, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove && action != QAbstractSlider::SliderNoAction)
            OffsetMoved(offsetSlider_->sliderPosition());
    });
    offsetTimer_.setSingleShot(true);
    offsetTimer_.setInterval(0);
    connect(&offsetTimer_, &QTimer::timeout, this, &PaletteDialog::ApplyOffset);

    auto* buttonRow = new QHBoxLayout;
    const auto addButton = [&](const char* text, auto handler) {
        auto* button = new QPushButton(text, controls);
        connect(button, &QPushButton::clicked, this, handler);
        buttonRow->addWidget(button);
    };
    addButton("GENERATE", &PaletteDialog::Generate);
    addButton("RANDOM", &PaletteDialog::Random);
    addButton("SAVE", &SavePaletteCommand);
    addButton("LOAD", &PaletteDialog::Load);
    addButton("EXIT", &PaletteDialog::Exit);
    layout->addLayout(buttonRow, 6, 0, 1, 6);

    Refresh();
    adjustSize();
}

void PaletteDialog::Refresh(bool keepEdits)
{
    setWindowTitle(Title);
    const bool hsl = State.PaletteHSL != 0;
    for (int i = 0; i < static_cast<int>(generatorLabels_.size()); ++i)
        generatorLabels_[i]->setText(QString::fromStdString(PaletteFieldLabel(i, hsl)));
    ShowFields(CurrentPaletteFields(), keepEdits);
    for (size_t i = 0; i < PaletteSwitches.size(); ++i) {
        const QSignalBlocker quiet(switchBoxes_[i]);
        switchBoxes_[i]->setChecked(PaletteSwitchOn(PaletteSwitches[i]));
    }
    const QSignalBlocker quiet(offsetSlider_);
    const SliderRange range = PaletteOffsetRange(State.IterMax);
    offsetSlider_->setRange(range.minimum, range.maximum);
    offsetSlider_->setValue(PaletteOffsetSliderPosition());
}

PaletteFields PaletteDialog::ShownFields() const
{
    PaletteFields fields;
    for (size_t i = 0; i < fields.generator.size(); ++i)
        fields.generator[i] = generatorFields_[i]->text().toStdString();
    fields.maxColorStep = maxColorStepField_->text().toStdString();
    return fields;
}

void PaletteDialog::ShowFields(const PaletteFields& fields, bool keepEdits)
{
    for (size_t i = 0; i < fields.generator.size(); ++i)
        ShowStateText(generatorFields_[i], QString::fromStdString(fields.generator[i]), keepEdits);
    ShowStateText(maxColorStepField_, QString::fromStdString(fields.maxColorStep), keepEdits);
}

void PaletteDialog::Generate()
{
    // A new frame pumps events: the window may be closed meanwhile.
    const QPointer<PaletteDialog> alive(this);
    GeneratePaletteCommand(ShownFields());
    if (alive)
        Refresh();
}

void PaletteDialog::Random()
{
    ShowFields(DrawRandomPaletteFields());
    SleepMilliseconds(WaitBeforeRegenerating);
    // Read back from the fields, so the palette is the one their texts describe.
    Generate();
}

void PaletteDialog::Load()
{
    LoadPaletteCommand();
    Refresh();
}

void PaletteDialog::Exit()
{
    DisplayPicture();
    close();
}

void PaletteDialog::ToggleSwitch(PaletteSwitch which)
{
    TogglePaletteSwitch(which);
    // The channel names follow HSL; the other switches leave typed values alone.
    if (which == PaletteSwitch::Hsl)
        Refresh();
}

void PaletteDialog::OffsetMoved(int position)
{
    pendingPosition_ = position;
    if (!offsetTimer_.isActive())
        offsetTimer_.start();
}

void PaletteDialog::ApplyOffset()
{
    MovePaletteOffset(pendingPosition_);
    setWindowTitle(QString::fromStdString(PaletteOffsetCaption(State.PaletteOffset)));
}
