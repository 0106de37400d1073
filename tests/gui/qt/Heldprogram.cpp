// zwq-manager as the window tests run it when they must catch long work in the middle: the same
// program, on files that hold the work at the point the test names in the environment
// (support/Heldfiles.h). Without that it is the program as users run it.
#include <QApplication>
#include <QTranslator>

#include "Program.h"
#include "Qtapplication.h"
#include "platform/Platform.h"
#include "support/Heldfiles.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTranslator translator;
    qtgui::PrepareApplication(app, translator);
    qtgui::QtApplication application;
    platform::Platform& native = platform::NativePlatform();
    const auto held = testsupport::HeldFilesFromEnvironment();
    if (!held) return qtgui::RunProgram(native, application);
    platform::Platform platform{*held,        native.folders, native.extractor,       native.drives,
                                native.system, native.integrationStyle, native.registry};
    return qtgui::RunProgram(platform, application);
}
