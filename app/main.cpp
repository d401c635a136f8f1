#include "app/stderrprompt.h"
#include "app/ui/mainwindow.h"

#include <QApplication>
#include <cstdlib>
#include <cstring>

int main(int argc, char* argv[])
{
    // The silent invoice run may be started by a service without a display: fall back to
    // the offscreen platform instead of failing.
    bool silent = false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "/jo") == 0)
            silent = true;
    if (silent && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vornix"));
    QApplication::setApplicationVersion(QStringLiteral(VORNIX_VERSION));

    Clock clock;
    StderrPrompt stderrPrompt;
    const bool headless = QGuiApplication::platformName() == QLatin1String("offscreen");
    TForm1 form(QApplication::arguments().mid(1), clock, silent && headless ? &stderrPrompt : nullptr);
    if (!form.till().session.tichy_rezim)
        form.show();
    return app.exec();
}
