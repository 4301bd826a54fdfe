#include "TestFiles.h"
#include "settings/ProfileIni.h"
#include "settings/StagedFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <climits>
#include <cstring>
#include <limits>
#include <thread>

class tst_ProfileIni : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lookup_data();
    void lookup();
    void roomCutsBeforeConversion_data();
    void roomCutsBeforeConversion();
    void parseLeadingInt_data();
    void parseLeadingInt();
    void write_data();
    void write();
    void writtenValuesReadBackWhole_data();
    void writtenValuesReadBackWhole();
    void loadMissingFile_isEmptyAndSucceeds();
    void saveTo_createsFileEndingInCrLf();
    void stagedWithoutCommit_keepsOldFileAndLeavesNoTemp();
    void stagedAndCommitted_replacesFile();
    void twoSavers_secondWaitsForTheFirstsRename();
    void saveUnderRegularFile_failsWithoutWriting();
};

void tst_ProfileIni::lookup_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("crlf") << QByteArray("[set]\r\nPort=COM3\r\n") << QByteArray("set")
                          << QByteArray("Port") << QByteArray("COM3");
    QTest::newRow("lf") << QByteArray("[set]\nA=1\nPort=COM3\n") << QByteArray("set")
                        << QByteArray("Port") << QByteArray("COM3");
    QTest::newRow("cr") << QByteArray("[set]\rA=1\rPort=COM3\r") << QByteArray("set")
                        << QByteArray("Port") << QByteArray("COM3");
    QTest::newRow("no final line end") << QByteArray("[set]\r\nPort=COM3") << QByteArray("set")
                                       << QByteArray("Port") << QByteArray("COM3");
    QTest::newRow("names ignore case") << QByteArray("[SeT]\r\npORT=COM3\r\n") << QByteArray("set")
                                       << QByteArray("Port") << QByteArray("COM3");
    QTest::newRow("blanks inside brackets")
        << QByteArray(" [ \tCH SET\t ] \r\nCOLOR1=5\r\n") << QByteArray("CH SET")
        << QByteArray("COLOR1") << QByteArray("5");
    QTest::newRow("blanks around key and value")
        << QByteArray("[set]\r\n \t Port \t=  COM3 \t\r\n") << QByteArray("set")
        << QByteArray("Port") << QByteArray("COM3");
    QTest::newRow("blank lines anywhere")
        << QByteArray("\r\n\r\n[set]\r\n\r\n\r\nPort=COM3\r\n\r\n") << QByteArray("set")
        << QByteArray("Port") << QByteArray("COM3");
    QTest::newRow("first section wins")
        << QByteArray("[set]\r\nPort=COM1\r\n[set]\r\nPort=COM2\r\n") << QByteArray("set")
        << QByteArray("Port") << QByteArray("COM1");
    QTest::newRow("duplicate section not merged")
        << QByteArray("[set]\r\nPort=COM1\r\n[SET]\r\nFile Name=x\r\n") << QByteArray("set")
        << QByteArray("File Name") << QByteArray("NULL");
    QTest::newRow("first key wins")
        << QByteArray("[set]\r\nport=COM1\r\nPORT=COM2\r\n") << QByteArray("set")
        << QByteArray("Port") << QByteArray("COM1");
    QTest::newRow("comment line") << QByteArray("[set]\r\n;Port=COM9\r\n") << QByteArray("set")
                                  << QByteArray("Port") << QByteArray("NULL");
    QTest::newRow("indented comment before key")
        << QByteArray("[set]\r\n  \t;Port=COM9\r\nPort=COM3\r\n") << QByteArray("set")
        << QByteArray("Port") << QByteArray("COM3");
    QTest::newRow("no inline comment")
        << QByteArray("[set]\r\nPort=COM3 ;usb\r\n") << QByteArray("set") << QByteArray("Port")
        << QByteArray("COM3 ;usb");
    QTest::newRow("double quotes stripped")
        << QByteArray("[set]\r\nPort=\" COM3 \"\r\n") << QByteArray("set") << QByteArray("Port")
        << QByteArray(" COM3 ");
    QTest::newRow("single quotes stripped")
        << QByteArray("[set]\r\nPort='COM3'\r\n") << QByteArray("set") << QByteArray("Port")
        << QByteArray("COM3");
    QTest::newRow("only the outer pair")
        << QByteArray("[set]\r\nPort=\"\"COM3\"\"\r\n") << QByteArray("set") << QByteArray("Port")
        << QByteArray("\"COM3\"");
    QTest::newRow("unmatched quotes kept")
        << QByteArray("[set]\r\nPort=\"COM3'\r\n") << QByteArray("set") << QByteArray("Port")
        << QByteArray("\"COM3'");
    QTest::newRow("lone quote kept") << QByteArray("[set]\r\nPort=\"\r\n") << QByteArray("set")
                                     << QByteArray("Port") << QByteArray("\"");
    QTest::newRow("empty quotes") << QByteArray("[set]\r\nPort=''\r\n") << QByteArray("set")
                                  << QByteArray("Port") << QByteArray("");
    QTest::newRow("empty value") << QByteArray("[set]\r\nPort=\r\n") << QByteArray("set")
                                 << QByteArray("Port") << QByteArray("");
    QTest::newRow("equals sign in value")
        << QByteArray("[set]\r\nFile Name=a=b\r\n") << QByteArray("set") << QByteArray("File Name")
        << QByteArray("a=b");
    QTest::newRow("before first section ignored")
        << QByteArray("Port=COM9\r\n[set]\r\n") << QByteArray("set") << QByteArray("Port")
        << QByteArray("NULL");
    QTest::newRow("line without equals ignored")
        << QByteArray("[set]\r\nPort\r\n") << QByteArray("set") << QByteArray("Port")
        << QByteArray("NULL");
    QTest::newRow("key of another section")
        << QByteArray("[CH SET]\r\nPort=COM3\r\n[set]\r\nFile Name=x\r\n") << QByteArray("set")
        << QByteArray("Port") << QByteArray("NULL");
    QTest::newRow("missing section") << QByteArray("[set]\r\nPort=COM3\r\n") << QByteArray("CH SET")
                                     << QByteArray("Port") << QByteArray("NULL");
    QTest::newRow("empty file") << QByteArray() << QByteArray("set") << QByteArray("Port")
                                << QByteArray("NULL");
    QTest::newRow("bytes passed through")
        << QByteArray("[set]\r\nFile Name=/m\xC3\xBCsic/\xFF.qvd\r\n") << QByteArray("set")
        << QByteArray("File Name") << QByteArray("/m\xC3\xBCsic/\xFF.qvd");
}

