#include "db/named_parameters.h"
#include "tests/support/qt_print.h"

#include <gtest/gtest.h>

TEST(NamedParameters, RewrittenToPositionsOutsideLiteralsAndComments)
{
    const struct {
        const char *sql;
        const char *rewritten;
        QStringList names;
    } cases[] = {
        {"insert into  reten (nroCom,FECha) values(:nc,:FE)",
         "insert into  reten (nroCom,FECha) values(?,?)",
         {"nc", "FE"}},
        {"select * from t where a = :a and b = :a", "select * from t where a = ? and b = ?", {"a", "a"}},
        {"values (:n, 'a:b :c')", "values (?, 'a:b :c')", {"n"}},
        {"values ('it''s :no', :yes)", "values ('it''s :no', ?)", {"yes"}},
        {"select \"odd:name\" from t where x = :v", "select \"odd:name\" from t where x = ?", {"v"}},
        {"-- :c is a comment\nwhere x = :d", "-- :c is a comment\nwhere x = ?", {"d"}},
        {"/* :e */ x = :f_2$", "/* :e */ x = ?", {"f_2$"}},
        {"x = :1 or y = : z or w = :", "x = :1 or y = : z or w = :", {}},
        {"values (:a,:b)", "values (?,?)", {"a", "b"}},
        {"'open literal :x", "'open literal :x", {}},
        {"x = :p /* open comment :q", "x = ? /* open comment :q", {"p"}},
    };
    for (const auto &c : cases) {
        const NamedParameters p = parseNamedParameters(QString::fromUtf8(c.sql));
        EXPECT_EQ(p.sql, QString::fromUtf8(c.rewritten)) << c.sql;
        EXPECT_EQ(p.names, c.names) << c.sql;
    }
}
