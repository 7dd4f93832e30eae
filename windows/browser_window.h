#pragma once
#include <string>
#include <vector>

#include "windows/tool_window.h"

class QLabel;
class QListWidget;
class QPushButton;
struct BrowserSelection;

// The parameter files of one folder as a list, with the thumbnail and a short
// description of the file chosen last.
class BrowserWindow : public ToolWindow {
public:
    BrowserWindow(QWidget* owner, std::vector<std::string> paths);
    // Only comes to the front: the list and what it shows belong to the user.
    void Refresh(bool keepEdits = false) override;

private:
    void ChooseRow(int row);
    void ShowSelection(const BrowserSelection& selection);

    std::vector<std::string> paths_;
    QLabel* thumbnail_;
    QLabel* description_;
    QListWidget* list_;
    QPushButton* makeThumbnail_;
};

// The menu command "Browse fractals": closes an open browser, asks for a
// folder and opens the browser on its parameter files.
void OpenBrowseFractalsCommand(QWidget* owner);
