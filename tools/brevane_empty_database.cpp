// Build helper: writes the empty reply database that an installed copy gives each new user.
// Usage: brevane_empty_database <path of FORM.MDB>
#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: brevane_empty_database <file>\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    QFile::remove(path);
    QString failure;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("out"));
        db.setDatabaseName(path);
        if (!db.open()) {
            failure = db.lastError().text();
        } else {
            QSqlQuery query(db);
            if (!query.exec(QStringLiteral("CREATE TABLE Form_Response ("
                                           "Form_Response_ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                                           "Form_Reponse_Source_Date TEXT NOT NULL, "
                                           "Form_Response_Source_Address TEXT, "
                                           "Form_Response_Subject TEXT, "
                                           "Form_Response_Message TEXT)")))
                failure = query.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("out"));
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "brevane_empty_database: %s\n", qPrintable(failure));
        QFile::remove(path);
        return 1;
    }
    return 0;
}
