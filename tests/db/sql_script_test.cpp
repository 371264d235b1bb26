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
