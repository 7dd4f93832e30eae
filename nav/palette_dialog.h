#pragma once
#include "nav/tool_window.h"

class PaletteDialog : public ToolWindow {
public:
    explicit PaletteDialog(QWidget* owner);
    void Refresh() override;
};
