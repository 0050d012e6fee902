// The headless command line: the input split at NUL bytes into arguments,
// read as the runner reads them.

#include "FuzzSupport.h"

#include "HeadlessRunner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace pv;
    QStringList args{QStringLiteral("pelandrovium")};
    for (const QByteArray& part : fuzz::Bytes(data, size).split('\0'))
        args << QString::fromLocal8Bit(part);
    const std::optional<WcTestArgs> job = ParseWcTestArgs(args);
    bool named = false;
    for (qsizetype i = 1; i < args.size(); ++i)
        named = named || args[i].compare(QLatin1String("--wctest"), Qt::CaseInsensitive) == 0;
    FUZZ_EXPECT(job.has_value() == named);
    for (qsizetype i = 1; i < args.size(); ++i) {
        // A number that reads gives itself back when written in decimal.
        const int value = ParseIntDefault(args[i], 50);
        const int other = ParseIntDefault(args[i], 51);
        if (value == other)
            FUZZ_EXPECT(ParseIntDefault(QString::number(value), 0) == value);
    }
    return 0;
}
