#pragma once
// The headless runner: "--wctest in out P1 P2 P3 P4 P5 effect" applies one
// effect to one picture and writes "wctest_status.txt" beside the output.

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace pv {

struct WcTestArgs {
    QString input;
    QString output;
    std::array<int, 5> P{50, 50, 50, 50, 50};
    int effect = 308;
};

// A signed 32-bit integer in decimal, or hexadecimal after "$" or "0x";
// anything else gives the default.
int ParseIntDefault(const QString& text, int defaultValue);

// Reads the job from the arguments (position 0 is the program). Null when no
// argument equals "--wctest" in any letter case.
std::optional<WcTestArgs> ParseWcTestArgs(const QStringList& args);

// Runs the job (the application object must exist) and returns the status text
// it wrote to "wctest_status.txt" in the output's folder.
QString RunWcTestJob(const WcTestArgs& job);

// The runner: false when the command line holds no "--wctest" (nothing done);
// true when it ran the job, whatever its outcome.
bool RunWcTest(int argc, char** argv);

} // namespace pv
