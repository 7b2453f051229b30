#include "support/UserFolders.h"
#ifdef VANTOREL_TEST_IN_LAB
#include "lab/PrivateNetwork.h"
#endif
#ifdef VANTOREL_TEST_WIDGETS
#include <QApplication>
#endif

#include <QCoreApplication>
#include <gtest/gtest.h>

// A lab test's main() enters its private network first, before Qt or GoogleTest start a thread.
int main(int argc, char** argv) {
#ifdef VANTOREL_TEST_IN_LAB
    vantorel::lab::enterPrivateNetwork();
#endif
    vantorel::test::isolateUserFolders();
    testing::InitGoogleTest(&argc, argv);
#ifdef VANTOREL_TEST_WIDGETS
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(icons); // a static link leaves the views' icons out unless asked
#else
    QCoreApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
