#pragma once
#include "nav/tool_window.h"

class ParametersDialog : public ToolWindow {
public:
    explicit ParametersDialog(QWidget* owner);
    void Refresh() override;
};
