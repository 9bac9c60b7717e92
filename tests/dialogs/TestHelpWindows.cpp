#include "dialogs/Thumbnails.h"
#include "dialogs/Unit3.h"
#include "dialogs/Unit4.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QtTest>

class TestHelpWindows : public QObject
{
    Q_OBJECT

private slots:
    void viewer_placedAndSizedToPicture()
    {
        TForm3 viewer;
        QCOMPARE(viewer.windowTitle(), QStringLiteral("Quillmarsh Import Utility"));
        QCOMPARE(viewer.pos(), QPoint(100, 100));

        QPixmap first(200, 120);
        first.fill(Qt::cyan);
        viewer.show();
        viewer.SetPicture(first);
        QCOMPARE(viewer.size(), QSize(200, 120));
        QCOMPARE(viewer.Image1->size(), QSize(200, 120));

        // A copy is shown: later drawing on the caller's picture does not reach the viewer.
        first.fill(Qt::black);
        QCOMPARE(viewer.Picture().toImage().pixelColor(5, 5), QColor(Qt::cyan));

        QPixmap second(681, 601);
        second.fill(Qt::magenta);
        viewer.SetPicture(second);
        QCOMPARE(viewer.size(), QSize(681, 601));
        QCOMPARE(viewer.Picture().toImage().pixelColor(600, 500), QColor(Qt::magenta));
    }

    void instructions_textAndLook()
    {
        TForm4 window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Import Instructions"));
        const QStringList expected = {
            "INSTRUCTIONS",
            "",
            "1. Select a column (field) to import ",
            "    (start at left-most column)",
            "2. Select \"Convert column to...\" or you can",
            "    skip the column to avoid importing it.",
            "3. Choose that column's identity in the ",
            "    Tab, Box and Field options. For ",
            "     reference, you can see an image of the",
            "     Quillmarsh web page it applies to by",
            "     selecting the image at the bottom-right.",
            "4. Repeat these steps until all columns are",
            "     identified.",
        };
        QCOMPARE(window.Memo1->toPlainText().split(QLatin1Char('\n')), expected);
        QVERIFY(window.Memo1->isReadOnly());
        QCOMPARE(window.Memo1->palette().color(QPalette::Base), QColor(Qt::yellow));
        QCOMPARE(window.Memo1->font().pixelSize(), 17);
        QCOMPARE(window.Memo1->font().family(), QStringLiteral("MS Sans Serif"));
        // At least the designed size, and every line shown whole: nothing to scroll either way.
        QVERIFY(window.Memo1->width() >= 369 && window.Memo1->height() >= 297);
        QCOMPARE(window.size(), window.Memo1->size());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.Memo1->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(window.Memo1->verticalScrollBar()->maximum(), 0);
        QVERIFY(!window.Memo1->horizontalScrollBar()->isVisible());
        QVERIFY(!window.Memo1->verticalScrollBar()->isVisible());
    }

