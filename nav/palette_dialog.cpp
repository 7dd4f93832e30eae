#include "nav/palette_dialog.h"

PaletteDialog::PaletteDialog(QWidget* owner) : ToolWindow(owner, "PALETTE SETUP") { Refresh(); }

void PaletteDialog::Refresh() {}