void tst_ProfileIni::lookup() {
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, expected);
    QCOMPARE(ProfileIni::FromBytes(file).GetString(section, key, "NULL"), expected);
}

void tst_ProfileIni::roomCutsBeforeConversion_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<qsizetype>("room");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("number");

    QTest::newRow("level 12345 in room 5")
        << QByteArray("12345") << qsizetype(5) << QByteArray("1234") << 1234;
    QTest::newRow("digits then letters")
        << QByteArray("12abc") << qsizetype(5) << QByteArray("12ab") << 12;
    QTest::newRow("letters") << QByteArray("abc") << qsizetype(5) << QByteArray("abc") << 0;
    QTest::newRow("auto colour fits room 10")
        << QByteArray("-16777216") << qsizetype(10) << QByteArray("-16777216") << -16777216;
    QTest::newRow("largest plain colour")
        << QByteArray("16777215") << qsizetype(10) << QByteArray("16777215") << 16777215;
    QTest::newRow("blanks trimmed before the cut")
        << QByteArray("   300") << qsizetype(5) << QByteArray("300") << 300;
    QTest::newRow("sign takes room")
        << QByteArray("-1234") << qsizetype(5) << QByteArray("-123") << -123;
    QTest::newRow("room one") << QByteArray("7") << qsizetype(1) << QByteArray("") << 0;
    const QByteArray longName(200, 'p');
    // No room, however small, gives more than an empty value.
    QTest::newRow("room zero") << QByteArray("7") << qsizetype(0) << QByteArray("") << 0;
    QTest::newRow("negative room") << QByteArray("7") << qsizetype(-5) << QByteArray("") << 0;
    QTest::newRow("smallest room")
        << QByteArray("7") << std::numeric_limits<qsizetype>::min() << QByteArray("") << 0;
    QTest::newRow("200 characters in room 190")
        << longName << qsizetype(190) << longName.left(189) << 0;
}

