#pragma once
#include "nav/tool_window.h"

class StatisticsWindow : public ToolWindow {
public:
    explicit StatisticsWindow(QWidget* owner);
    void Refresh() override;
};
