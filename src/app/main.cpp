#include "app/Application.h"
#include "app/TestControl.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qtApplication(argc, argv);
    vantorel::Application::identify(qtApplication);
    vantorel::Application application;
    application.launch();
    const auto testControl = vantorel::TestControl::fromEnvironment(application);
    return qtApplication.exec();
}