    // The note never hides the main window's buttons or its thumbnail: beside the window when
    // the screen has room for it there, else in the screen's corner farthest from the buttons.
    void instructions_placement_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QPoint>("moved");    // the main window moved by the user from where it started
        QTest::addColumn<QString>("expected"); // right or left of it, or the top left corner
        QTest::newRow("1280x800") << QSize(1280, 800) << QPoint() << "top left";
        QTest::newRow("1366x768") << QSize(1366, 768) << QPoint() << "top left";
        QTest::newRow("1600x900") << QSize(1600, 900) << QPoint() << "top left";
        QTest::newRow("1920x1080") << QSize(1920, 1080) << QPoint() << "right";
        QTest::newRow("1920x1080, window moved right") << QSize(1920, 1080) << QPoint(430, 0) << "left";
        QTest::newRow("1280x1024") << QSize(1280, 1024) << QPoint() << "top left";
        QTest::newRow("1024x768") << QSize(1024, 768) << QPoint() << "top left";
    }
    void instructions_placement()
    {
        QFETCH(QSize, screen);
        QFETCH(QPoint, moved);
        QFETCH(QString, expected);
        // The main window as it starts: its 1000 x 750 client area centred, under a 30 pixel title.
        const QRect area(QPoint(0, 0), screen);
        const QPoint client = QPoint(qMax(0, (screen.width() - 1000) / 2), qMax(0, (screen.height() - 750) / 2)) + moved;
        const QRect frame(client - QPoint(0, 30), QSize(1000, 780));
        const QRect buttons(client + QPoint(580, 686), QSize(402, 25)); // "< Prev" to "Cancel"
        const QRect thumbnail(client + QPoint(652, 378), QSize(320, 273));
        const QSize note(420, 330);

        const QRect placed(InstructionsPosition(area, frame, buttons, note), note);
        QVERIFY(area.contains(placed));
        QVERIFY(!placed.intersects(buttons));
        QVERIFY(!placed.intersects(thumbnail));
        if (expected == QLatin1String("right")) {
            QCOMPARE(placed.left(), frame.right() + 11);
            QCOMPARE(placed.top(), frame.top());
        } else if (expected == QLatin1String("left")) {
            QCOMPARE(placed.right(), frame.left() - 11);
        } else {
            QCOMPARE(placed.topLeft(), area.topLeft());
        }
        // With no main window to keep clear of, the bottom right.
        QCOMPARE(InstructionsPosition(area, QRect(), QRect(), note),
                 QPoint(screen.width() - note.width(), screen.height() - note.height()));
    }

    // Following a window on the screen, the note is shown clear of that window's buttons.
    void instructions_shownClearOfTheButtons()
    {
        QWidget main;
        main.setGeometry(100, 100, 500, 400);
        auto* next = new QPushButton(QStringLiteral("Next >"), &main);
        next->setGeometry(380, 360, 100, 25);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        TForm4 window;
        window.Follow(&main, {next});
        window.show();
        const QRect button(next->mapToGlobal(QPoint(0, 0)), next->size());
        QVERIFY(!window.frameGeometry().intersects(button));
        QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(window.frameGeometry()));
    }

    void thumbnails_sizesAndDistinct()
    {
        QStringList keys = ThumbnailTabKeys();
        keys.prepend(QStringLiteral("general"));
        QCOMPARE(keys.size(), 7);
        QList<QImage> pictures;
        for (const QString& key : keys) {
            const QPixmap picture = ThumbnailPicture(key);
            QVERIFY2(!picture.isNull(), qPrintable(key));
            QCOMPARE(picture.size(), QSize(681, 601));
            const QImage image = picture.toImage();
            for (const QImage& earlier : pictures)
                QVERIFY2(image != earlier, qPrintable(key));
            pictures << image;
        }
    }

    void thumbnails_keysAndArrows()
    {
        // Tab names arrive in their own letter case; unknown Tabs get the general picture.
        QCOMPARE(ThumbnailPicture(QStringLiteral("Core")).toImage(), ThumbnailPicture(QStringLiteral("core")).toImage());
        QCOMPARE(ThumbnailPicture(QStringLiteral("Mandatory")).toImage(),
                 ThumbnailPicture(QStringLiteral("general")).toImage());
        QVERIFY(ThumbnailPicture(QStringLiteral("general")).toImage()
                != ThumbnailPicture(QStringLiteral("core")).toImage());

        // Each picture carries big red arrows with yellow captions.
        const QImage general = ThumbnailPicture(QStringLiteral("general")).toImage();
        int red = 0;
        int yellow = 0;
        for (int y = 0; y < general.height(); ++y)
            for (int x = 0; x < general.width(); ++x) {
                const QColor c = general.pixelColor(x, y);
                red += c == QColor(255, 0, 0) ? 1 : 0;
                yellow += c == QColor(255, 255, 0) ? 1 : 0;
            }
        QVERIFY(red > 3 * 3000);
        QVERIFY(yellow > 3 * 100);
    }
};

QTEST_MAIN(TestHelpWindows)
#include "TestHelpWindows.moc"
