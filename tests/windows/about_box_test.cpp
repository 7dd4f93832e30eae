#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/main_window.h"
#include "files/autosave.h"
#include "frame/startup.h"
#include "platform/headless_platform.h"
#include "windows/about_box.h"

// F1 and the About box's link where no web browser can show the manual: a
// message names where it is, instead of nothing at all.
class AboutBoxTest : public QObject {
    Q_OBJECT

private:
    HeadlessPlatform platform;
    QTemporaryDir emptyPath;

    bool ToldWhereTheManualIs() const
    {
        const std::string manual = ProgramFolder() + "quorvatix.html";
        for (const HeadlessPlatform::ShownMessage& message : platform.messages)
            if (message.text.find(manual) != std::string::npos)
                return true;
        return false;
    }

private slots:
    void initTestCase()
    {
        // A manual beside the program, as the build puts it beside the desktop program.
        QFile manual(QString::fromStdString(ProgramFolder() + "quorvatix.html"));
        QVERIFY(!manual.exists());
        QVERIFY(manual.open(QIODevice::WriteOnly));
        manual.write("<html></html>");
        manual.close();
        InstallPlatform(&platform);
        StartUpEngine(1280, 1024, 2);
        // No opener and no browser on the way.
        qputenv("PATH", emptyPath.path().toLocal8Bit());
        qunsetenv("BROWSER");
    }
    void cleanupTestCase()
    {
        InstallPlatform(nullptr);
        QFile::remove(QString::fromStdString(ProgramFolder() + "quorvatix.html"));
    }
    void init() { platform.messages.clear(); }

    void helpNamesTheManualWithoutABrowser()
    {
        ShowHelp();
        QVERIFY(ToldWhereTheManualIs());
    }

    void aboutLinkOpensTheManualAndCloseCloses()
    {
        AboutBox box;
        box.show();
        QVERIFY(!box.link()->text().contains("://"));
        QVERIFY(box.link()->text().contains("manual"));
        QTest::mouseClick(box.link(), Qt::LeftButton);
        QVERIFY(ToldWhereTheManualIs());

        QPushButton* close = box.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Close);
        QVERIFY(close);
        QCOMPARE(close->text().remove('&'), QString("Close"));
        QVERIFY(close->geometry().bottom() < box.height());
        QTest::mouseClick(close, Qt::LeftButton);
        QVERIFY(!box.isVisible());
    }
};

QTEST_MAIN(AboutBoxTest)
#include "about_box_test.moc"
