#include "windows/about_box.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "engine/fractal_state.h"
#include "windows/about_picture.h"
#include "windows/manual.h"
#include "windows/readable_text.h"
#include "windows/palette_strip.h"

namespace {

// The program's own manual: it is installed with it, and needs no network.
const char* const ManualLink = "The manual (quorvatix.html)";

void SetLinkColour(QLabel* link, Qt::GlobalColor colour)
{
    const QColor readable = ReadableColour(colour, link->window()->palette().color(QPalette::Window));
    link->setText(QString("<span style=\"color:%1; text-decoration: underline\">%2</span>")
                      .arg(readable.name(), ManualLink));
}

}  // namespace

AboutBox::AboutBox(QWidget* owner) : QDialog(owner)
{
    setWindowTitle("About Quorvatix");
    setFixedSize(340, 390);
    UsePlainTextBackgrounds(this);
    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel;
    picture->setPixmap(QPixmap::fromImage(AboutPicture(300, 180, Palette.data())));
    picture->setAlignment(Qt::AlignCenter);
    layout->addWidget(picture);

    auto* heading = new QLabel(" Quorvatix " + QString(PROJECT_VERSION_TEXT));
    QFont headingFont = heading->font();
    headingFont.setPointSize(14);
    heading->setFont(headingFont);
    heading->setStyleSheet(ReadableTextStyle(this, QColor(0, 0, 255)));
    layout->addWidget(heading);

    auto* text = new QLabel("Fractal explorer for Linux\n\nMade by the Quorvatix developers\n\n(build " __DATE__ ")");
    QFont textFont = text->font();
    textFont.setPointSize(9);
    text->setFont(textFont);
    text->setStyleSheet(ReadableTextStyle(this, QColor(0, 128, 0)));
    layout->addWidget(text);

    link_ = new QLabel;
    link_->setFont(textFont);
    link_->setCursor(Qt::PointingHandCursor);
    SetLinkColour(link_, Qt::black);
    link_->installEventFilter(this);
    layout->addWidget(link_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

bool AboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == link_) {
        if (event->type() == QEvent::Enter)
            SetLinkColour(link_, Qt::red);
        else if (event->type() == QEvent::Leave)
            SetLinkColour(link_, Qt::black);
        else if (event->type() == QEvent::MouseButtonRelease)
            OpenManual();
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
