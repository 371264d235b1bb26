#pragma once

// A benchmark times right answers only. A wrong one is written to the standard error, the
// benchmark that gave it stops, and the program ends with status 1 once every benchmark ran
// (their temporary folders removed): a figure of wrong work is no figure.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

inline bool &benchmarkGaveAWrongAnswer()
{
    static bool wrong = false;
    return wrong;
}

// True when `right`; otherwise reports `what`, stops the benchmark and answers false, and the
// caller leaves its loop.
inline bool checkAnswer(benchmark::State &state, bool right, const std::string &what)
{
    if (right)
        return true;
    std::fprintf(stderr, "wrong answer: %s\n", what.c_str());
    benchmarkGaveAWrongAnswer() = true;
    state.SkipWithError(what.c_str());
    return false;
}

// BENCHMARK_MAIN, with the exit status of the answers.
inline int runCheckedBenchmarks(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return benchmarkGaveAWrongAnswer() ? 1 : 0;
}
