#include <QCoreApplication>
#include <QMetaMethod>
#include <QTest>
#include <memory>
#include <vector>

std::unique_ptr<QObject> makePortOpenTest();
std::unique_ptr<QObject> makeReceiveTest();
std::unique_ptr<QObject> makeLifecycleTest();
std::unique_ptr<QObject> makePortDiagnosisTest();
int tryOpenAsChild(const QString& path);
int holdAsChild(const QString& path);

namespace {

bool hasFunction(const QObject& test, const QByteArray& arg) {
    const QByteArray function = arg.split(':').constFirst();
    const QMetaObject* meta = test.metaObject();
    for (int m = meta->methodOffset(); m < meta->methodCount(); ++m) {
        if (meta->method(m).name() == function)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--try-open")
        return tryOpenAsChild(QString::fromLocal8Bit(argv[2]));
    if (argc == 3 && QByteArray(argv[1]) == "--hold")
        return holdAsChild(QString::fromLocal8Bit(argv[2]));
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(makePortOpenTest());
    tests.push_back(makeReceiveTest());
    tests.push_back(makeLifecycleTest());
    tests.push_back(makePortDiagnosisTest());
    // Each class gets the options and only its own functions; a class none of whose functions
    // is named is skipped, unless no function is named at all.
    auto namedSomewhere = [&](const QByteArray& arg) {
        for (const auto& test : tests) {
            if (hasFunction(*test, arg))
                return true;
        }
        return false;
    };
    bool anyNamed = false;
    for (int i = 1; i < argc; ++i)
        anyNamed = anyNamed || namedSomewhere(argv[i]);
    int failures = 0;
    for (const auto& test : tests) {
        std::vector<char*> args{argv[0]};
        bool own = false;
        for (int i = 1; i < argc; ++i) {
            if (!namedSomewhere(argv[i]))
                args.push_back(argv[i]);
            else if (hasFunction(*test, argv[i])) {
                args.push_back(argv[i]);
                own = true;
            }
        }
        if (own || !anyNamed)
            failures += QTest::qExec(test.get(), int(args.size()), args.data());
    }
    return failures == 0 ? 0 : 1;
}
