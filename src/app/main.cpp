#include "app/Application.h"
#include "platform/TerminationSignals.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qtApplication(argc, argv);
    vantorel::Application::identify(qtApplication);
    vantorel::quitOnTerminationSignals();
    // A child of the QApplication, like every other process-wide object, so that it can be found
    // from the application object.
    vantorel::Application application(&qtApplication);
    application.launch();
    return qtApplication.exec();
}
