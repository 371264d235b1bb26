#pragma once

#include <QByteArray>
#include <QFile>
#include <QStringList>

#include <unistd.h>
#include <vector>

// In a forked child: becomes the program args names first, with the rest as its arguments;
// ends the child with 127 when it cannot.
[[noreturn]] inline void execProgram(const QStringList &args)
{
    std::vector<QByteArray> bytes;
    for (const QString &a : args)
        bytes.push_back(QFile::encodeName(a));
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}
