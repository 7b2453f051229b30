#include "app/Application.h"
#include "support/UserFolders.h"

#include <QApplication>
#include <gtest/gtest.h>

// The application's own start: named, with its icon, in folders of the test's own.
int main(int argc, char** argv) {
    vantorel::test::isolateUserFolders();
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    vantorel::Application::identify(app);
    return RUN_ALL_TESTS();
}
