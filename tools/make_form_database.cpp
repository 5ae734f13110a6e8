// Puts an empty FORM.MDB at the given path when none is there; an existing one is kept.
#include "reply/ResponseDatabase.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QTextStream err(stderr);
    if (args.size() != 2) {
        err << "usage: make_form_database <path of FORM.MDB>\n";
        return 2;
    }
    switch (ResponseDatabase::createEmptyDatabase(args[1])) {
    case ResponseDatabase::Creation::Created:
    case ResponseDatabase::Creation::AlreadyThere:
        return 0;
    case ResponseDatabase::Creation::Failed:
        break;
    }
    err << "cannot create " << args[1] << '\n';
    return 1;
}
