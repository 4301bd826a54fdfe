#include "DevSimCommandLine.h"

#include <QCommandLineParser>
#include <limits>

namespace {

// Reads an integer option within [low, high]; leaves `value` alone when the option is absent.
template <typename T>
bool readNumber(const QCommandLineParser& parser, const QString& name, qint64 low, qint64 high,
                T& value, QString& error) {
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const qint64 number = parser.value(name).toLongLong(&ok);
    if (!ok || number < low || number > high) {
        error = QStringLiteral("--%1 wants a whole number from %2 to %3, not \"%4\"")
                    .arg(name)
                    .arg(low)
                    .arg(high)
                    .arg(parser.value(name));
        return false;
    }
    value = static_cast<T>(number);
    return true;
}

bool readFlood(const QCommandLineParser& parser, int& rate, QString& error) {
    if (parser.value(QStringLiteral("flood")) == QLatin1String("line")) {
        rate = DEVSIM_LINE_RATE_BYTES_PER_SEC;
        return true;
    }
    return readNumber(parser, QStringLiteral("flood"), 0, 10'000'000, rate, error);
}

} // namespace

DevSimCommandLine parseDevSimCommandLine(const QStringList& arguments) {
    DevSimCommandLine result;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated eight-channel level controller on a pseudo-terminal.\n"
        "Prints the port path on the first line of stdout, answers every valid frame with 'u'\n"
        "and runs until SIGINT or SIGTERM."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    parser.addOptions({
        {QStringLiteral("link"), QStringLiteral("Also make a symlink to the port at <path>."),
         QStringLiteral("path")},
        {QStringLiteral("log"),
         QStringLiteral("JSON-lines log of the line to <file> (- for stdout)."),
         QStringLiteral("file")},
        {QStringLiteral("view"), QStringLiteral("Show the eight channels on stderr.")},
        {QStringLiteral("silent"), QStringLiteral("Never answer.")},
        {QStringLiteral("delay-ms"), QStringLiteral("Answer <n> ms late."), QStringLiteral("n")},
        {QStringLiteral("answer-every"), QStringLiteral("Answer only every <n>th valid frame."),
         QStringLiteral("n")},
        {QStringLiteral("garbage"), QStringLiteral("Answer 'x' instead of 'u'.")},
        {QStringLiteral("extra-bytes"), QStringLiteral("Follow each 'u' with <n> noise bytes."),
         QStringLiteral("n")},
        {QStringLiteral("flood"),
         QStringLiteral("Send noise bytes (never 'u') at <rate> bytes/s; \"line\" for the "
                        "line's full rate at 19200 baud (%1 bytes/s).")
             .arg(DEVSIM_LINE_RATE_BYTES_PER_SEC),
         QStringLiteral("rate")},
        {QStringLiteral("hangup-after"),
         QStringLiteral("Close the port after <n> valid frames (the process keeps running)."),
         QStringLiteral("n")},
        {QStringLiteral("seed"), QStringLiteral("Seed for the noise bytes."), QStringLiteral("n")},
        {QStringLiteral("report-line"),
         QStringLiteral("Start the port at 9600 8N1 and log each change of its line settings\n"
                        "made by whoever else has it open (needs --log).")},
    });
    result.helpText = parser.helpText();

    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        return result;
    }
    if (parser.isSet(help)) {
        result.help = true;
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.error =
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first());
        return result;
    }

    DevSimOptions& o = result.options;
    o.linkPath = parser.value(QStringLiteral("link"));
    o.logPath = parser.value(QStringLiteral("log"));
    o.view = parser.isSet(QStringLiteral("view"));
    o.faults.silent = parser.isSet(QStringLiteral("silent"));
    o.faults.garbage = parser.isSet(QStringLiteral("garbage"));
    o.reportLine = parser.isSet(QStringLiteral("report-line"));
    QString& error = result.error;
    const qint64 intMax = std::numeric_limits<int>::max();
    if (!readNumber(parser, QStringLiteral("delay-ms"), 0, 600'000, o.faults.delayMs, error) ||
        !readNumber(parser, QStringLiteral("answer-every"), 1, intMax, o.faults.answerEvery,
                    error) ||
        !readNumber(parser, QStringLiteral("extra-bytes"), 0, 4096, o.faults.extraBytes, error) ||
        !readFlood(parser, o.faults.floodBytesPerSec, error) ||
        !readNumber(parser, QStringLiteral("hangup-after"), 1, intMax, o.hangupAfter, error) ||
        !readNumber(parser, QStringLiteral("seed"), 0, std::numeric_limits<std::uint32_t>::max(),
                    o.seed, error))
        return result;
    if (parser.isSet(QStringLiteral("link")) && o.linkPath.isEmpty())
        error = QStringLiteral("--link wants a path");
    else if (parser.isSet(QStringLiteral("log")) && o.logPath.isEmpty())
        error = QStringLiteral("--log wants a file name or -");
    else if (o.reportLine && o.logPath.isEmpty())
        error = QStringLiteral("--report-line writes to the log; add --log");
    return result;
}
