#include "db/sql_script.h"
#include "tests/support/qt_print.h"

#include <gtest/gtest.h>

TEST(SqlScript, SplitsAtTheTerminatorInForce)
{
    const struct {
        const char *script;
        QStringList statements;
    } cases[] = {
        {"create table a (x int);\ncreate table b (y int);",
         {"create table a (x int)", "create table b (y int)"}},
        {"insert into a values (';');", {"insert into a values (';')"}},
        {"-- first; still a comment\ncreate sequence s; /* ; */",
         {"-- first; still a comment\ncreate sequence s"}},
        {"create sequence s", {"create sequence s"}},
        {"  ;\n;  -- nothing\n", {}},
        {"set term ^ ;\ncreate trigger t for a before insert as begin new.x = 1; end^\nset term ; ^\ncommit;",
         {"create trigger t for a before insert as begin new.x = 1; end", "commit"}},
        {"SET TERM !! ;\nexecute block as begin end!!\nSET TERM ;!!\nselect 1 from rdb$database;",
         {"execute block as begin end", "select 1 from rdb$database"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(splitSqlScript(QString::fromUtf8(c.script)), c.statements) << c.script;
}

// The script's grants to RETENCIONES, for another user; a name that is not a plain identifier
// gives nothing rather than a statement built from it.
TEST(SqlScript, GrantsGoToTheNamedUser)
{
    const QString script = QStringLiteral("create table reten (x int);\n-- what a clerk needs\n"
                                          "GRANT SELECT ON RETEN TO USER RETENCIONES;\n"
                                          "grant usage on sequence g to user retenciones;\n"
                                          "grant select on other to user SOMEONE;");
    const struct {
        const char *user;
        QStringList grants;
    } cases[] = {
        {"CAJERO", {"GRANT SELECT ON RETEN TO USER CAJERO", "grant usage on sequence g TO USER CAJERO"}},
        {"clerk_2", {"GRANT SELECT ON RETEN TO USER clerk_2", "grant usage on sequence g TO USER clerk_2"}},
        {"X; drop table reten", {}},
        {"2CLERK", {}},
        {"", {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(grantsForUser(script, QString::fromUtf8(c.user)), c.grants) << c.user;
}
