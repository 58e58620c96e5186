#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <functional>
#include <memory>

namespace talvora::test_support {

// A GUI application for the suite, unless one exists already (fonts, text layout and painting
// need one; the offscreen platform paints into images without a display or a session), and
// ways to spin its event loop. The generous timeouts only stop a broken test from hanging;
// passing tests finish as soon as what they wait for happens.
class GuiTest : public ::testing::Test {
public:
    static void SetUpTestSuite()
    {
        if (QCoreApplication::instance())
            return;
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
            qputenv("XDG_RUNTIME_DIR", QDir::tempPath().toUtf8());
        s_app = std::make_unique<QApplication>(s_argc, s_argv);
    }
    static void TearDownTestSuite() { s_app.reset(); }

protected:
    static constexpr int kPatienceMs = 10'000;

    // Spins the event loop for about `milliseconds`.
    static void runFor(int milliseconds)
    {
        QEventLoop loop;
        QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }

    // Spins the event loop until `done` holds (checked every few milliseconds) or the patience
    // runs out; returns whether it holds.
    static bool runUntil(const std::function<bool()>& done, int patienceMs = kPatienceMs)
    {
        if (done())
            return true;
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (done())
                loop.quit();
        });
        poll.start(2);
        QTimer::singleShot(patienceMs, &loop, &QEventLoop::quit);
        loop.exec();
        return done();
    }

    static bool onMainThread()
    {
        return QThread::currentThread() == QCoreApplication::instance()->thread();
    }

private:
    static inline int s_argc = 1;
    static inline char s_name[] = "talvora_tests";
    static inline char* s_argv[] = { s_name, nullptr };
    static inline std::unique_ptr<QApplication> s_app;
};

} // namespace talvora::test_support
