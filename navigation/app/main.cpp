// Program entry: settings read, application made, then everything else in
// RunProgram. The C library's numeric locale goes back to "C" at once after
// Qt set it from the environment.
#include <QApplication>
#include <clocale>

#include "navigation/ui/ProgramEntry.h"

int main(int argc, char** argv) {
    const StartupSettings settings = ReadStartupSettings();
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    return RunProgram(app, settings);
}
