// zwq-manager: the talking-book card manager on Linux.
#include <QApplication>
#include <QTranslator>

#include <iostream>
#include <string>
#include <vector>

#include "Program.h"
#include "Qtapplication.h"
#include "platform/Platform.h"

int main(int argc, char** argv) {
    // "--help" and "--version" answer before any window or display is needed.
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string information;
    if (qtgui::InformationRequested(arguments, information)) {
        std::cout << information << std::flush;
        return 0;
    }

    QApplication app(argc, argv);
    QTranslator translator;
    qtgui::PrepareApplication(app, translator);
    qtgui::QtApplication application;
    return qtgui::RunProgram(platform::NativePlatform(), application);
}
