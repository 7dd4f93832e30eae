#pragma once
#include "nav/tool_window.h"

class LocationDialog : public ToolWindow {
public:
    explicit LocationDialog(QWidget* owner);
    void Refresh() override;
};
