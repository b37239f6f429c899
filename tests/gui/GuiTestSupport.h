#pragma once
// Window tests run Qt offscreen (800 x 600 screen). Each test runs in its own
// process under CTest, so a test may choose the scale factor before the
// application object exists.

#include "gui/framework/LEventPump.h"
#include "gui/qt/app/LQtMainThreadDispatcher.h"

#include <QApplication>

#include <cstdlib>
#include <string>

namespace quorin::test {

inline QApplication* GuiApp(const char* scaleFactor = nullptr)
{
    static QApplication* app = nullptr;
    if (app == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        if (scaleFactor != nullptr)
            setenv("QT_SCALE_FACTOR", scaleFactor, 1);
        static int argc = 1;
        static char name[] = "quorin-gui-test";
        static char* argv[] = {name, nullptr};
        // Never deleted: Qt objects of a failed test may outlive the test.
        app = new QApplication(argc, argv);
        LQtMainThreadDispatcher::Install();
    }
    return app;
}

// Pumps events for ms milliseconds.
inline void PumpFor(uint32_t ms)
{
    LWaitWithMessagePump([] { return false; }, true, ms);
}

inline bool PumpUntil(const std::function<bool()>& condition, uint32_t ms = 5000)
{
    return LWaitWithMessagePump(condition, true, ms) == 1;
}

} // namespace quorin::test
