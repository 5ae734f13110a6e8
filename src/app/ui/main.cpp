#include "app/AppState.h"
#include "app/ui/Startup.h"
#include "app/ui/frmMain.h"
#include "common/ProgramFolder.h"
#include "platform/mail/ui/QtMailLogon.h"
#include "platform/system/ui/QtDialogs.h"
#include "platform/system/ui/QtPrintJob.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brevane"));
    QApplication::setApplicationName(QStringLiteral("Brevane"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(BREVANE_VERSION_MAJOR)
                                            .arg(BREVANE_VERSION_MINOR)
                                            .arg(BREVANE_VERSION_PATCH));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/brevane.svg")));

    QtDialogs dialogs;
    AppState state(ProgramFolder::path(), dialogs);
    state.printJobFactory = &QtPrintJob::toDefaultPrinter;
    QtMailLogon mailLogon;
    state.inboxFactory = state.accountInboxes(mailLogon);
    frmMain window(state);
    QObject::connect(&window, &frmMain::programEnded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    if (!runStartup(state, window))
        return 1;
    return app.exec();
}