void tst_ProfileIni::roomCutsBeforeConversion() {
    QFETCH(QByteArray, stored);
    QFETCH(qsizetype, room);
    QFETCH(QByteArray, text);
    QFETCH(int, number);
    const ProfileIni ini = ProfileIni::FromBytes("[CH SET]\r\nK=" + stored + "\r\n");
    QCOMPARE(ini.GetString("CH SET", "K", "NULL", room), text);
    QCOMPARE(ini.GetInt("CH SET", "K", "NULL", room), number);
}

void tst_ProfileIni::parseLeadingInt_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("expected");

    QTest::newRow("NULL") << QByteArray("NULL") << 0;
    QTest::newRow("empty") << QByteArray("") << 0;
    QTest::newRow("leading white space") << QByteArray(" \t\n\v\f\r42") << 42;
    QTest::newRow("plus") << QByteArray("+7") << 7;
    QTest::newRow("minus") << QByteArray("-7x") << -7;
    QTest::newRow("sign without digits") << QByteArray("- 5") << 0;
    QTest::newRow("two signs") << QByteArray("+-5") << 0;
    QTest::newRow("leading zeros") << QByteArray("007") << 7;
    QTest::newRow("stops at dot") << QByteArray("3.9") << 3;
    QTest::newRow("int max") << QByteArray("2147483647") << INT_MAX;
    QTest::newRow("int min") << QByteArray("-2147483648") << INT_MIN;
    QTest::newRow("too large saturates") << QByteArray("99999999999999999999") << INT_MAX;
    QTest::newRow("too small saturates") << QByteArray("-99999999999999999999") << INT_MIN;
}

void tst_ProfileIni::parseLeadingInt() {
    QFETCH(QByteArray, text);
    QFETCH(int, expected);
    QCOMPARE(ParseLeadingInt(text), expected);
}

