#include "dialogs/Unit5.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {

const QColor Fill(255, 0, 0);
const QColor Outline(128, 0, 0);
const QColor Yellow(255, 255, 0);

// Main window size large enough for all four arrows, and where its controls are: arrow 1
// ends up at (100, 100), 2 at (275, 250), 3 at (100, 380) and 4 at (700, 320).
const QRect MainGeometry(40, 30, 900, 760);
const QRect QuickTutorial(600, 20, 80, 40);
const QRect Image7(740, 560, 140, 100);

TTutorialTargets Targets(int nextTop = 410)
{
    TTutorialTargets targets;
    targets.QuickTutorial = QuickTutorial;
    targets.Thumbnail = Image7;
    targets.Grid = QRect(16, 100, 500, 205);
    targets.Choices = QRect(200, 330, 82, 45);
    targets.TabList = QRect(42, 432, 121, 101);
    targets.Next = QRect(694, nextTop, 100, 25);
    return targets;
}

QPixmap Snapshot(const QColor& colour)
{
    QPixmap snapshot(MainGeometry.size());
    snapshot.fill(colour);
    return snapshot;
}

int CountColour(const QImage& image, const QRect& area, const QColor& colour)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixelColor(x, y) == colour ? 1 : 0;
    return count;
}

} // namespace

class TestForm5 : public QObject
{
    Q_OBJECT

private:
    QWidget* Main = nullptr;
    TForm5* Overlay = nullptr;

    void Run(const QColor& background, int nextTop = 410)
    {
        Overlay->RunTutorial(Main, Snapshot(background), Targets(nextTop));
    }

private slots:
    void init()
    {
        Main = new QWidget;
        Main->setGeometry(MainGeometry);
        Main->show();
        QVERIFY(QTest::qWaitForWindowExposed(Main));
        Overlay = new TForm5;
        Overlay->SetPauseDuration(0);
    }
    void cleanup()
    {
        delete Overlay;
        delete Main;
    }

