#pragma once
#include <vector>

#include "nav/fractal_parameters.h"
#include "windows/tool_window.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// "Fractal parameters": the edit fields take effect with "REDRAW" or
// "APPLY AND EXIT", the check boxes and lists at once.
class ParametersDialog : public ToolWindow {
public:
    explicit ParametersDialog(QWidget* owner);
    ~ParametersDialog() override;
    void Refresh(bool keepEdits = false) override;

    // The "Iter max:" field, shown again when a frame starts.
    void ShowIterMax();

    QLineEdit* iterMaxField() const { return iterMax_; }
    QLineEdit* bailoutField() const { return bailout_; }
    QLineEdit* potValueField() const { return potValue_; }
    QLineEdit* unzoomField() const { return unzoom_; }
    QLineEdit* threadsField() const { return threads_; }  // null with one processor
    QCheckBox* optionBox(ParameterOption option) const;   // null when not shown
    QListWidget* pictureSizeList() const { return pictureSizes_; }
    QListWidget* picFormatList() const { return picFormats_; }
    QListWidget* supersamplingList() const { return supersampling_; }
    QListWidget* textureList() const { return textures_; }
    QPushButton* redrawButton() const { return redraw_; }
    QPushButton* applyAndExitButton() const { return applyAndExit_; }

private:
    struct OptionBox {
        ParameterOption option;
        QCheckBox* box;
    };

    ParameterFields TypedFields() const;
    void ShowFields(const ParameterFields& fields, bool keepEdits = false);
    void ShowOptions();
    void ShowLists();
    void PressRedrawButton();
    void PressApplyAndExitButton();

    QLabel* picture_;
    QLineEdit* iterMax_;
    QLineEdit* bailout_;
    QLineEdit* potValue_;
    QLineEdit* unzoom_;
    QLabel* threadsLabel_ = nullptr;
    QLineEdit* threads_ = nullptr;
    std::vector<OptionBox> options_;
    QListWidget* pictureSizes_;
    QListWidget* picFormats_;
    QListWidget* supersampling_;
    QListWidget* textures_;
    QPushButton* redraw_;
    QPushButton* applyAndExit_;
};
