#pragma once
#include <QTimer>
#include <array>

#include "color/palette_setup.h"
#include "windows/tool_window.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QSlider;

// "PALETTE SETUP": the generator inputs, the palette switches and the
// palette offset slider.
class PaletteDialog : public ToolWindow {
public:
    explicit PaletteDialog(QWidget* owner);
    void Refresh(bool keepEdits = false) override;

private:
    PaletteFields ShownFields() const;
    void ShowFields(const PaletteFields& fields, bool keepEdits = false);
    void Generate();
    void Random();
    void Load();
    void Exit();
    void ToggleSwitch(PaletteSwitch which);
    void OffsetMoved(int position);
    void ApplyOffset();

    std::array<QLabel*, 9> generatorLabels_{};
    std::array<QLineEdit*, 9> generatorFields_{};
    QLineEdit* maxColorStepField_ = nullptr;
    std::array<QCheckBox*, PaletteSwitches.size()> switchBoxes_{};
    QSlider* offsetSlider_ = nullptr;
    // Thumb moves are applied once per turn of the event loop, to the latest
    // position, so re-colouring never falls behind the mouse.
    QTimer offsetTimer_;
    int pendingPosition_ = 1;
};