    void tutorial_coversClientAreaAndPlacesCloseButton()
    {
        Run(Qt::green);
        const QRect client(Main->mapToGlobal(QPoint(0, 0)), Main->size());
        QVERIFY(Overlay->isVisible());
        QCOMPARE(Overlay->geometry(), client);
        QCOMPARE(Overlay->Image1->geometry(), QRect(QPoint(0, 0), client.size()));
        QCOMPARE(Overlay->Picture().size(), client.size());
        QVERIFY(Overlay->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(Overlay->Button2->text(), QStringLiteral("&Close Tutorial")); // Alt+C closes it
        QCOMPARE(Overlay->Button2->size(), QSize(105, 41));
        // Right of Quick Tutorial, level with it.
        QCOMPARE(Overlay->Button2->pos(), QPoint(600 + 80 + 10, 20));
    }

    // Close Tutorial goes left of Quick Tutorial when the right is too narrow, never off the overlay.
    void closeTutorial_staysInsideOverlay_data()
    {
        QTest::addColumn<QRect>("quickTutorial");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("room on the right") << QRect(600, 20, 80, 40) << QRect(690, 20, 105, 41);
        QTest::newRow("at the right edge") << QRect(882, 60, 100, 38) << QRect(767, 59, 105, 41);
        QTest::newRow("at the top") << QRect(882, 0, 100, 20) << QRect(767, 0, 105, 41);
        QTest::newRow("narrow overlay") << QRect(40, 60, 100, 38) << QRect(0, 59, 105, 41);
    }
    void closeTutorial_staysInsideOverlay()
    {
        QFETCH(QRect, quickTutorial);
        QFETCH(QRect, expected);
        const QSize overlay(quickTutorial.left() < 100 ? 150 : 1000, 750);
        const QRect close = CloseTutorialRect(quickTutorial, QSize(105, 41), overlay);
        QCOMPARE(close, expected);
        QVERIFY(QRect(QPoint(0, 0), overlay).contains(close));
    }

    void tutorial_framesButtonAndThumbnail()
    {
        Run(Qt::green);
        const QImage picture = Overlay->Picture().toImage();
        // Round Quick Tutorial: 5 pixels all round; the button itself still shows.
        QCOMPARE(picture.pixelColor(QuickTutorial.left() - 5, QuickTutorial.top() - 5), QColor(Qt::white));
        QCOMPARE(picture.pixelColor(QuickTutorial.right() + 5, QuickTutorial.bottom() + 5), QColor(Qt::white));
        QCOMPARE(picture.pixelColor(QuickTutorial.left() - 6, QuickTutorial.top()), QColor(Qt::green));
        QCOMPARE(picture.pixelColor(QuickTutorial.center()), QColor(Qt::green));
        // Round the thumbnail: 15 pixels at the sides, 5 above and below; its picture still shows.
        QCOMPARE(picture.pixelColor(Image7.left() - 15, Image7.top() - 5), QColor(Qt::white));
        QCOMPARE(picture.pixelColor(Image7.right() + 15, Image7.bottom() + 5), QColor(Qt::white));
        QCOMPARE(picture.pixelColor(Image7.left() - 16, Image7.top()), QColor(Qt::green));
        QCOMPARE(picture.pixelColor(Image7.left(), Image7.top() - 6), QColor(Qt::green));
        QCOMPARE(picture.pixelColor(Image7.left(), Image7.top()), QColor(Qt::green));
        QCOMPARE(picture.pixelColor(Image7.center()), QColor(Qt::green));
    }

    void arrows_tipsOnTheirTargets()
    {
        const TTutorialTargets targets = Targets();
        const QList<TTutorialArrow> arrows = TutorialArrows(targets);
        QCOMPARE(arrows.size(), 4);
        const QList<QRect> aimed{targets.Grid, targets.Choices, targets.TabList, targets.Next};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(arrows[i].Text, QString::number(i + 1));
            QVERIFY(aimed[i].contains(ArrowTip(arrows[i].Position)));
        }
        QCOMPARE(arrows[0].Position, QPoint(100, 100));
        QCOMPARE(arrows[3].Position, QPoint(700, 320));
        Run(Qt::green);
        QCOMPARE(Overlay->ArrowTips(), QList<QPoint>({QPoint(102, 202), QPoint(277, 352), QPoint(102, 482),
                                                       QPoint(702, 422)}));
    }

