#include <gtest/gtest.h>

#include <QApplication>

#include "app/main_window.h"

namespace qinghe {
namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

TEST(MainWindow, OpensWithTheProductTitleAndCloses) {
    application();
    MainWindow window;
    window.show();
    EXPECT_EQ(window.windowTitle(), QString::fromUtf8("青禾 家庭流水记账软件 2015"));
    EXPECT_EQ(window.geometry().size(), QSize(800, 613));
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace qinghe
