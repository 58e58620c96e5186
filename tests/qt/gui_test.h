#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QApplication>

#include <memory>

namespace talvora::test_support {

// A GUI application (with widgets) for the suite, unless one exists already: fonts, text layout and painting
// need one. The offscreen platform paints into images without a display or a session.
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

private:
    static inline int s_argc = 1;
    static inline char s_name[] = "talvora_tests";
    static inline char* s_argv[] = { s_name, nullptr };
    static inline std::unique_ptr<QApplication> s_app;
};

} // namespace talvora::test_support
