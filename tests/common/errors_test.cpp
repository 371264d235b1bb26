#include "common/errors.h"
#include "tests/support/qt_print.h"

#include <gtest/gtest.h>

TEST(DefaultErrorBoxText, AddsPeriodOnlyAfterCodesAbove46)
{
    const struct {
        const char *message;
        const char *shown;
    } cases[] = {
        {"Disk full", "Disk full."},
        {"Atención, No coincide importe de retención, verifique!!!",
         "Atención, No coincide importe de retención, verifique!!!"},
        {"I/O error 32", "I/O error 32."},
        {"Is it?", "Is it?."},
        {"Label:", "Label:."},
        {"ends with blank ", "ends with blank "},
        {"quoted'", "quoted'"},
        {"(paren)", "(paren)"},
        {"done.", "done."},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(DefaultErrorBoxText(QString::fromUtf8(c.message)), QString::fromUtf8(c.shown)) << c.message;
}

TEST(ApplicationTitle, NameBeforeFirstDotWithLowerCaseTail)
{
    const struct {
        const char *path;
        const char *title;
    } cases[] = {
        {"C:\\Retenciones\\RETENCIONES.V5.EXE", "Retenciones"},
        {"/usr/local/bin/Retenciones", "Retenciones"},
        {"RETENCIONES", "Retenciones"},
        {"d:prog.exe", "prog"},
        {"/opt/x/aBC", "abc"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ApplicationTitle(QString::fromUtf8(c.path)), QString::fromUtf8(c.title)) << c.path;
}

TEST(IoError, MessagesByCode)
{
    const struct {
        int code;
        const char *message;
    } cases[] = {
        {2, "The specified file was not found"},
        {3, "Invalid file name - %s"},
        {4, "Too many open files"},
        {5, "File access denied"},
        {100, "Read beyond end of file"},
        {101, "Disk full"},
        {106, "Invalid numeric input"},
        {32, "I/O error 32"},
        {103, "I/O error 103"},
    };
    for (const auto &c : cases) {
        const IoError e(c.code);
        EXPECT_EQ(e.message(), QString::fromUtf8(c.message));
        EXPECT_EQ(e.code(), c.code);
    }
}
