#include "nav/parameters_dialog.h"

ParametersDialog::ParametersDialog(QWidget* owner) : ToolWindow(owner, "Fractal parameters") { Refresh(); }

void ParametersDialog::Refresh() {}
