#include "SandboxProcess.h"
#include "ScriptedPrompt.h"
#include "WindowTestSupport.h"
#include "app/MessageListModel.h"
#include "app/StatusPanel.h"
#include "app/Unit1.h"
#include "dialogs/Unit2.h"
#include "dialogs/Unit3.h"
#include "dialogs/Unit4.h"
#include "dialogs/Unit5.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QtTest>

#include <memory>

namespace
{
// Roles of pure containers: they hold controls but are nothing to read or operate themselves.
bool IsContainer(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::Client:
    case QAccessible::Pane:
    case QAccessible::Border:
    case QAccessible::LayeredPane:
    case QAccessible::Window:
    case QAccessible::Dialog:
    case QAccessible::ScrollBar:
    case QAccessible::StatusBar:
        return true;
    default:
        return false;
    }
}

bool TakesTabFocus(const QWidget* widget)
{
    return (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && !widget->focusProxy();
}

// The control a focused part belongs to: the list for its viewport, the list box for its edit.
QWidget* ControlOf(QWidget* widget, const QWidget* root)
{
    QWidget* control = widget;
    for (QWidget* parent = widget ? widget->parentWidget() : nullptr; parent && parent != root;
         parent = parent->parentWidget()) {
        if (qobject_cast<QComboBox*>(parent) || qobject_cast<QAbstractScrollArea*>(parent))
            control = parent;
    }
    return control;
}

QString Describe(const QWidget* widget)
{
    return widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                          : widget->objectName();
}

// What a screen reader finds wrong among the shown controls under root: a control or a picture
// without a name, two controls the keyboard reaches by the same name, two underlined letters alike.
QStringList AccessibilityFaults(QWidget* root)
{
    QStringList faults;
    QHash<QString, QString> names;     // name -> control, among those the keyboard reaches
    QHash<QChar, QString> mnemonics;   // underlined letter -> control
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        if (!widget->isVisible())
            continue;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
        if (!face) {
            faults << Describe(widget) + QStringLiteral(": no accessible interface");
            continue;
        }
        const QAccessible::Role role = face->role();
        const QString name = face->text(QAccessible::Name);
        const auto* label = qobject_cast<QLabel*>(widget);
        const bool emptyText = role == QAccessible::StaticText && label && label->pixmap().isNull()
                            && label->text().isEmpty();
        if (!IsContainer(role) && !emptyText && name.trimmed().isEmpty())
            faults << Describe(widget) + QStringLiteral(": no name (role %1)").arg(int(role));
        if (TakesTabFocus(widget) && ControlOf(widget, root) == widget && !name.isEmpty()) {
            if (names.contains(name))
                faults << Describe(widget) + QStringLiteral(" and ") + names.value(name)
                              + QStringLiteral(" are both called ") + name;
            names.insert(name, Describe(widget));
        }
        QString caption;
        if (const auto* button = qobject_cast<QAbstractButton*>(widget))
            caption = button->text();
        else if (label && label->buddy())
            caption = label->text();
        const QKeySequence mnemonic = QKeySequence::mnemonic(caption);
        if (!mnemonic.isEmpty()) {
            const QChar letter = mnemonic.toString().back().toUpper();
            if (mnemonics.contains(letter))
                faults << Describe(widget) + QStringLiteral(" and ") + mnemonics.value(letter)
                              + QStringLiteral(" both use Alt+") + letter;
            mnemonics.insert(letter, Describe(widget));
        }
    }
    return faults;
}

QString AccessibleName(QWidget* widget)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

