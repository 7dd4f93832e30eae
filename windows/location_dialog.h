#pragma once
#include <array>

#include "windows/tool_window.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
struct LocationTexts;

// "FRACTAL LOCATION": the coordinates of the current view as full-length
// texts; "REDRAW" takes what was typed as the new view.
class LocationDialog : public ToolWindow {
public:
    explicit LocationDialog(QWidget* owner);
    void Refresh(bool keepEdits = false) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowKind(bool mandelbrot);
    void ShowCenterMagChoice();
    void CenterMagClicked();
    void RedrawClicked();
    LocationTexts TypedTexts() const;

    QCheckBox* useCenterMagBox_ = nullptr;
    std::array<QLabel*, 4> edgeLabels_{};
    std::array<QLineEdit*, 4> edgeBoxes_{};
    std::array<QLabel*, 2> juliaLabels_{};
    std::array<QLineEdit*, 2> juliaBoxes_{};
    QGroupBox* centerFrame_ = nullptr;
    std::array<QLineEdit*, 3> centerBoxes_{};
    QLineEdit* iterMaxBox_ = nullptr;
    bool closed_ = false;
};
