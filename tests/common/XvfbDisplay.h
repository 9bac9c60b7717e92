#pragma once

#include <QSize>
#include <QString>

#include <sys/types.h>

#include <cstdio>

// A private X server (Xvfb) for window tests that read back what is really on
// the screen. The server picks a free display number itself, so tests run side
// by side never meet; it is stopped when this object goes. Start it before the
// application object: it points DISPLAY at the server and the application at
// the X11 platform, whatever platform the environment names.
class TXvfbDisplay
{
public:
    TXvfbDisplay() = default;
    ~TXvfbDisplay();
    TXvfbDisplay(const TXvfbDisplay&) = delete;
    TXvfbDisplay& operator=(const TXvfbDisplay&) = delete;

    // Waits up to 20 s for the server to take a display; false with the reason in ErrorText().
    bool Start(const QSize& screen);
    void Stop();

    QString Display() const { return FDisplay; } // ":<number>"
    QString ErrorText() const { return FError; }

private:
    pid_t FPid = -1;
    QString FDisplay;
    QString FError;
};

// A test's main function on its own X server: QTEST_MAIN for tests that must run on a real screen.
#define QIMPORT_XVFB_TEST_MAIN(TestClass, screenSize)                                                             \
    int main(int argc, char** argv)                                                                                \
    {                                                                                                              \
        TXvfbDisplay display;                                                                                      \
        if (!display.Start(screenSize)) {                                                                          \
            fprintf(stderr, "No X server for the screen tests: %s\n", qPrintable(display.ErrorText()));            \
            return 1;                                                                                              \
        }                                                                                                          \
        QApplication app(argc, argv);                                                                              \
        TestClass test;                                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                 \
        return QTest::qExec(&test, argc, argv);                                                                    \
    }
