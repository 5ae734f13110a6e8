#include "formdata/VariableTable.h"

#include <QtTest>

class VariableTableTest : public QObject
{
    Q_OBJECT

    using Defs = QList<QPair<QString, QString>>;

    static Defs defs(const VariableTable& t)
    {
        Defs out;
        for (const auto& d : t.definitions())
            out.append({d.formName, d.friendlyName});
        return out;
    }

    // Feeds a submission the way the decoder does.
    static void submit(VariableTable& t, const QStringList& names)
    {
        t.Clear();
        for (const QString& n : names) {
            t.AddName(n);
            t.SetLastValue(n + QStringLiteral("-value"));
        }
        t.ShowInGrid();
        t.ShowInList();
        t.FinishSubmission();
    }

    static void define(VariableTable& t, const Defs& d)
    {
        t.clearDefinitions();
        for (const auto& p : d)
            t.appendDefinition({p.first, p.second});
    }

private slots:
    void matchesDefinitionsByPosition()
    {
        VariableTable t;
        define(t, {{"name", "Name"}, {"mail", "E-mail"}, {"msg", "Message"}});
        submit(t, {"name", "email", "msg"});
        QCOMPARE(t.count(), 3);
        QCOMPARE(t.at(1).friendlyName, QStringLiteral("Name"));
        QCOMPARE(t.at(2).friendlyName, QStringLiteral("email"));
        QCOMPARE(t.at(3).friendlyName, QStringLiteral("Message"));
        QCOMPARE(defs(t), (Defs{{"name", "Name"}, {"email", "email"}, {"msg", "Message"}}));
    }

    void definitionsFollowTheLatestSubmission()
    {
        VariableTable t;
        define(t, {{"a", "A"}, {"b", "B"}});
        submit(t, {"a", "b", "c", "d"});
        QCOMPARE(defs(t), (Defs{{"a", "A"}, {"b", "B"}, {"c", "c"}, {"d", "d"}}));
        submit(t, {"a"});
        QCOMPARE(defs(t), (Defs{{"a", "A"}}));
        // A submission without any name empties them.
        submit(t, {});
        QVERIFY(t.definitions().isEmpty());
    }

    void namesAreCaseSensitive()
    {
        VariableTable t;
        define(t, {{"Email", "Your e-mail"}});
        submit(t, {"email"});
        QCOMPARE(defs(t), (Defs{{"email", "email"}}));
    }

    void setFriendlyNameRenamesTheFirstMatchOnly()
    {
        VariableTable t;
        submit(t, {"x", "x"});
        QVERIFY(t.SetFriendlyName(QStringLiteral("x"), QStringLiteral("First")));
        QCOMPARE(t.at(1).friendlyName, QStringLiteral("First"));
        QCOMPARE(t.at(2).friendlyName, QStringLiteral("x"));
        QCOMPARE(defs(t), (Defs{{"x", "First"}, {"x", "x"}}));
        QVERIFY(!t.SetFriendlyName(QStringLiteral("missing"), QStringLiteral("M")));
    }

    // After a failed template load the definitions can be shorter than the variables; renaming
    // must neither crash nor break the pairing by position.
    void setFriendlyNameBeyondTheDefinitions()
    {
        VariableTable t;
        submit(t, {"a", "b", "c"});
        t.clearDefinitions();
        QVERIFY(t.SetFriendlyName(QStringLiteral("c"), QStringLiteral("See")));
        QCOMPARE(defs(t), (Defs{{"a", "a"}, {"b", "b"}, {"c", "See"}}));
    }

    void resetToDefinitionsDropsValues()
    {
        VariableTable t;
        define(t, {{"a", "A"}, {"b", QString()}});
        submit(t, {"a", "b"});
        t.ResetToDefinitions();
        QCOMPARE(t.count(), 2);
        QCOMPARE(t.at(1).value, QString());
        QCOMPARE(t.gridModel()->rowCount(), 2);
        QCOMPARE(t.gridModel()->cell(0, 2), QString());
    }

    void gridShowsASnapshot()
    {
        VariableTable t;
        QCOMPARE(t.gridModel()->rowCount(), 0);
        QCOMPARE(t.gridModel()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Form Name"));
        QCOMPARE(t.gridModel()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Friendly Name"));
        QCOMPARE(t.gridModel()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Submitted Value"));
        submit(t, {"a", "b"});
        t.Clear();
        QCOMPARE(t.gridModel()->rowCount(), 2); // until the next ShowInGrid
        t.ShowInGrid();
        QCOMPARE(t.gridModel()->rowCount(), 0);
    }

    void gridAndListRenames()
    {
        VariableTable t;
        submit(t, {"email", "email"});
        QVERIFY(t.SetGridFriendlyName(QStringLiteral("email"), QStringLiteral("E-mail Address")));
        QCOMPARE(t.gridModel()->cell(0, 1), QStringLiteral("E-mail Address"));
        QCOMPARE(t.gridModel()->cell(1, 1), QStringLiteral("email"));
        QVERIFY(!t.SetGridFriendlyName(QStringLiteral("nope"), QStringLiteral("x")));
        t.SetFriendlyName(QStringLiteral("email"), QStringLiteral("E-mail Address"));
        t.ShowInList();
        QCOMPARE(t.listModel()->stringList(),
                 (QStringList{"email [E-mail Address]", "email [email]"}));
        t.SetFriendlyName(QStringLiteral("email"), QString(""));
        t.ShowInList();
        QCOMPARE(t.listModel()->stringList().constFirst(), QStringLiteral("email []"));
    }

    void setLastValueWithoutVariablesDoesNothing()
    {
        VariableTable t;
        t.SetLastValue(QStringLiteral("orphan"));
        QCOMPARE(t.count(), 0);
    }
};

QTEST_GUILESS_MAIN(VariableTableTest)
#include "test_variable_table.moc"
