#include "RunningApp.h"

#include "support/EventLoop.h"

#include <QThread>
#include <stdexcept>

namespace vantorel::test {

RunningApp::RunningApp(const QString& program, QProcessEnvironment environment,
                       const QString& folder) {
    const QString socket = folder + "/control";
    environment.insert("VANTOREL_TEST_CONTROL", socket);
    process_ = std::make_unique<TestDaemonProcess>(program, QStringList{}, environment,
                                                   folder + "/vantorel.log");
    for (int attempt = 0; attempt < 100 && process_->isRunning(); ++attempt) {
        control_.connectToServer(socket);
        if (control_.waitForConnected(100))
            return;
        QThread::msleep(100);
    }
    throw std::runtime_error(failure("the test control never answered").toStdString());
}

QString RunningApp::ask(const QString& request) {
    control_.write((request + '\n').toUtf8());
    if (!control_.waitForBytesWritten(5000))
        throw std::runtime_error(failure("cannot send " + request).toStdString());
    while (!control_.canReadLine()) {
        if (!control_.waitForReadyRead(10000))
            throw std::runtime_error(failure("no answer to " + request).toStdString());
    }
    const QString reply = QString::fromUtf8(control_.readLine()).trimmed();
    if (reply != "ok" && !reply.startsWith("ok "))
        throw std::runtime_error((request + ": " + reply).toStdString());
    return reply.mid(2).trimmed();
}

QRect RunningApp::rectangle(const QString& request) {
    const QStringList numbers = ask(request).split(' ');
    if (numbers.size() != 4)
        throw std::runtime_error((request + " gave no rectangle").toStdString());
    return {numbers[0].toInt(), numbers[1].toInt(), numbers[2].toInt(), numbers[3].toInt()};
}

} // namespace vantorel::test
