#include "lab/PrivateNetwork.h"
#include "support/UserFolders.h"

#include <QApplication>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

// The lab's private network must exist before any thread does, and the widgets need a
// QApplication; time labels are checked in UTC.
int main(int argc, char** argv) {
    vantorel::lab::enterPrivateNetwork();
    vantorel::test::isolateUserFolders();
    setenv("TZ", "UTC", 1);
    tzset();
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
