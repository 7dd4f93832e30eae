#include "app/statistics_window.h"

StatisticsWindow::StatisticsWindow(QWidget* owner) : ToolWindow(owner, "QUORVATIX STATISTICS") { Refresh(); }

void StatisticsWindow::Refresh() {}
