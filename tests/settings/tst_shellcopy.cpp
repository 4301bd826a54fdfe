#include "RecordingHost.h"
#include "SetupTestFiles.h"
#include "settings/ShellCopyFile.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace setup_test;

namespace {

QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

class tst_ShellCopy : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void copiesTheWholeFile_withoutAsking();
    void existingTarget_replacedOnlyWhenTheOperatorAgrees_data();
    void existingTarget_replacedOnlyWhenTheOperatorAgrees();
    void failure_isReportedAndLeavesTheTargetAsItWas_data();
    void failure_isReportedAndLeavesTheTargetAsItWas();
};

void tst_ShellCopy::copiesTheWholeFile_withoutAsking() {
    QTemporaryDir dir;
    // Binary, with zero bytes and CR/LF pairs, larger than any buffer a copy might use.
    QByteArray contents(3 * 1024 * 1024 + 17, '\0');
    QRandomGenerator generator(7);
    for (char& c : contents)
        c = static_cast<char>(generator.bounded(256));
    contents.replace(100, 4, "\r\n\0\n");
    const QString source = dir.filePath("set.ini");
    const QString target = dir.filePath("copy.qvd");
    QVERIFY(WriteAll(source, contents));

    RecordingHost host;
    QCOMPARE(ShellCopyFile(source, target, host), ShellCopyResult::Done);
    QCOMPARE(ReadAll(target), contents);
    QCOMPARE(ReadAll(source), contents);
    QVERIFY(host.questions.isEmpty());
    QVERIFY(host.messages.isEmpty());
    QCOMPARE(FilesIn(dir.path()), (QStringList{"copy.qvd", "set.ini"}));
}

void tst_ShellCopy::existingTarget_replacedOnlyWhenTheOperatorAgrees_data() {
    QTest::addColumn<bool>("answer");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void tst_ShellCopy::existingTarget_replacedOnlyWhenTheOperatorAgrees() {
    QFETCH(bool, answer);
    QTemporaryDir dir;
    const QString source = dir.filePath("set.ini");
    const QString target = dir.filePath("old.qvd");
    const QByteArray settings = SettingsText().port("COM2").bytes();
    QVERIFY(WriteAll(source, settings));
    // Longer than the new contents, so a replacement in place would leave a tail behind.
    QVERIFY(WriteAll(target, QByteArray(500, 'x')));

    RecordingHost host;
    host.yesNoAnswer = answer;
    QCOMPARE(ShellCopyFile(source, target, host),
             answer ? ShellCopyResult::Done : ShellCopyResult::Declined);
    QCOMPARE(host.questions.size(), 1);
    QVERIFY(host.questions[0].contains(target));
    QCOMPARE(ReadAll(target), answer ? settings : QByteArray(500, 'x'));
    QVERIFY(host.messages.isEmpty());
    QCOMPARE(FilesIn(dir.path()), (QStringList{"old.qvd", "set.ini"}));
}

void tst_ShellCopy::failure_isReportedAndLeavesTheTargetAsItWas_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("named");
    // Relative to the temporary folder; "set.ini" and "kept.qvd" exist, "folder" is a folder.
    QTest::newRow("missing source") << "gone.ini"
                                    << "kept.qvd"
                                    << "gone.ini";
    QTest::newRow("source is a folder") << "folder"
                                        << "kept.qvd"
                                        << "folder";
    QTest::newRow("target in a missing folder") << "set.ini"
                                                << "nowhere/new.qvd"
                                                << "nowhere/new.qvd";
    QTest::newRow("target is a folder") << "set.ini"
                                        << "folder"
                                        << "folder";
}

void tst_ShellCopy::failure_isReportedAndLeavesTheTargetAsItWas() {
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(QString, named);
    QTemporaryDir dir;
    QVERIFY(WriteAll(dir.filePath("set.ini"), "[set]\r\n"));
    QVERIFY(WriteAll(dir.filePath("kept.qvd"), "old preset"));
    QVERIFY(QDir(dir.path()).mkdir("folder"));

    RecordingHost host;
    host.yesNoAnswer = true;
    QCOMPARE(ShellCopyFile(dir.filePath(source), dir.filePath(target), host),
             ShellCopyResult::Failed);
    QCOMPARE(host.messages.size(), 1);
    QVERIFY2(host.messages[0].contains(dir.filePath(named)), qPrintable(host.messages[0]));
    QCOMPARE(host.captions[0], QString("File Copy.."));
    QCOMPARE(ReadAll(dir.filePath("kept.qvd")), QByteArray("old preset"));
    QVERIFY(QFileInfo(dir.filePath("folder")).isDir());
    QVERIFY(QDir(dir.filePath("folder")).isEmpty());
    QCOMPARE(FilesIn(dir.path()), (QStringList{"kept.qvd", "set.ini"}));
}

QTEST_GUILESS_MAIN(tst_ShellCopy)
#include "tst_shellcopy.moc"
