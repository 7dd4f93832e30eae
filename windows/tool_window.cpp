#include "windows/tool_window.h"

#include <QFontDatabase>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>
#include <vector>

#include "engine/fractal_state.h"
#include "platform/platform.h"
#include "windows/palette_strip.h"
#include "windows/readable_text.h"
#include "platform/qt/qt_platform.h"

namespace {

// Open tool windows in the order they were opened.
std::vector<ToolWindow*> openWindows;
bool controlsEnabled = true;

constexpr int StripBands = 200;

}  // namespace

QFont ToolWindowFont()
{
    QFont font(QFontDatabase::hasFamily("Arial") ? QString("Arial") : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    font.setPointSize(10);
    return font;
}

ToolWindow::ToolWindow(QWidget* owner, const QString& title) : QWidget(owner, Qt::Tool)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    setFont(ToolWindowFont());
    controls_ = new QWidget(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(controls_);
    controls_->setEnabled(controlsEnabled);
    UsePlainTextBackgrounds(this);
    openWindows.push_back(this);
}

ToolWindow::~ToolWindow() { std::erase(openWindows, this); }

void ToolWindow::RefreshAll(bool keepEdits)
{
    // A refresh may itself change the state and ask again (the statistics
    // synchronise the view texts, which refresh the automatic pot value):
    // one more round then shows the latest state everywhere.
    static bool refreshing = false;
    static bool askedAgain = false;
    static bool keepEditsAgain = true;
    if (refreshing) {
        askedAgain = true;
        keepEditsAgain = keepEditsAgain && keepEdits;
        return;
    }
    refreshing = true;
    for (int round = 0; round < 2; ++round) {
        askedAgain = false;
        keepEditsAgain = true;
        for (ToolWindow* window : openWindows) {
            window->Refresh(keepEdits);
            // The strip behind the controls follows a new palette at once.
            window->update();
        }
        if (!askedAgain)
            break;
        keepEdits = keepEditsAgain;
    }
    refreshing = false;
}

void ToolWindow::CloseAll()
{
    // Closing removes a window from the list: walk a copy.
    const std::vector<ToolWindow*> windows = openWindows;
    for (ToolWindow* window : windows) {
        window->close();
        SleepMilliseconds(1);
    }
}

void ToolWindow::SetAllEnabled(bool enabled)
{
    controlsEnabled = enabled;
    for (ToolWindow* window : openWindows)
        window->controls_->setEnabled(enabled);
}

void ShowStateText(QLineEdit* field, const QString& text, bool keepEdits)
{
    static const char* const ShownProperty = "quorvatixShownText";
    if (keepEdits && field->property(ShownProperty).toString() == text)
        return;
    field->setProperty(ShownProperty, text);
    field->setText(text);
    field->setCursorPosition(0);  // the sign and the leading digits in view
}

void ToolWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintPaletteStrip(painter, rect(), Palette.data(), StripBands);
}

void ConnectToolWindows(QtPlatform& platform)
{
    platform.SetToolWindowHooks(&ToolWindow::RefreshAll, &ToolWindow::SetAllEnabled);
}
