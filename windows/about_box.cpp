#include "windows/about_box.h"

#include <QDesktopServices>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QUrl>
#include <QVBoxLayout>

#include "engine/fractal_state.h"
#include "windows/about_picture.h"
#include "windows/palette_strip.h"

namespace {

const char* const ProjectLink = "https://example.org/quorvatix";

void SetLinkColour(QLabel* link, const char* colour)
{
    link->setText(QString("<span style=\"color:%1; text-decoration: underline\">%2</span>")
                      .arg(colour, ProjectLink));
}

}  // namespace

AboutBox::AboutBox(QWidget* owner) : QDialog(owner)
{
    setWindowTitle("About Quorvatix");
    setFixedSize(340, 350);
    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel;
    picture->setPixmap(QPixmap::fromImage(AboutPicture(300, 180, Palette.data())));
    picture->setAlignment(Qt::AlignCenter);
    layout->addWidget(picture);

    auto* heading = new QLabel(" Quorvatix " + QString(PROJECT_VERSION_TEXT));
    QFont headingFont = heading->font();
    headingFont.setPointSize(14);
    heading->setFont(headingFont);
    heading->setStyleSheet("color: rgb(0, 0, 255)");
    layout->addWidget(heading);

    auto* text = new QLabel("Fractal explorer for Linux\n\nMade by the Quorvatix developers\n\n(build " __DATE__ ")");
    QFont textFont = text->font();
    textFont.setPointSize(9);
    text->setFont(textFont);
    text->setStyleSheet("color: rgb(0, 128, 0)");
    layout->addWidget(text);

    link_ = new QLabel;
    link_->setFont(textFont);
    link_->setCursor(Qt::PointingHandCursor);
    SetLinkColour(link_, "black");
    link_->installEventFilter(this);
    layout->addWidget(link_);
}

bool AboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == link_) {
        if (event->type() == QEvent::Enter)
            SetLinkColour(link_, "red");
        else if (event->type() == QEvent::Leave)
            SetLinkColour(link_, "black");
        else if (event->type() == QEvent::MouseButtonRelease)
            QDesktopServices::openUrl(QUrl(ProjectLink));
    }
    return QDialog::eventFilter(watched, event);
}

void AboutBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintPaletteStrip(painter, rect(), Palette.data(), 200);
}

void ShowAbout(QWidget* owner)
{
    AboutBox box(owner);
    box.move(320, 40);
    box.exec();
}
