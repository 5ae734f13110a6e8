#include "formdata/VariableTable.h"

#include <QtTest>

using namespace Qt::StringLiterals;

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

    // Feeds a submission the way the decoder does, after the definitions given.
    static void submit(VariableTable& t, const QStringList& names, const Defs& before = {})
    {
        if (!before.isEmpty())
            t.clearDefinitions();
        for (const auto& [name, friendly] : before)
            t.appendDefinition({name, friendly});
        t.Clear();
        for (const QString& n : names) {
            t.AddName(n);
            t.SetLastValue(n + u"-value"_s);
        }
        t.ShowInGrid();
        t.ShowInList();
        t.FinishSubmission();
    }

private slots:
    void matchesDefinitionsByPositionAndCase()
    {
        VariableTable t;
        t.SetLastValue(u"orphan"_s); // no variable yet: nothing happens
        QCOMPARE(t.count(), 0);
        submit(t, {"name", "email", "msg"},
               {{"name", "Name"}, {"mail", "E-mail"}, {"msg", "Message"}});
        QCOMPARE(t.count(), 3);
        QCOMPARE(t.at(1).friendlyName, u"Name"_s);
        QCOMPARE(t.at(2).friendlyName, u"email"_s);
        QCOMPARE(t.at(3).friendlyName, u"Message"_s);
        QCOMPARE(defs(t), (Defs{{"name", "Name"}, {"email", "email"}, {"msg", "Message"}}));
        submit(t, {"NAME"}); // names are case-sensitive
        QCOMPARE(defs(t), (Defs{{"NAME", "NAME"}}));
    }

    void definitionsFollowTheLatestSubmission()
    {
        VariableTable t;
        submit(t, {"a", "b", "c", "d"}, {{"a", "A"}, {"b", "B"}});
        QCOMPARE(defs(t), (Defs{{"a", "A"}, {"b", "B"}, {"c", "c"}, {"d", "d"}}));
        submit(t, {"a"});
        QCOMPARE(defs(t), (Defs{{"a", "A"}}));
        // Resetting keeps the rows the definitions give, without values.
        t.ResetToDefinitions();
        QCOMPARE(t.count(), 1);
        QCOMPARE(t.at(1).value, QString());
        QCOMPARE(t.gridModel()->cell(0, 2), QString());
        // A submission without any name empties them.
        submit(t, {});
        QVERIFY(t.definitions().isEmpty());
    }

    void setFriendlyNameRenamesTheFirstMatchOnly()
    {
        VariableTable t;
        submit(t, {"x", "x"});
        QVERIFY(t.SetFriendlyName(u"x"_s, u"First"_s));
        QCOMPARE(t.at(1).friendlyName, u"First"_s);
        QCOMPARE(t.at(2).friendlyName, u"x"_s);
        QCOMPARE(defs(t), (Defs{{"x", "First"}, {"x", "x"}}));
        QVERIFY(!t.SetFriendlyName(u"missing"_s, u"M"_s));

        // After a failed template load the definitions can be shorter than the variables;
        // renaming must neither crash nor break the pairing by position.
        submit(t, {"a", "b", "c"});
        t.clearDefinitions();
        QVERIFY(t.SetFriendlyName(u"c"_s, u"See"_s));
        QCOMPARE(defs(t), (Defs{{"a", "a"}, {"b", "b"}, {"c", "See"}}));
    }

    void gridShowsASnapshot()
    {
        VariableTable t;
        QCOMPARE(t.gridModel()->rowCount(), 0);
        QStringList headers;
        for (int c = 0; c < 3; ++c)
            headers << t.gridModel()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, (QStringList{"Form Name", "Friendly Name", "Submitted Value"}));
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
        QVERIFY(t.SetGridFriendlyName(u"email"_s, u"E-mail Address"_s));
        QCOMPARE(t.gridModel()->cell(0, 1), u"E-mail Address"_s);
        QCOMPARE(t.gridModel()->cell(1, 1), u"email"_s);
        QVERIFY(!t.SetGridFriendlyName(u"nope"_s, u"x"_s));
        t.SetFriendlyName(u"email"_s, u"E-mail Address"_s);
        t.ShowInList();
        QCOMPARE(t.listModel()->stringList(),
                 (QStringList{"email [E-mail Address]", "email [email]"}));
        t.SetFriendlyName(u"email"_s, u""_s);
        t.ShowInList();
        QCOMPARE(t.listModel()->stringList().constFirst(), u"email []"_s);
    }
};

QTEST_GUILESS_MAIN(VariableTableTest)
#include "test_variable_table.moc"
