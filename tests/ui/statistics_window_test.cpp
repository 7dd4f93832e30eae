#include <QApplication>
#include <QLabel>
#include <QtTest>

#include "app/main_window.h"
#include "app/statistics_window.h"
#include "engine/fractal_state.h"
#include "frame/frame_driver.h"
#include "frame/startup.h"
#include "nav/picture_window.h"
#include "nav/tool_window.h"
#include "platform/headless_platform.h"
#include "platform/qt/qt_platform.h"

// The statistics window opened from the menu after a small frame, and
// refreshed in place by the next one.
class StatisticsWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QtPlatform> platform;
    HeadlessPlatform answers;
    std::unique_ptr<PictureWindow> picture;
    std::unique_ptr<MainWindow> menu;

    static void WaitForFrame()
    {
        QTRY_VERIFY_WITH_TIMEOUT(State.FrameValid == 1 && State.FrameBusy == 0, 60000);
    }

    static StatisticsWindow* OpenStatistics(MainWindow& menu)
    {
        menu.DispatchCommand(110);
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* statistics = dynamic_cast<StatisticsWindow*>(window))
                return statistics;
        return nullptr;
    }

    static QLabel* LabelWithText(QWidget* window, const QString& text)
    {
        for (QLabel* label : window->findChildren<QLabel*>())
            if (label->text() == text)
                return label;
        return nullptr;
    }

private slots:
    void init()
    {
        platform = std::make_unique<QtPlatform>();
        platform->SetDialogAnswerer(&answers);
        ConnectToolWindows(*platform);
        InstallPlatform(platform.get());
        StartUpEngine(1280, 1024, 2);
        State.PicWidth = 64;
        State.PicHeight = 48;
        Results.Allocate(64, 48);
        picture = std::make_unique<PictureWindow>();
        menu = std::make_unique<MainWindow>(picture.get());
        platform->SetWindows(menu.get(), picture.get());
        picture->setFixedSize(64, 48);
        menu->show();
        picture->show();
        WaitForFrame();
    }

    void cleanup()
    {
        menu.reset();  // owned by the picture window: goes first
        picture.reset();
        InstallPlatform(nullptr);
        platform.reset();
    }

    void showsTheLastFrame()
    {
        StatisticsWindow* window = OpenStatistics(*menu);
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QString("QUORVATIX STATISTICS"));
        QCOMPARE(window->pos(), QPoint(100, 100));
        QVERIFY(LabelWithText(window, " MANDELBROT"));
        QVERIFY(LabelWithText(window, " 100 iterations"));
        QVERIFY(LabelWithText(window, " 64x 48"));
        QVERIFY(LabelWithText(window, " Colors used:"));
        QVERIFY(LabelWithText(window, " Inside pixels: "));
        QVERIFY(LabelWithText(window, " System version:"));

        // Each value on the line of its label, and no text cut short.
        const QLabel* itermax = LabelWithText(window, " Itermax:");
        QVERIFY(itermax);
        QCOMPARE(LabelWithText(window, " 100 iterations")->y(), itermax->y());
        for (const QLabel* label : window->findChildren<QLabel*>()) {
            QVERIFY2(label->width() >= label->fontMetrics().horizontalAdvance(label->text()),
                     qPrintable(label->text()));
            QVERIFY(label->geometry().right() < window->width());
        }
    }

    void nextFrameRefreshesInPlace()
    {
        StatisticsWindow* window = OpenStatistics(*menu);
        QVERIFY(window);
        State.IterMax = 250;
        State.FrameValid = 0;
        Redraw();
        WaitForFrame();
        QCOMPARE(OpenStatistics(*menu), window);
        QVERIFY(LabelWithText(window, " 250 iterations"));
        QVERIFY(!LabelWithText(window, " 100 iterations"));
    }
};

QTEST_MAIN(StatisticsWindowTest)
#include "statistics_window_test.moc"
