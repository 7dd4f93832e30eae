#include "windows/parameters_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "color/drawing_modes.h"
#include "engine/fractal_state.h"
#include "engine/supersampling.h"
#include "frame/frame_driver.h"
#include "windows/about_picture.h"
#include "platform/qt/user_settings.h"

namespace {

struct OptionLabel {
    ParameterOption option;
    const char* label;
};

// In two columns of seven, top to bottom.
constexpr OptionLabel OptionLabels[] = {
    {ParameterOption::DeepZoom, "Deep zoom"},
    {ParameterOption::AutoPotValue, "Auto pot value"},
    {ParameterOption::UnzoomVideo, "Unzoom video"},
    {ParameterOption::InsideColor, "Inside color"},
    {ParameterOption::AutoIterIncrease, "Auto iter increase"},
    {ParameterOption::ColorByPotential, "Color by potential"},
    {ParameterOption::BoxedZoom, "Boxed zoom"},
    {ParameterOption::SmoothColor, "Smooth color"},
    {ParameterOption::Mandelbrot, "Mandelbrot"},
    {ParameterOption::Julia, "Julia"},
    {ParameterOption::AutosaveParameter, "Autosave parameter"},
    {ParameterOption::MultiThreaded, "Multi-threaded"},
    {ParameterOption::FastDeepZoom, "Fast deep zoom"},
    {ParameterOption::AdaptiveIterMax, "Adaptive iter max"},
};
constexpr int OptionRows = 7;

constexpr int PictureWidth = 128;
constexpr int PictureHeight = 96;
constexpr int FieldWidth = 110;
constexpr int VisibleListRows = 7;

// The window whose "Iter max:" field a starting frame updates.
ParametersDialog* iterMaxWindow = nullptr;

void ShowIterMaxOfOpenWindow()
{
    if (iterMaxWindow)
        iterMaxWindow->ShowIterMax();
}

QListWidget* NewList(QWidget* parent, int rows)
{
    auto* list = new QListWidget(parent);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setFixedHeight(list->fontMetrics().height() * rows + 2 * list->frameWidth() + 4);
    return list;
}

// Wide enough for the longest entry and a scroll bar.
void FitListWidth(QListWidget* list)
{
    int widest = 0;
    for (int row = 0; row < list->count(); ++row)
        widest = std::max(widest, list->fontMetrics().horizontalAdvance(list->item(row)->text()));
    list->setFixedWidth(widest + 2 * list->frameWidth() + 12 + list->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
}

void SelectRow(QListWidget* list, int row)
{
    const QSignalBlocker blocker(list);
    if (row < 0) {
        list->setCurrentRow(-1);
        list->clearSelection();
        return;
    }
    list->setCurrentRow(row);
    list->scrollToItem(list->item(row));
}

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

ParametersDialog::ParametersDialog(QWidget* owner) : ToolWindow(owner, "Fractal parameters")
{
    QWidget* controls = Controls();
    const bool severalProcessors = State.ProcessorCount > 1;

    picture_ = new QLabel(controls);
    picture_->setFixedSize(PictureWidth, PictureHeight);

    auto* fields = new QGridLayout;
    auto addField = [&](const char* label, QLabel** labelOut) {
        auto* name = new QLabel(label, controls);
        auto* field = new QLineEdit(controls);
        field->setFixedWidth(FieldWidth);
        const int row = fields->rowCount();
        fields->addWidget(name, row, 0);
        fields->addWidget(field, row, 1);
        if (labelOut)
            *labelOut = name;
        return field;
    };
    iterMax_ = addField("Iter max:", nullptr);
    bailout_ = addField("Bailout:", nullptr);
    potValue_ = addField("Pot value:", nullptr);
    unzoom_ = addField("Unzoom:", nullptr);
    if (severalProcessors)
        threads_ = addField("Threads:", &threadsLabel_);
    fields->setRowStretch(fields->rowCount(), 1);

    auto* boxes = new QGridLayout;
    boxes->setVerticalSpacing(2);
    int shown = 0;
    for (const OptionLabel& entry : OptionLabels) {
        if (entry.option == ParameterOption::MultiThreaded && !severalProcessors)
            continue;
        auto* box = new QCheckBox(entry.label, controls);
        boxes->addWidget(box, shown % OptionRows, shown / OptionRows);
        ++shown;
        options_.push_back({entry.option, box});
        connect(box, &QCheckBox::clicked, this, [this, option = entry.option] {
            ClickOption(option);
            ShowOptions();
            if (option == ParameterOption::AutoPotValue && State.AutoPotValue == 1)
                potValue_->setText(Text(ParameterFieldsFromState(12).PotValue));
            if (option == ParameterOption::FastDeepZoom || option == ParameterOption::AdaptiveIterMax)
                SaveUserSettings();
        });
    }

    pictureSizes_ = NewList(controls, VisibleListRows);
    for (int32_t entry = 0; entry < PictureSizeCount; ++entry)
        pictureSizes_->addItem(Text(PictureSizeEntryText(entry)));
    FitListWidth(pictureSizes_);
    connect(pictureSizes_, &QListWidget::currentRowChanged, this, [this](int row) {
        // A refused size leaves the previous one, which the list then shows again.
        if (row >= 0 && !ChoosePictureSize(row))
            ShowLists();
    });

    picFormats_ = NewList(controls, PicFormatCount);
    picFormats_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int32_t entry = 0; entry < PicFormatCount; ++entry)
        picFormats_->addItem(Text(PicFormatEntryText(entry)));
    FitListWidth(picFormats_);
    connect(picFormats_, &QListWidget::currentRowChanged, this, [](int row) {
        if (row >= 0)
            ChoosePicFormat(row);
    });

    // For "Save Picture" and "Make movie to disk"; a choice of this user, not of the picture.
    supersampling_ = NewList(controls, PicFormatCount);
    for (int32_t n = 1; n <= MaxSupersampling; ++n)
        supersampling_->addItem(Text(std::to_string(n) + " x " + std::to_string(n)));
    FitListWidth(supersampling_);
    connect(supersampling_, &QListWidget::currentRowChanged, this, [](int row) {
        if (row < 0)
            return;
        Supersampling = row + 1;
        SaveUserSettings();
    });

    textures_ = NewList(controls, VisibleListRows);
    for (int32_t entry = 0; entry < DrawingModeCount; ++entry)
        textures_->addItem(Text(DrawingModeEntryText(entry)));
    FitListWidth(textures_);
    // The mode's defaults reach every control through the tool-window refresh.
    connect(textures_, &QListWidget::currentRowChanged, this, [](int row) {
        if (row >= 0)
            ChooseDrawingMode(row);
    });

    redraw_ = new QPushButton("REDRAW", controls);
    applyAndExit_ = new QPushButton("APPLY AND EXIT", controls);
    connect(redraw_, &QPushButton::clicked, this, &ParametersDialog::PressRedrawButton);
    connect(applyAndExit_, &QPushButton::clicked, this, &ParametersDialog::PressApplyAndExitButton);

    auto* layout = new QGridLayout(controls);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setHorizontalSpacing(14);
    layout->addWidget(picture_, 0, 0, Qt::AlignTop);
    layout->addLayout(fields, 0, 1, 1, 2);
    layout->addLayout(boxes, 0, 3);
    layout->addWidget(new QLabel("Pic size:", controls), 1, 0);
    layout->addWidget(pictureSizes_, 2, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(new QLabel("Pic format:", controls), 1, 1);
    layout->addWidget(picFormats_, 2, 1, Qt::AlignTop);
    auto* supersampling = new QVBoxLayout;
    supersampling->addWidget(new QLabel("Supersampling:", controls));
    supersampling->addWidget(supersampling_);
    layout->addLayout(supersampling, 3, 1, Qt::AlignTop);
    layout->addWidget(new QLabel("Texture:", controls), 1, 2);
    layout->addWidget(textures_, 2, 2, 2, 1, Qt::AlignTop);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(redraw_);
    buttons->addWidget(applyAndExit_);
    layout->addLayout(buttons, 2, 3, 2, 1);

    iterMaxWindow = this;
    InstalledFrameHooks.showIterMax = &ShowIterMaxOfOpenWindow;
    Refresh();
}

ParametersDialog::~ParametersDialog()
{
    if (iterMaxWindow == this) {
        iterMaxWindow = nullptr;
        InstalledFrameHooks.showIterMax = nullptr;
    }
}

QCheckBox* ParametersDialog::optionBox(ParameterOption option) const
{
    for (const OptionBox& entry : options_)
        if (entry.option == option)
            return entry.box;
    return nullptr;
}

void ParametersDialog::Refresh(bool keepEdits)
{
    picture_->setPixmap(QPixmap::fromImage(AboutPicture(PictureWidth, PictureHeight, Palette.data())));
    ShowFields(ParameterFieldsFromState(State.AutoPotValue == 1 ? 12 : 15), keepEdits);
    ShowOptions();
    ShowLists();
}

void ParametersDialog::ShowIterMax() { ShowStateText(iterMax_, Text(ParameterFieldsFromState(15).IterMax), false); }

ParameterFields ParametersDialog::TypedFields() const
{
    return {iterMax_->text().toStdString(), bailout_->text().toStdString(), potValue_->text().toStdString(),
            unzoom_->text().toStdString(), threads_ ? threads_->text().toStdString() : std::string()};
}

void ParametersDialog::ShowFields(const ParameterFields& fields, bool keepEdits)
{
    ShowStateText(iterMax_, Text(fields.IterMax), keepEdits);
    ShowStateText(bailout_, Text(fields.Bailout), keepEdits);
    ShowStateText(potValue_, Text(fields.PotValue), keepEdits);
    ShowStateText(unzoom_, Text(fields.Unzoom), keepEdits);
    if (threads_)
        ShowStateText(threads_, Text(fields.Threads), keepEdits);
}

void ParametersDialog::ShowOptions()
{
    for (const OptionBox& entry : options_) {
        const QSignalBlocker blocker(entry.box);
        entry.box->setChecked(OptionIsOn(entry.option));
    }
    if (threads_) {
        const bool multiThreaded = State.MultiThreaded == 1;
        threadsLabel_->setEnabled(multiThreaded);
        threads_->setEnabled(multiThreaded);
    }
}

void ParametersDialog::ShowLists()
{
    SelectRow(pictureSizes_, PictureSizeEntryFor(State.PicWidth, State.PicHeight));
    const bool knownFormat = State.PicFormatIndex >= 0 && State.PicFormatIndex < PicFormatCount;
    SelectRow(picFormats_, knownFormat ? State.PicFormatIndex : -1);
    SelectRow(textures_, DrawingModeNumber(State.FractalFlags) - 1);
    SelectRow(supersampling_, Supersampling - 1);
}

void ParametersDialog::PressRedrawButton()
{
    // The frame pumps events, and the window may be closed meanwhile.
    const QPointer<ParametersDialog> self(this);
    const ParameterFields shown = PressRedraw(TypedFields());
    if (self)
        ShowFields(shown);
}

void ParametersDialog::PressApplyAndExitButton()
{
    ShowFields(ApplyParameterFields(TypedFields(), ParameterButton::ApplyAndExit));
    close();
}