    void arrows_pixels_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QColor>("colour");
        // Arrow 1 at (100, 100), pointing left: tip (102, 202), head to x 192, shaft y 172..232 to x 700.
        QTest::newRow("1 head inside") << QPoint(185, 130) << Fill;
        QTest::newRow("1 shaft inside") << QPoint(650, 200) << Fill;
        QTest::newRow("1 head back edge") << QPoint(192, 140) << Outline;
        QTest::newRow("1 shaft top edge") << QPoint(500, 172) << Outline;
        QTest::newRow("1 shaft end") << QPoint(700, 200) << Outline;
        QTest::newRow("1 beyond shaft end") << QPoint(704, 200) << QColor(Qt::green);
        QTest::newRow("1 above shaft") << QPoint(500, 165) << QColor(Qt::green);
        QTest::newRow("1 outside head edge") << QPoint(150, 140) << QColor(Qt::green);
        QTest::newRow("1 before tip") << QPoint(96, 202) << QColor(Qt::green);
        // Arrow 2 at (275, 250): tip (277, 352), shaft y 322..382.
        QTest::newRow("2 shaft inside") << QPoint(680, 370) << Fill;
        QTest::newRow("2 head upper back edge") << QPoint(367, 290) << Outline;
        QTest::newRow("2 above head edge") << QPoint(330, 270) << QColor(Qt::green);
        // Arrow 3 at (100, 380): shaft y 452..512.
        QTest::newRow("3 shaft inside") << QPoint(690, 505) << Fill;
        QTest::newRow("3 head tip side") << QPoint(110, 482) << Fill;
        // Arrow 4 at (700, 320), pointing right: tip (702, 422), head from x 612,
        // shaft y 392..452 from x 220.
        QTest::newRow("4 head inside") << QPoint(690, 422) << Fill;
        QTest::newRow("4 shaft start inside") << QPoint(226, 445) << Fill;
        QTest::newRow("4 shaft start edge") << QPoint(220, 420) << Outline;
        QTest::newRow("4 before shaft") << QPoint(212, 420) << QColor(Qt::green);
        QTest::newRow("4 past tip") << QPoint(708, 422) << QColor(Qt::green);
    }
    void arrows_pixels()
    {
        QFETCH(QPoint, point);
        QFETCH(QColor, colour);
        Run(Qt::green);
        QCOMPARE(Overlay->Picture().toImage().pixelColor(point), colour);
    }

    void arrows_numbersAndCaptionsInYellow()
    {
        Run(Qt::green);
        const QImage picture = Overlay->Picture().toImage();
        QVERIFY(CountColour(picture, QRect(142, 172, 45, 50), Yellow) > 20);   // "1" in its head
        QVERIFY(CountColour(picture, QRect(212, 175, 200, 45), Yellow) > 100); // two caption lines
        QVERIFY(CountColour(picture, QRect(632, 392, 45, 50), Yellow) > 20);   // "4" in its head
        QVERIFY(CountColour(picture, QRect(240, 395, 250, 45), Yellow) > 100);
        // Nothing is written outside the arrows.
        QCOMPARE(CountColour(picture, QRect(0, 0, 90, 90), Yellow), 0);
    }

    void arrow_withoutCaption_writesOnlyItsText()
    {
        Run(Qt::green);
        const QImage before = Overlay->Picture().toImage();
        QCOMPARE(CountColour(before, QRect(212, 645, 200, 45), Yellow), 0);
        Overlay->drawArrow(100, 570, QStringLiteral("7"));
        const QImage after = Overlay->Picture().toImage();
        QCOMPARE(after.pixelColor(650, 690), Fill);
        QVERIFY(CountColour(after, QRect(142, 642, 45, 50), Yellow) > 20);
        QCOMPARE(CountColour(after, QRect(212, 645, 200, 45), Yellow), 0);
    }

    void tutorial_again_startsFromFreshSnapshot()
    {
        Run(Qt::green); // arrow 4 at y 320
        Overlay->Button2->click();
        QVERIFY(!Overlay->isVisible());
        Run(Qt::blue, 560); // arrow 4 at y 470
        QVERIFY(Overlay->isVisible());
        const QImage picture = Overlay->Picture().toImage();
        QCOMPARE(CountColour(picture, picture.rect(), QColor(Qt::green)), 0);
        QCOMPARE(picture.pixelColor(226, 445), QColor(Qt::blue)); // first run's arrow 4 is gone
        QCOMPARE(picture.pixelColor(226, 595), Fill);
    }

    void tutorial_pausesBetweenArrows()
    {
        Overlay->SetPauseDuration(60);
        QElapsedTimer clock;
        clock.start();
        Run(Qt::green);
        QVERIFY(clock.elapsed() >= 3 * 60);
    }

    void movingMainWindow_closesOverlay()
    {
        Run(Qt::green);
        QVERIFY(Overlay->isVisible());
        Main->move(Main->pos() + QPoint(20, 0));
        QTRY_VERIFY_WITH_TIMEOUT(!Overlay->isVisible(), 2000);
        QVERIFY(Main->isVisible());
    }

    void resizingMainWindow_closesOverlay()
    {
        Run(Qt::green);
        Main->resize(Main->size() + QSize(0, 10));
        QTRY_VERIFY_WITH_TIMEOUT(!Overlay->isVisible(), 2000);
    }
};

QTEST_MAIN(TestForm5)
#include "TestForm5.moc"