void tst_ProfileIni::write_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("new file") << QByteArray() << QByteArray("set") << QByteArray("Port")
                              << QByteArray("COM1") << QByteArray("[set]\r\nPort=COM1\r\n");
    QTest::newRow("section appended without blank line")
        << QByteArray("[set]\r\nPort=COM1\r\n") << QByteArray("CH SET") << QByteArray("COLOR1")
        << QByteArray("0") << QByteArray("[set]\r\nPort=COM1\r\n[CH SET]\r\nCOLOR1=0\r\n");
    QTest::newRow("section appended after unterminated line")
        << QByteArray("[a]\r\nk=v") << QByteArray("set") << QByteArray("Port") << QByteArray("X")
        << QByteArray("[a]\r\nk=v\r\n[set]\r\nPort=X\r\n");
    QTest::newRow("replaced in place, spelling kept, rest untouched")
        << QByteArray("; top\r\nstray text\r\n[SET]\r\n  port \t= COM1 \r\n; note\r\n"
                      "Extra=1\r\n[Other]\r\nK=V\r\n")
        << QByteArray("set") << QByteArray("Port") << QByteArray("COM7")
        << QByteArray("; top\r\nstray text\r\n[SET]\r\nport=COM7\r\n; note\r\n"
                      "Extra=1\r\n[Other]\r\nK=V\r\n");
    QTest::newRow("replaced line keeps its own line end")
        << QByteArray("[set]\nPort=COM1\nX=1\n") << QByteArray("set") << QByteArray("Port")
        << QByteArray("COM2") << QByteArray("[set]\nPort=COM2\nX=1\n");
    QTest::newRow("new key after last key of its section")
        << QByteArray("[set]\r\nA=1\r\n; c\r\n\r\n[x]\r\nB=0\r\n") << QByteArray("set")
        << QByteArray("B") << QByteArray("2")
        << QByteArray("[set]\r\nA=1\r\nB=2\r\n; c\r\n\r\n[x]\r\nB=0\r\n");
    QTest::newRow("new key in section without keys")
        << QByteArray("[set]\r\n; only a comment\r\n[x]\r\n") << QByteArray("set")
        << QByteArray("Port") << QByteArray("COM1")
        << QByteArray("[set]\r\nPort=COM1\r\n; only a comment\r\n[x]\r\n");
    QTest::newRow("new key after unterminated last line")
        << QByteArray("[set]\r\nA=1") << QByteArray("set") << QByteArray("B") << QByteArray("2")
        << QByteArray("[set]\r\nA=1\r\nB=2\r\n");
    QTest::newRow("only the first duplicate changes")
        << QByteArray("[set]\r\nPort=1\r\nPort=2\r\n[set]\r\nPort=3\r\n") << QByteArray("set")
        << QByteArray("Port") << QByteArray("9")
        << QByteArray("[set]\r\nPort=9\r\nPort=2\r\n[set]\r\nPort=3\r\n");
    QTest::newRow("commented key is not replaced")
        << QByteArray("[set]\r\n;Port=1\r\n") << QByteArray("set") << QByteArray("Port")
        << QByteArray("9") << QByteArray("[set]\r\nPort=9\r\n;Port=1\r\n");
    QTest::newRow("line break cut off")
        << QByteArray() << QByteArray("set") << QByteArray("Port")
        << QByteArray("COM1\r\n[evil]\r\nx=1") << QByteArray("[set]\r\nPort=COM1\r\n");
}

void tst_ProfileIni::write() {
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, after);
    ProfileIni ini = ProfileIni::FromBytes(before);
    ini.WriteString(section, key, value);
    QCOMPARE(ini.Serialize(), after);
}

void tst_ProfileIni::writtenValuesReadBackWhole_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("plain") << QByteArray("COM10");
    QTest::newRow("inner blanks") << QByteArray("/home/op/my presets/a b.qvd");
    QTest::newRow("outer blanks") << QByteArray("  COM1\t");
    QTest::newRow("outer double quotes") << QByteArray("\"x\"");
    QTest::newRow("outer single quotes") << QByteArray("'x'");
    QTest::newRow("semicolon") << QByteArray(";x");
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("non-ASCII bytes") << QByteArray("/\xED\x95\x9C/\xFF");
}

void tst_ProfileIni::writtenValuesReadBackWhole() {
    QFETCH(QByteArray, value);
    ProfileIni ini;
    ini.WriteString("set", "File Name", value);
    const ProfileIni reread = ProfileIni::FromBytes(ini.Serialize());
    QCOMPARE(reread.GetString("set", "File Name", "NULL"), value);
}

void tst_ProfileIni::loadMissingFile_isEmptyAndSucceeds() {
    QTemporaryDir dir;
    ProfileIni ini = ProfileIni::FromBytes("[set]\r\nPort=COM1\r\n");
    QVERIFY(ini.Load(dir.filePath("absent.ini")));
    QCOMPARE(ini.Serialize(), QByteArray());
    QCOMPARE(ini.GetString("set", "Port", "NULL"), QByteArray("NULL"));
}

void tst_ProfileIni::saveTo_createsFileEndingInCrLf() {
    QTemporaryDir dir;
    const QString path = dir.filePath("set.ini");
    ProfileIni ini = ProfileIni::FromBytes("; head");
    ini.WriteString("set", "Port", "COM1");
    QVERIFY(ini.SaveTo(path));
    QCOMPARE(ReadAll(path), QByteArray("; head\r\n[set]\r\nPort=COM1\r\n"));
}

