#include "windows/location_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/fractal_state.h"
#include "engine/view_texts.h"
#include "nav/location.h"

namespace {

// Coordinates run to hundreds of digits: the boxes scroll, and are never
// short of room for the digits of the greatest precision (about 0.3 per bit).
constexpr int CoordinateBoxLength = MaxPrecisionBits;
constexpr int CoordinateBoxWidth = 420;

QLineEdit* CoordinateBox(QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setMaxLength(CoordinateBoxLength);
    box->setMinimumWidth(CoordinateBoxWidth);
    return box;
}

QLabel* AddRow(QGridLayout* grid, const char* label, QLineEdit* box)
{
    auto* text = new QLabel(label);
    text->setBuddy(box);
    const int row = grid->rowCount();
    grid->addWidget(text, row, 0);
    grid->addWidget(box, row, 1);
    return text;
}


}  // namespace

LocationDialog::LocationDialog(QWidget* owner) : ToolWindow(owner, "FRACTAL LOCATION")
{
    auto* layout = new QVBoxLayout(Controls());

    auto* coordinatesFrame = new QGroupBox("Fractal coordinates", Controls());
    auto* coordinates = new QGridLayout(coordinatesFrame);
    useCenterMagBox_ = new QCheckBox("Use Center/Magnification", coordinatesFrame);
    coordinates->addWidget(useCenterMagBox_, 0, 0, 1, 2);
    connect(useCenterMagBox_, &QCheckBox::clicked, this, &LocationDialog::CenterMagClicked);
    const char* const edgeNames[] = {"Realmin:", "Realmax:", "Imagmin:", "Imagmax:"};
    for (size_t k = 0; k < edgeBoxes_.size(); ++k) {
        edgeBoxes_[k] = CoordinateBox(coordinatesFrame);
        edgeLabels_[k] = AddRow(coordinates, edgeNames[k], edgeBoxes_[k]);
    }
    const char* const juliaNames[] = {"Julia real:", "Julia imag:"};
    for (size_t k = 0; k < juliaBoxes_.size(); ++k) {
        juliaBoxes_[k] = CoordinateBox(coordinatesFrame);
        juliaLabels_[k] = AddRow(coordinates, juliaNames[k], juliaBoxes_[k]);
    }
    layout->addWidget(coordinatesFrame);

    centerFrame_ = new QGroupBox("Center/Magnification", Controls());
    auto* center = new QGridLayout(centerFrame_);
    const char* const centerNames[] = {"Real center", "Imag center", "Magnification"};
    for (size_t k = 0; k < centerBoxes_.size(); ++k) {
        centerBoxes_[k] = CoordinateBox(centerFrame_);
        AddRow(center, centerNames[k], centerBoxes_[k]);
    }
    layout->addWidget(centerFrame_);

    auto* bottomRow = new QHBoxLayout;
    auto* iterMaxLabel = new QLabel("Iter max: ", Controls());
    iterMaxBox_ = new QLineEdit(Controls());
    iterMaxLabel->setBuddy(iterMaxBox_);
    bottomRow->addWidget(iterMaxLabel);
    iterMaxBox_->setFixedWidth(iterMaxBox_->fontMetrics().horizontalAdvance(" 2147483647") + 12);
    bottomRow->addWidget(iterMaxBox_);
    bottomRow->addStretch();
    auto* redrawButton = new QPushButton("REDRAW", Controls());
    connect(redrawButton, &QPushButton::clicked, this, &LocationDialog::RedrawClicked);
    bottomRow->addWidget(redrawButton);
    layout->addLayout(bottomRow);

    Refresh();
}

void LocationDialog::Refresh(bool keepEdits)
{
    // A closed window only waits to be deleted; refreshing it would move the
    // centre form to the edges again right after a typed one was applied.
    if (closed_)
        return;
    const LocationTexts shown = CurrentLocationTexts();
    for (size_t k = 0; k < edgeBoxes_.size(); ++k)
        ShowStateText(edgeBoxes_[k], QString::fromStdString(shown.edges[k]), keepEdits);
    for (size_t k = 0; k < centerBoxes_.size(); ++k)
        ShowStateText(centerBoxes_[k], QString::fromStdString(shown.center[k]), keepEdits);
    for (size_t k = 0; k < juliaBoxes_.size(); ++k)
        ShowStateText(juliaBoxes_[k], QString::fromStdString(shown.juliaConstant[k]), keepEdits);
    ShowStateText(iterMaxBox_, QString::fromStdString(shown.iterMax), keepEdits);
    // The kind may have changed since the window opened.
    ShowKind(IsMandelbrot(State.FractalFlags));
    ShowCenterMagChoice();
}

void LocationDialog::closeEvent(QCloseEvent* event)
{
    closed_ = true;
    ToolWindow::closeEvent(event);
}

void LocationDialog::ShowKind(bool mandelbrot)
{
    useCenterMagBox_->setVisible(mandelbrot);
    for (size_t k = 0; k < edgeBoxes_.size(); ++k) {
        edgeLabels_[k]->setVisible(mandelbrot);
        edgeBoxes_[k]->setVisible(mandelbrot);
    }
    for (size_t k = 0; k < juliaBoxes_.size(); ++k) {
        juliaLabels_[k]->setVisible(!mandelbrot);
        juliaBoxes_[k]->setVisible(!mandelbrot);
    }
    centerFrame_->setVisible(mandelbrot);
    // Shrink to the controls now shown, not to the last kind's.
    Controls()->layout()->activate();
    layout()->activate();
    adjustSize();
}

void LocationDialog::ShowCenterMagChoice()
{
    const bool useCenter = State.UseCenterMag == 1;
    useCenterMagBox_->setChecked(useCenter);
    for (QLineEdit* box : edgeBoxes_)
        box->setEnabled(!useCenter);
    for (QLineEdit* box : centerBoxes_)
        box->setEnabled(useCenter);
}

void LocationDialog::CenterMagClicked()
{
    if (State.FrameBusy == 1)
        return;
    ToggleCenterMag();
    ShowCenterMagChoice();
}

LocationTexts LocationDialog::TypedTexts() const
{
    LocationTexts typed;
    for (size_t k = 0; k < edgeBoxes_.size(); ++k)
        typed.edges[k] = edgeBoxes_[k]->text().toStdString();
    for (size_t k = 0; k < centerBoxes_.size(); ++k)
        typed.center[k] = centerBoxes_[k]->text().toStdString();
    for (size_t k = 0; k < juliaBoxes_.size(); ++k)
        typed.juliaConstant[k] = juliaBoxes_[k]->text().toStdString();
    typed.iterMax = iterMaxBox_->text().toStdString();
    return typed;
}

void LocationDialog::RedrawClicked()
{
    if (State.FrameBusy == 1)
        return;
    const LocationTexts typed = TypedTexts();
    close();
    // The window is gone from here on (closing deletes it once this handler
    // has returned): nothing below may touch it.
    ApplyTypedLocation(typed);
}
