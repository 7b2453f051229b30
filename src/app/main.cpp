#include "app/Application.h"

int main(int argc, char** argv) {
    return vantorel::Application::run(argc, argv);
}
