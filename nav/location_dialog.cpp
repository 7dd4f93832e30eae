#include "nav/location_dialog.h"

LocationDialog::LocationDialog(QWidget* owner) : ToolWindow(owner, "FRACTAL LOCATION") { Refresh(); }

void LocationDialog::Refresh() {}
