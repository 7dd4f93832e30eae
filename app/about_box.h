#pragma once
#include <QDialog>
#include <QImage>

class QLabel;

// "About Quorvatix": a small picture the program draws itself, the name,
// a few lines and a link that turns red under the mouse, on the palette strip.
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

// A Mandelbrot picture of the given size, computed apart from the program's
// state so that showing the box never touches the current fractal.
QImage AboutPicture(int width, int height);

void ShowAbout(QWidget* owner);
