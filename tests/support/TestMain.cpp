#include "support/UserFolders.h"
#ifdef VANTOREL_TEST_IN_LAB
#include "lab/PrivateNetwork.h"
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
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
