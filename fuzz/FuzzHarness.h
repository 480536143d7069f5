#pragma once

// The part every fuzz target shares: libFuzzer's entry points, a
// QGuiApplication on the offscreen platform with private XDG folders, and the
// budget every input is held to. A target defines fuzzOne() and warmUpInputs.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <cstdio>
#include <cstdlib>

namespace fuzz {

// Runs the parsers of this target over one input.
void fuzzOne(QByteArrayView input);

// Run once before fuzzing, so that what a parser builds on first use (date
// formats, the font list, regular expressions) is not charged to an input.
extern const QList<QByteArray> warmUpInputs;

// A private file for targets that read what a parser reads from disk.
QString scratchFile(const char *name);
QString writeScratchFile(const char *name, QByteArrayView bytes);

// The first byte chooses one of `count` parsers; the rest is its input.
struct Dispatch {
    int choice = 0;
    QByteArrayView rest;
};
Dispatch dispatch(QByteArrayView input, int count);

} // namespace fuzz

// A wrong result is a fault as much as a crash: stop with the condition named.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
