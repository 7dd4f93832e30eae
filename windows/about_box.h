#pragma once
#include <QDialog>

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

void ShowAbout(QWidget* owner);
