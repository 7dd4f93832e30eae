#pragma once
#include <QMainWindow>
#include <QPointer>
#include <map>

class QAction;
class LocationDialog;
class PaletteDialog;
class ParametersDialog;
class StatisticsWindow;

// The small window with the menu bar; every item carries its command id.
class MainWindow : public QMainWindow {
public:
    explicit MainWindow(QWidget* owner = nullptr);

    void DispatchCommand(int commandId);
    QAction* ActionFor(int commandId) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::map<int, QAction*> actions_;
    QPointer<ParametersDialog> parameters_;
    QPointer<LocationDialog> location_;
    QPointer<PaletteDialog> palette_;
    QPointer<StatisticsWindow> statistics_;
};

// Commands of the menu, also called by tests.
void ConfirmExit();
void ShowHelp();
void OriginalMandelbrotCommand();
