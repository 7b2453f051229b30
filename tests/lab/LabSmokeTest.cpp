// The lab's own safety, with real traffic: inside this process's private network nothing leads off
// the machine, and a Lab takes away everything it built, the machine's resolver settings included.
// What its hosts, routers, TUN path and resolver do is proven by the tests that rely on them.
#include "lab/Lab.h"
#include "lab/TestResolver.h"

#include <QProcess>
#include <gmock/gmock.h>

namespace vantorel::lab {
namespace {

using testing::HasSubstr;

std::string output(QStringList command) {
    QProcess process;
    process.start(command.takeFirst(), command);
    process.waitForFinished(10000);
    return process.readAllStandardOutput().toStdString();
}

TEST(LabSmoke, NothingLeadsOffTheMachineAndALabLeavesNothingBehind) {
    EXPECT_EQ(output({"sh", "-c", "ip route show default; ip -6 route show default"}), "");
    const std::string machineResolvConf = output({"cat", "/etc/resolv.conf"});
    {
        Lab lab;
        const std::string host = lab.addHost();
        lab.addRouteThroughRouters(2);
        EXPECT_THAT(output({"ping", "-n", "-c", "1", "-W", "1", QString::fromStdString(host)}),
                    HasSubstr("1 received"));
        TestResolver resolver;
        resolver.addHost("host.lab.test", host).start();
        EXPECT_THAT(output({"getent", "ahostsv4", "host.lab.test"}), HasSubstr(host + " "));
    }
    EXPECT_EQ(output({"ip", "netns", "list"}), "") << "the Lab removes what it built";
    EXPECT_EQ(output({"cat", "/etc/resolv.conf"}), machineResolvConf);
}

} // namespace
} // namespace vantorel::lab