QPoint PlaceOn(const QWidget* widget, const QWidget* page)
{
    return widget->mapTo(page, QPoint(0, 0));
}
} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

    TSandboxProcess Sandbox;
    QTemporaryDir SandboxDir;
    std::unique_ptr<QTemporaryDir> Dir;
    TScriptedPrompt Prompt;

    QWidget* Focused() const { return QApplication::focusWidget(); }

    void Press(TForm1& form, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = Focused();
        QTest::keyClick(target ? target : &form, key, modifiers);
    }

    // Presses Tab once round the page and returns the controls it stopped at, or
    // the faults found: a stop that goes back against the reading order (top to
    // bottom, a line left to right), or a control the key never reaches.
    QString CheckTabOrder(TForm1& form, QWidget* page)
    {
        QWidget* start = ControlOf(Focused(), page);
        if (!start || !page->isAncestorOf(start))
            return QStringLiteral("no focus on ") + page->objectName();
        QList<QWidget*> stops{start};
        const int bound = int(page->findChildren<QWidget*>().size()) + 2;
        for (int i = 0; i < bound; ++i) {
            Press(form, Qt::Key_Tab);
            QWidget* now = ControlOf(Focused(), page);
            if (now == start)
                break;
            if (!now || !page->isAncestorOf(now))
                return QStringLiteral("Tab left the page at ") + (now ? Describe(now) : QStringLiteral("nothing"));
            if (stops.contains(now))
                return QStringLiteral("Tab cycles without coming back to ") + Describe(start);
            stops.append(now);
        }
        if (ControlOf(Focused(), page) != start)
            return QStringLiteral("Tab never came back to ") + Describe(start);
        // The cycle begins where the page's reading begins; rotate it there.
        qsizetype first = 0;
        for (qsizetype i = 1; i < stops.size(); ++i) {
            const QPoint a = PlaceOn(stops[i], page);
            const QPoint b = PlaceOn(stops[first], page);
            if (a.y() < b.y() - 8 || (qAbs(a.y() - b.y()) <= 8 && a.x() < b.x()))
                first = i;
        }
        std::rotate(stops.begin(), stops.begin() + first, stops.end());
        QStringList faults;
        for (qsizetype i = 1; i < stops.size(); ++i) {
            const QPoint a = PlaceOn(stops[i - 1], page);
            const QPoint b = PlaceOn(stops[i], page);
            const bool nextLine = b.y() > a.y() + 8;
            const bool sameLineRight = qAbs(b.y() - a.y()) <= 8 && b.x() > a.x();
            if (!nextLine && !sameLineRight)
                faults << Describe(stops[i - 1]) + QStringLiteral(" -> ") + Describe(stops[i]);
        }
        for (QWidget* widget : page->findChildren<QWidget*>()) {
            const auto* radio = qobject_cast<QRadioButton*>(widget);
            const bool reachable = widget->isVisible() && widget->isEnabled() && TakesTabFocus(widget)
                                && ControlOf(widget, page) == widget && !(radio && !radio->isChecked());
            if (reachable && !stops.contains(widget))
                faults << Describe(widget) + QStringLiteral(" never reached");
        }
        return faults.join(QStringLiteral("; "));
    }

    // Picks an item of a list with the arrow keys (Space for the current one); choosing
    // moves the focus on, so the list's underlined label brings it back for each press.
    QString ChooseByKeys(TForm1& form, QListWidget* list, Qt::Key labelLetter, const QString& text)
    {
        const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
        if (found.isEmpty())
            return text + QStringLiteral(" not offered: ") + Items(list).join(QStringLiteral(", "));
        const int target = list->row(found.first());
        for (int i = 0; i <= list->count() + 2; ++i) {
            Press(form, labelLetter, Qt::AltModifier);
            if (Focused() != list)
                return QStringLiteral("Alt+letter did not reach ") + Describe(list);
            const QListWidgetItem* current = list->currentItem();
            if (current && current->isSelected() && list->currentRow() == target)
                return QString();
            if (list->currentRow() == target)
                Press(form, Qt::Key_Space);
            else
                Press(form, list->currentRow() < target ? Qt::Key_Down : Qt::Key_Up);
        }
        return text + QStringLiteral(" not reached by the arrow keys");
    }

    QString MapColumnByKeys(TForm1& form, const QStringList& choice)
    {
        Press(form, Qt::Key_V, Qt::AltModifier); // "Convert column ... to..."
        if (!QTest::qWaitFor([&] { return form.ListBox4->isEnabled(); }, 2000))
            return QStringLiteral("Alt+V did not choose Convert");
        const std::pair<QListWidget*, Qt::Key> lists[] = {
            {form.ListBox4, Qt::Key_T}, {form.ListBox5, Qt::Key_B}, {form.ListBox6, Qt::Key_F}};
        for (int i = 0; i < 3; ++i) {
            const QString chosen = ChooseByKeys(form, lists[i].first, lists[i].second, choice.at(i));
            if (!chosen.isEmpty())
                return chosen;
        }
        return QString();
    }

