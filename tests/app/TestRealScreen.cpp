// What a person sees, read back from a real X server (a private Xvfb) with
// QScreen::grabWindow: the screen is compared with what the widgets hold now,
// so a window that stopped painting, a header that scrolled away or an arrow
// that misses its control shows up here although the widgets' state is right.
#include "SandboxProcess.h"
#include "WindowTestSupport.h"
#include "XvfbDisplay.h"
#include "app/Unit1.h"
#include "dialogs/Unit4.h"
#include "dialogs/Unit5.h"
#include "exchange/Connection.h"
#include "exchange/Exchange.h"
#include "mapping/FieldCatalogue.h"

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QtTest>

namespace
{
const QString CatalogueReply = QStringLiteral("OK\r\n"
                                              "1\t2\t0\tLast name\t0\r\n"
                                              "1\t3\t0\tFirst name\t0\r\n"
                                              "8\t1\t0\tDate joined\t6\r\n");

// The part of the screen a widget covers, as the X server holds it.
QImage OnScreen(const QWidget* widget, const QRect& area)
{
    const QRect global(widget->mapToGlobal(area.topLeft()), area.size());
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen->grabWindow(0, global.x(), global.y(), global.width(), global.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

QImage OnScreen(const QWidget* widget)
{
    return OnScreen(widget, widget->rect());
}

// What the widget paints in its present state.
QImage Rendered(QWidget* widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

int Colours(const QImage& image)
{
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            seen.insert(image.pixel(x, y));
    return int(seen.size());
}

// Lets the X server catch up with what the windows sent it.
void Settle(int ms = 300)
{
    QTest::qWait(ms);
    QApplication::sync();
    QTest::qWait(50);
}

// Empty when the pictures are the same, else where they differ.
QString Difference(const QImage& shown, const QImage& expected)
{
    if (shown.size() != expected.size())
        return QStringLiteral("sizes differ");
    QRect box;
    int count = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixel(x, y) != expected.pixel(x, y)) {
                box |= QRect(x, y, 1, 1);
                ++count;
            }
    if (count == 0)
        return QString();
    return QStringLiteral("%1 pixels differ within %2,%3 %4x%5; first: %6 on the screen, %7 expected")
        .arg(count)
        .arg(box.x())
        .arg(box.y())
        .arg(box.width())
        .arg(box.height())
        .arg(shown.pixel(box.topLeft()), 8, 16)
        .arg(expected.pixel(box.topLeft()), 8, 16);
}

bool IsArrowColour(QRgb pixel)
{
    return pixel == qRgb(128, 0, 0) || pixel == qRgb(255, 0, 0);
}
} // namespace

class TestRealScreen : public QObject
{
    Q_OBJECT

    TSandboxProcess Sandbox;
    QTemporaryDir SandboxDir;
    std::unique_ptr<QTemporaryDir> Dir;
    TScriptedPrompt Prompt;

    // A file of many rows and columns, loaded as the field-list reply loads it, on the mapping page.
    std::unique_ptr<TForm1> MappingPage(int rows, int columns)
    {
        QByteArray text;
        for (int r = 1; r <= rows; ++r) {
            QByteArrayList cells;
            for (int c = 1; c <= columns; ++c)
                cells << "r" + QByteArray::number(r) + "c" + QByteArray::number(c);
            text += cells.join('\t') + "\r\n";
        }
        auto form = MakeTestWindow(*Dir, Prompt);
        form->FileName = WriteTestFile(*Dir, QStringLiteral("wide.txt"), text);
        form->LoadFieldCatalogue(CatalogueReply);
        form->LoadSourceFile();
        form->StringGrid1Click();
        form->ShowPage(form->TabSheet4);
        return form;
    }

private slots:
    void initTestCase() { QVERIFY2(Sandbox.Start(SandboxDir.path()), qPrintable(Sandbox.ErrorText())); }
    void init()
    {
        QVERIFY(Sandbox.Reset());
        Dir = std::make_unique<QTemporaryDir>();
        Prompt = TScriptedPrompt();
    }
    void cleanup() { QVERIFY2(Prompt.Failures.isEmpty(), qPrintable(Prompt.Failures.join(QLatin1Char('\n')))); }

    // After a run the page on the screen is the finished page: its messages listed, the final count shown.
    void importThroughWindow_screenShowsMessagesAndFinalCount()
    {
        auto form = MakeTestWindow(*Dir, Prompt, {Sandbox.Host(), Sandbox.CAFile()});
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->AccountNumber = QStringLiteral("123456789");
        form->LoginName = QStringLiteral("demo@example.org");
        form->Password = QStringLiteral("sandbox-demo");
        form->SiteNumber = QStringLiteral("0");
        LoadFieldCatalogue(CatalogueReply, form->FieldCatalogue);
        form->ColumnMap[1].Skip = 0;
        form->ColumnMap[1].FieldIndex = 1;
        form->ColumnMap[2].Skip = 0;
        form->ColumnMap[2].FieldIndex = 2;
        for (int row = 1; row <= 40; ++row)
            form->SourceLines << QStringLiteral("Smith %1\tAnn").arg(row);
        form->CheckBox1->setChecked(false);
        form->FileName = Dir->filePath(QStringLiteral("source.txt"));
        ApplyConnectionSettings(form->Exchange->HTTPS1, form->Setup, form->Endpoint, form->RunLog);
        form->ShowPage(form->TabSheet7);
        Settle();

        form->Button20->click();
        QCOMPARE(form->RecordsImported, 40);
        QCOMPARE(form->StatusPanel0->text(), QStringLiteral("Records imported: 40"));
        Settle();

        // The list's area holds text, not an empty list.
        const QImage list = OnScreen(form->ListBox3->viewport());
        QVERIFY2(Colours(list) > 2, "the message list is blank on the screen");
        // The screen is what the window holds now: the last messages, Next enabled, Cancel
        // greyed, the gauge gone, the final count.
        QCOMPARE(list, Rendered(form->ListBox3->viewport()));
        QString differs = Difference(OnScreen(form->StatusPanel0), Rendered(form->StatusPanel0));
        QVERIFY2(differs.isEmpty(), qPrintable(QStringLiteral("status bar: ") + differs));
        differs = Difference(OnScreen(form->TabSheet7), Rendered(form->TabSheet7));
        QVERIFY2(differs.isEmpty(), qPrintable(QStringLiteral("import page: ") + differs));
        QVERIFY(Colours(OnScreen(form->StatusPanel0)) > 2);
    }

    // The row numbers and the column letters stay in view however the grid is scrolled.
    void sampleGrid_scrolled_rowNumbersAndLettersStayDrawn()
    {
        auto form = MappingPage(60, 40);
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QTableWidget* grid = form->StringGrid1;
        Settle();
        const int frame = grid->frameWidth();
        // A strip down the grid's left edge below its letters, and one along its top right of the row numbers.
        const QRect left(frame, frame + 30, 14, grid->height() - 2 * frame - 60);
        const QRect top(frame + 60, frame, grid->width() - 2 * frame - 90, 18);
        const QImage leftBefore = OnScreen(grid, left);
        const QImage topBefore = OnScreen(grid, top);
        QVERIFY2(Colours(leftBefore) > 2, "no row numbers drawn");
        QVERIFY2(Colours(topBefore) > 2, "no column letters drawn");

        grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
        Settle();
        QVERIFY(grid->horizontalScrollBar()->value() > 0);
        QCOMPARE(OnScreen(grid, left), leftBefore);

        grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
        Settle();
        QVERIFY(grid->verticalScrollBar()->value() > 0);
        QCOMPARE(OnScreen(grid, left).size(), leftBefore.size());
        QVERIFY2(OnScreen(grid, left) != leftBefore, "the row numbers did not follow the rows");
        QVERIFY2(Colours(OnScreen(grid, left)) > 2, "no row numbers drawn");
        // Scrolled sideways to the end: the letters there are other letters, but letters.
        QVERIFY2(Colours(OnScreen(grid, top)) > 2, "no column letters drawn");
    }

    // The overlay lies on the client area, Close Tutorial can be seen and pressed, and each arrow
    // points at the control its words name.
    void tutorial_closeInsideAndArrowTipsOnTargets()
    {
        auto form = MappingPage(6, 5);
        TForm5 overlay;
        overlay.SetPauseDuration(0);
        form->AttachWindows(nullptr, nullptr, nullptr, &overlay);
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        Settle();

        form->Button22->click();
        QVERIFY(QTest::qWaitForWindowExposed(&overlay));
        Settle();

        const QRect client(form->mapToGlobal(QPoint(0, 0)), form->size());
        QCOMPARE(QRect(overlay.mapToGlobal(QPoint(0, 0)), overlay.size()), client);
        const QRect close = overlay.Button2->geometry();
        QVERIFY2(overlay.rect().contains(close), qPrintable(QStringLiteral("Close Tutorial at %1,%2 %3x%4")
                                                                 .arg(close.x())
                                                                 .arg(close.y())
                                                                 .arg(close.width())
                                                                 .arg(close.height())));
        QCOMPARE(OnScreen(overlay.Button2), Rendered(overlay.Button2));

        // Arrows 1 to 3 point left at the grid, the Skip and Convert choices and the Tab list;
        // arrow 4 points right at Next.
        const QRect choices = form->RadioButton20->geometry().united(form->RadioButton21->geometry());
        const QList<QRect> targets = {
            QRect(form->StringGrid1->mapToGlobal(QPoint(0, 0)), form->StringGrid1->size()),
            QRect(form->RadioButton20->parentWidget()->mapToGlobal(choices.topLeft()), choices.size()),
            QRect(form->ListBox4->mapToGlobal(QPoint(0, 0)), form->ListBox4->size()),
            QRect(form->Button10->mapToGlobal(QPoint(0, 0)), form->Button10->size()),
        };
        const QList<QPoint> tips = overlay.ArrowTips();
        QCOMPARE(tips.size(), 4);
        const QImage shown = OnScreen(&overlay);
        for (int i = 0; i < 4; ++i) {
            const QPoint tip = overlay.mapToGlobal(tips[i]);
            QVERIFY2(targets[i].contains(tip), qPrintable(QStringLiteral("arrow %1 ends at %2,%3 off its target")
                                                              .arg(i + 1)
                                                              .arg(tip.x())
                                                              .arg(tip.y())));
            // Drawn there on the screen: just behind the tip is the arrow's own colour.
            const QPoint behind = tips[i] + QPoint(i < 3 ? 3 : -3, 0);
            QVERIFY2(IsArrowColour(shown.pixel(behind)), qPrintable(QStringLiteral("arrow %1 not on the screen").arg(i + 1)));
        }

        // A white frame round the thumbnail, whose picture still shows inside it.
        const QRect thumbnail(overlay.mapFromGlobal(form->Image7->mapToGlobal(QPoint(0, 0))), form->Image7->size());
        const QRgb white = qRgb(255, 255, 255);
        QCOMPARE(shown.pixel(thumbnail.left() - 8, thumbnail.center().y()), white);
        QCOMPARE(shown.pixel(thumbnail.right() + 8, thumbnail.center().y()), white);
        QCOMPARE(shown.pixel(thumbnail.center().x(), thumbnail.top() - 3), white);
        QVERIFY(Colours(shown.copy(thumbnail.adjusted(20, 20, -20, -20))) > 10);

        overlay.Button2->click();
        QVERIFY(!overlay.isVisible());
        form->Exchange->ExitPlease = true;
    }
};

QIMPORT_XVFB_TEST_MAIN(TestRealScreen, QSize(1920, 1080))
#include "TestRealScreen.moc"
