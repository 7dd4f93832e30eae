#include "app/about_box.h"

#include <QDesktopServices>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QUrl>
#include <QVBoxLayout>

#include "engine/fractal_state.h"
#include "platform/qt/palette_strip.h"

namespace {

const char* const ProjectLink = "https://example.org/quorvatix";

void SetLinkColour(QLabel* link, const char* colour)
{
    link->setText(QString("<span style=\"color:%1; text-decoration: underline\">%2</span>")
                      .arg(colour, ProjectLink));
}

}  // namespace

QImage AboutPicture(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double cr = -2.2 + 3.0 * x / width;
            const double ci = -1.2 + 2.4 * y / height;
            double zr = 0, zi = 0;
            int n = 0;
            while (n < 64 && zr * zr + zi * zi <= 4) {
                const double t = zr * zr - zi * zi + cr;
                zi = 2 * zr * zi + ci;
                zr = t;
                ++n;
            }
            const uint32_t colour = n == 64 ? 0 : Palette[static_cast<size_t>(n * 40 + 12)];
            picture.setPixel(x, y, 0xFF000000u | colour);
        }
    }
    return picture;
}

AboutBox::AboutBox(QWidget* owner) : QDialog(owner)
{
    setWindowTitle("About Quorvatix");
    setFixedSize(340, 350);
    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel;
    picture->setPixmap(QPixmap::fromImage(AboutPicture(300, 180)));
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
