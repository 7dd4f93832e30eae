#pragma once
#include <QDialog>

class QLabel;

// "About Quorvatix": a small picture the program draws itself, the name,
// a few lines, a link to the manual that turns red under the mouse, and a
// "Close" button, on the palette strip.
class AboutBox : public QDialog {
public:
    explicit AboutBox(QWidget* owner = nullptr);
    QLabel* link() const { return link_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* link_ = nullptr;
};

void ShowAbout(QWidget* owner);
