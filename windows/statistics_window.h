#pragma once
#include <array>

#include "windows/tool_window.h"

class QLabel;

// Read-only facts about the last frame, one line each.
class StatisticsWindow : public ToolWindow {
public:
    explicit StatisticsWindow(QWidget* owner);
    void Refresh(bool keepEdits = false) override;

private:
    static constexpr int FirstFactRow = 8;
    static constexpr int LastFactRow = 18;
    static constexpr int FactCount = LastFactRow - FirstFactRow + 1;

    void PlaceLabels();

    QLabel* heading_;
    std::array<QLabel*, FactCount> labels_;
    std::array<QLabel*, FactCount> values_;
};
