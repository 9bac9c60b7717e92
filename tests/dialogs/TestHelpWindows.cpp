#include "dialogs/Thumbnails.h"
#include "dialogs/Unit3.h"
#include "dialogs/Unit4.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
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
        QCOMPARE(window.Memo1->size(), QSize(369, 297));
        QCOMPARE(window.size(), QSize(369, 297));
        QCOMPARE(window.Memo1->palette().color(QPalette::Base), QColor(Qt::yellow));
        QCOMPARE(window.Memo1->font().pixelSize(), 17);
        QCOMPARE(window.Memo1->font().family(), QStringLiteral("MS Sans Serif"));
    }

    void instructions_showsAtBottomRight()
    {
        TForm4 window;
        window.show();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect frame = window.frameGeometry();
        QCOMPARE(frame.left(), screen.left() + screen.width() - frame.width() - 10);
        QCOMPARE(frame.top(), screen.top() + screen.height() - frame.height() - 60);
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