void tst_ProfileIni::stagedWithoutCommit_keepsOldFileAndLeavesNoTemp() {
    QTemporaryDir dir;
    const QString path = dir.filePath("set.ini");
    QVERIFY(WriteAll(path, "[set]\r\nPort=OLD\r\n"));
    {
        StagedFile staged(path);
        QVERIFY(staged.Stage("[set]\r\nPort=NEW\r\n"));
        // Interrupted here: the new contents are on disk, but only beside the target.
        QCOMPARE(ReadAll(path), QByteArray("[set]\r\nPort=OLD\r\n"));
    }
    QCOMPARE(ReadAll(path), QByteArray("[set]\r\nPort=OLD\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"set.ini"});
}

void tst_ProfileIni::stagedAndCommitted_replacesFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("set.ini");
    QVERIFY(WriteAll(path, "[set]\r\nPort=OLD\r\n"));
    // Left by a save killed before its rename: reused, not piled up beside the new one.
    QVERIFY(WriteAll(StagedFile::TemporaryPath(path), "[set]\r\nPort=STALE AND LONGER\r\n"));
    StagedFile staged(path);
    QVERIFY(staged.Stage("[set]\r\nPort=NEW\r\n"));
    QVERIFY(staged.Commit());
    QVERIFY(!staged.Commit());
    QCOMPARE(ReadAll(path), QByteArray("[set]\r\nPort=NEW\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"set.ini"});
}

// Two savers of one file (two panels, or a panel and a script's preset save): the second waits
// for the first one's lock, never writes into the file the first is staging, and starts again on
// a fresh temporary file once the first has renamed its own over the target.
void tst_ProfileIni::twoSavers_secondWaitsForTheFirstsRename() {
    QTemporaryDir dir;
    const QString path = dir.filePath("set.ini");
    QVERIFY(WriteAll(path, "[set]\r\nPort=OLD\r\n"));
    StagedFile first(path);
    QVERIFY(first.Stage("[set]\r\nPort=FIRST\r\n"));

    std::atomic<bool> staged{false};
    bool committed = false;
    std::thread second([&] {
        StagedFile other(path);
        staged = other.Stage("[set]\r\nPort=2\r\n");
        committed = staged && other.Commit();
    });
    QTest::qWait(100);
    const bool waited = !staged;
    const QByteArray stagedMeanwhile = ReadAll(StagedFile::TemporaryPath(path));
    const bool firstCommitted = first.Commit();
    const QByteArray afterFirst = ReadAll(path);
    second.join();

    QVERIFY(waited);
    QCOMPARE(stagedMeanwhile, QByteArray("[set]\r\nPort=FIRST\r\n"));
    QVERIFY(firstCommitted);
    QVERIFY(afterFirst == "[set]\r\nPort=FIRST\r\n" || afterFirst == "[set]\r\nPort=2\r\n");
    QVERIFY(committed);
    QCOMPARE(ReadAll(path), QByteArray("[set]\r\nPort=2\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"set.ini"});
}

void tst_ProfileIni::saveUnderRegularFile_failsWithoutWriting() {
    // Fails for root too, unlike a folder without write permission.
    QTemporaryDir dir;
    const QString blocker = dir.filePath("blocker");
    QVERIFY(WriteAll(blocker, "keep"));
    ProfileIni ini;
    ini.WriteString("set", "Port", "COM1");
    QString reason;
    QVERIFY(!ini.SaveTo(blocker + "/set.ini", &reason));
    QCOMPARE(reason, QString::fromLocal8Bit(std::strerror(ENOTDIR)));
    QCOMPARE(ReadAll(blocker), QByteArray("keep"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"blocker"});
}

QTEST_GUILESS_MAIN(tst_ProfileIni)
#include "tst_profileini.moc"