private slots:
    void initTestCase() { QVERIFY2(Sandbox.Start(SandboxDir.path()), qPrintable(Sandbox.ErrorText())); }
    void init()
    {
        Dir = std::make_unique<QTemporaryDir>();
        Prompt = TScriptedPrompt();
    }
    void cleanup() { QVERIFY2(Prompt.Failures.isEmpty(), qPrintable(Prompt.Failures.join(QLatin1Char('\n')))); }

    // Every page and every auxiliary window as a screen reader finds them.
    void everyPageAndWindow_namesEveryControl()
    {
        auto window = MakeTestWindow(*Dir, Prompt);
        TForm1& form = *window;
        TForm2 form2(form.Setup, Prompt, &form);
        TForm3 form3;
        TForm4 form4;
        TForm5 form5;
        form5.SetPauseDuration(0);
        form.AttachWindows(&form2, &form3, &form4, &form5);

        // Give every page its content: a catalogue, a source file in the grid, two Sites, messages.
        form.LoadFieldCatalogue(QStringLiteral("1\t2\t0\tLast name\t0\r\n1\t8\t0\tCity\t0\r\n99\t13\t0\tNotes\t0\r\n"));
        form.FileName = WriteTestFile(*Dir, QStringLiteral("people.csv"), "Last name,City\r\nSmith,Springfield\r\n");
        form.LoadSourceFile();
        form.LoadSiteList(QStringLiteral("SI_1=North Branch\r\nSI_2=South Branch\r\n"));
        form.ListBox2->addItem(QStringLiteral("Last name: Smith"));
        form.ImportMessages->Append(QStringLiteral("Record 1 received: 2 fields"));

        const QList<QPair<QWidget*, QLabel*>> pages = {
            {form.TabSheet1, form.Image1}, {form.TabSheet2, form.Image2}, {form.TabSheet3, form.Image3},
            {form.TabSheet4, form.Image4}, {form.TabSheet5, form.Image5}, {form.TabSheet6, form.Image6},
            {form.TabSheet7, form.Image8}, {form.TabSheet8, form.Image10}};
        const QStringList headings = {
            QStringLiteral("Quillmarsh Import Utility"), QStringLiteral("Step 1: Connect"),
            QStringLiteral("Step 2: Choose File"),       QStringLiteral("Step 3: Choose Fields"),
            QStringLiteral("Step 4: Test Run"),          QStringLiteral("Step 5: Choose Site"),
            QStringLiteral("Step 6: Import"),            QStringLiteral("Finished")};
        QStringList faults;
        for (qsizetype i = 0; i < pages.size(); ++i) {
            form.ShowPage(pages[i].first);
            if (pages[i].first == form.TabSheet4) {
                form.RadioButton21->click(); // the lists and their labels shown enabled
                form.ListBox4->setCurrentRow(0);
            }
            for (const QString& fault : AccessibilityFaults(pages[i].first))
                faults << pages[i].first->objectName() + QStringLiteral(": ") + fault;
            QCOMPARE(AccessibleName(pages[i].second), headings[i]);
            QCOMPARE(AccessibleName(pages[i].first), headings[i]);
        }
        // The three credentials boxes are called by their own labels.
        QCOMPARE(AccessibleName(form.Edit1), QStringLiteral("Account number:"));
        QCOMPARE(AccessibleName(form.Edit3), QStringLiteral("Password:"));
        QCOMPARE(AccessibleName(form.StringGrid1), QStringLiteral("Source file sample"));

        // The padlock says what it shows, and follows the setting at once.
        for (const QString& fault : AccessibilityFaults(form.StatusBar1))
            faults << QStringLiteral("status bar: ") + fault;
        form.Setup.UseSSL = true;
        QCOMPARE(AccessibleName(form.StatusPanel1), QStringLiteral("Secure connection"));
        form.Setup.UseSSL = false;
        QCOMPARE(AccessibleName(form.StatusPanel1), QStringLiteral("Connection not secure"));

        // The auxiliary windows: Connection Settings, the written instructions (shown with the
        // mapping page), the tutorial overlay and the picture viewer.
        form2.show();
        form.ShowPage(form.TabSheet4);
        form.Button22Click();
        form.Image7Click();
        for (QWidget* shown : std::initializer_list<QWidget*>{&form2, &form3, &form4, &form5}) {
            QVERIFY2(shown->isVisible(), qPrintable(shown->objectName()));
            for (const QString& fault : AccessibilityFaults(shown))
                faults << shown->objectName() + QStringLiteral(": ") + fault;
        }
        QCOMPARE(AccessibleName(form2.Edit5), QStringLiteral("Proxy host"));
        QCOMPARE(AccessibleName(form3.Image1),
                 QStringLiteral("Quillmarsh volunteer record page: Where Tab, Box and Field appear"));
        form2.hide();
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    // From the start page to the end of the import with keys alone: Return, Tab, the arrow keys,
    // Alt and the underlined letters, each sent to the control that has the focus.
    void keyboardOnly_startPageToImport()
    {
        QVERIFY(Sandbox.Reset());
        const QString fileName = WriteTestFile(*Dir, QStringLiteral("people.csv"),
                                               "Last name,City\r\nSmith,Springfield\r\nJones,Portland\r\n");
        auto window = MakeTestWindow(*Dir, Prompt, {Sandbox.Host(), Sandbox.CAFile()});
        TForm1& form = *window;
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        const auto onPage = [&](QWidget* page) { return WizardSteps::PageReached(form, page); };

        // Start page: the Start button has the focus.
        QCOMPARE(Focused(), form.Button1);
        QString order = CheckTabOrder(form, form.TabSheet1);
        QVERIFY2(order.isEmpty(), qPrintable(order));
        Press(form, Qt::Key_Return);
        QVERIFY(onPage(form.TabSheet2));

        // Credentials: type, Tab to the next box, Return in the password box presses Next.
        QCOMPARE(Focused(), form.Edit1);
        QTest::keyClicks(Focused(), QStringLiteral("123456789"));
        Press(form, Qt::Key_Tab);
        QTest::keyClicks(Focused(), QStringLiteral("demo@example.org"));
        Press(form, Qt::Key_Tab);
        QCOMPARE(Focused(), form.Edit3);
        QTest::keyClicks(Focused(), QStringLiteral("sandbox-demo"));
        order = CheckTabOrder(form, form.TabSheet2);
        QVERIFY2(order.isEmpty(), qPrintable(order));
        Press(form, Qt::Key_Return);
        QVERIFY(onPage(form.TabSheet3));

        // File: Browse by its letter (the file dialog answered by the script), then Next by its letter.
        QCOMPARE(Focused(), form.Edit4);
        order = CheckTabOrder(form, form.TabSheet3);
        QVERIFY2(order.isEmpty(), qPrintable(order));
        Prompt.QueueFileName(fileName);
        Press(form, Qt::Key_B, Qt::AltModifier);
        QTRY_COMPARE_WITH_TIMEOUT(form.Edit4->text(), fileName, 2000);
        QVERIFY(form.CheckBox1->isChecked());
        Press(form, Qt::Key_N, Qt::AltModifier);
        QVERIFY(onPage(form.TabSheet4));

        // Mapping: Return does nothing while Next is disabled; each column is chosen with the
        // letters of Convert, Tab, Box and Field and the arrow keys, the grid reached by its
        // letter and moved on with the right arrow.
        QCOMPARE(Focused(), form.StringGrid1);
        Press(form, Qt::Key_Return);
        QCOMPARE(form.PageControl1->currentWidget(), form.TabSheet4);
        order = CheckTabOrder(form, form.TabSheet4);
        QVERIFY2(order.isEmpty(), qPrintable(order));
        QString mapped =
            MapColumnByKeys(form, {QStringLiteral("Core"), QStringLiteral("Name"), QStringLiteral("Last name")});
        QVERIFY2(mapped.isEmpty(), qPrintable(mapped));
        Press(form, Qt::Key_O, Qt::AltModifier);
        QCOMPARE(Focused(), form.StringGrid1);
        Press(form, Qt::Key_Right);
        QCOMPARE(form.StringGrid1->currentColumn(), 1); // column B
        QVERIFY(form.RadioButton20->isChecked());
        mapped = MapColumnByKeys(form, {QStringLiteral("Core"), QStringLiteral("Address"), QStringLiteral("City")});
        QVERIFY2(mapped.isEmpty(), qPrintable(mapped));
        QCOMPARE(Focused(), form.ListBox6);
        Press(form, Qt::Key_Return);
        QVERIFY(onPage(form.TabSheet5));

        // Test: Return on the focused button tests the next record, Alt+N goes on.
        QCOMPARE(Focused(), form.Button17);
        order = CheckTabOrder(form, form.TabSheet5);
        QVERIFY2(order.isEmpty(), qPrintable(order));
        Press(form, Qt::Key_Return);
        QCOMPARE(Items(form.ListBox2),
                 QStringList({QStringLiteral("Last name: Jones"), QStringLiteral("City: Portland")}));
        Press(form, Qt::Key_N, Qt::AltModifier);
        QVERIFY(onPage(form.TabSheet6));

        // Site: the second radio button by its letter, the second Site by the arrow key, Return goes on.
        order = CheckTabOrder(form, form.TabSheet6);
        QVERIFY2(order.isEmpty(), qPrintable(order));
        Press(form, Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY_WITH_TIMEOUT(form.ComboBox1->isEnabled(), 2000);
        for (int i = 0; i < 4 && ControlOf(Focused(), form.TabSheet6) != form.ComboBox1; ++i)
            Press(form, Qt::Key_Tab);
        QCOMPARE(ControlOf(Focused(), form.TabSheet6), form.ComboBox1);
        Press(form, Qt::Key_Down);
        QCOMPARE(form.SiteNumber, QStringLiteral("2"));
        Press(form, Qt::Key_Return);
        QVERIFY(onPage(form.TabSheet7));

        // Import: Return on Start runs the import; then Return presses Next, and on the final page Close.
        QCOMPARE(Focused(), form.Button20);
        order = CheckTabOrder(form, form.TabSheet7);
        QVERIFY2(order.isEmpty(), qPrintable(order));
        QVERIFY(Sandbox.Reset());
        Press(form, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(form.Button18->isEnabled(), 10000);
        Press(form, Qt::Key_Return);
        QVERIFY(onPage(form.TabSheet8));

        const QString head = QStringLiteral("AC=123456789&EL=demo@example.org&EP=sandbox-demo&RT=31&SI=2");
        QCOMPARE(Sandbox.Requests(),
                 QStringList({head + QStringLiteral("&1_2=Smith&1_8=Springfield"),
                              head + QStringLiteral("&1_2=Jones&1_8=Portland"),
                              QStringLiteral("AC=123456789&EL=demo@example.org&EP=sandbox-demo&RT=110")}));
        Press(form, Qt::Key_Return);
        QVERIFY(!form.isVisible());
        QVERIFY(!Prompt.Shown.contains(QStringLiteral("Close the Quillmarsh Import Utility?")));
        QVERIFY(Prompt.Errors.isEmpty());
    }
};

QTEST_MAIN(TestAccessibility)
#include "TestAccessibility.moc"
