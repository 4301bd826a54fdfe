#include "SetupDialogDriver.h"
#include "SetupTestFiles.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

using namespace setup_test;

namespace {

// Answers for the file dialogs in turn: the name chosen, or an empty string for Cancel. Records
// which kind of dialog was asked for.
struct ScriptedChooser {
    QStringList answers;
    QList<PresetFileMode> asked;

    PresetFileChooser Chooser() {
        return [this](QWidget*, PresetFileMode mode) {
            asked << mode;
            return answers.isEmpty() ? QString() : answers.takeFirst();
        };
    }
};

// Works the real file dialog once it is up: goes to `folder`, types `name` and presses Enter;
// should the dialog ask before overwriting, answers Yes. `seen` gets the dialog's settings.
struct FileDialogAnswer {
    QString folder;
    QString name;
    QStringList filters;
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
    QString defaultSuffix = "<not seen>";
    int overwriteQuestions = 0;

    void Arm(QObject* context) {
        auto* timer = new QTimer(context);
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, context, [this, timer] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                ++overwriteQuestions;
                box->button(QMessageBox::Yes)->click();
                return;
            }
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog || !dialog->isVisible() || dialog->property("answered").toBool())
                return;
            dialog->setProperty("answered", true);
            filters = dialog->nameFilters();
            acceptMode = dialog->acceptMode();
            defaultSuffix = dialog->defaultSuffix();
            dialog->setDirectory(folder);
            auto* field = dialog->findChild<QLineEdit*>("fileNameEdit");
            field->setFocus();
            QTest::keyClicks(field, name);
            // A name that exists drops the completion list, which would take the Enter.
            if (QCompleter* completer = field->completer())
                completer->popup()->hide();
            // From outside this tick: a timer does not fire again while its slot runs, and the
            // overwrite question runs its own loop inside the Enter.
            QTimer::singleShot(0, field, [field] { QTest::keyClick(field, Qt::Key_Return); });
        });
        QObject::connect(context, &QObject::destroyed, timer, &QTimer::stop);
        timer->start();
    }
};

} // namespace

class tst_SetupDialogFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fileName_showsPresetPathAtEachOpening_data();
    void fileName_showsPresetPathAtEachOpening();
    void save_addsQvdUnlessNameEndsInIt_data();
    void save_addsQvdUnlessNameEndsInIt();
    void saveAndOpen_lastAcceptedFileDialogDecides_data();
    void saveAndOpen_lastAcceptedFileDialogDecides();
    void fileDialog_keepsThePortAndBoxTheOperatorChose_data();
    void fileDialog_keepsThePortAndBoxTheOperatorChose();
    void realFileDialog_typedNames_data();
    void realFileDialog_typedNames();
};

void tst_SetupDialogFiles::fileName_showsPresetPathAtEachOpening_data() {
    QTest::addColumn<QString>("presetPath");
    QTest::newRow("none loaded yet") << "NULL";
    QTest::newRow("a preset") << "/home/op/presets/evening.qvd";
    QTest::newRow("a long path") << "/home/op/" + QString(150, 'p') + "/one.qvd";
}

void tst_SetupDialogFiles::fileName_showsPresetPathAtEachOpening() {
    QFETCH(QString, presetPath);
    CSetupDlg dialog;
    QCOMPARE(FileNameText(dialog), QString("FileName"));
    ScriptedChooser chooser{{"/tmp/first.qvd"}, {}};
    dialog.SetFileChooser(chooser.Chooser());

    // A showing that saved and was then closed leaves nothing behind for the next one.
    QVERIFY(OpenDialog(dialog, Inputs("COM1", "/old/one.qvd")));
    Click(dialog, CSetupDlg::IDC_SAVE);
    QCOMPARE(dialog.values().m_presetAction, PresetAction::Save);
    Click(dialog, 2);

    QVERIFY(OpenDialog(dialog, Inputs("COM1", presetPath)));
    QCOMPARE(FileNameText(dialog), presetPath);
    QCOMPARE(dialog.FileNameShown(), presetPath);
    QCOMPARE(dialog.values().m_presetAction, PresetAction::None);
    Click(dialog, 1);
    const SetupValues out = dialog.values();
    QCOMPARE(out.m_presetAction, PresetAction::None);
    QCOMPARE(out.m_presetPath, presetPath);
}

void tst_SetupDialogFiles::save_addsQvdUnlessNameEndsInIt_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("expected");
    QTest::newRow("night") << "/p/night"
                           << "/p/night.qvd";
    QTest::newRow("night.qvd") << "/p/night.qvd"
                               << "/p/night.qvd";
    QTest::newRow("night.QVD") << "/p/night.QVD"
                               << "/p/night.QVD.qvd";
    QTest::newRow("night.Qvd") << "/p/night.Qvd"
                               << "/p/night.Qvd.qvd";
    QTest::newRow("myqvd") << "/p/myqvd"
                           << "/p/myqvd";
    QTest::newRow("night.qv") << "/p/night.qv"
                              << "/p/night.qv.qvd";
    QTest::newRow("night.ini") << "/p/night.ini"
                               << "/p/night.ini.qvd";
    QTest::newRow("Korean name") << "/p/저녁"
                                 << "/p/저녁.qvd";
}

void tst_SetupDialogFiles::save_addsQvdUnlessNameEndsInIt() {
    QFETCH(QString, chosen);
    QFETCH(QString, expected);
    CSetupDlg dialog;
    ScriptedChooser chooser{{chosen}, {}};
    dialog.SetFileChooser(chooser.Chooser());
    QVERIFY(OpenDialog(dialog, Inputs("COM1")));
    Click(dialog, CSetupDlg::IDC_SAVE);
    QCOMPARE(chooser.asked, QList<PresetFileMode>{PresetFileMode::Save});
    QCOMPARE(dialog.values().m_presetPath, expected);
    QCOMPARE(dialog.FileNameShown(), expected);
    QCOMPARE(FileNameText(dialog), expected);
    Click(dialog, 1);
    QCOMPARE(dialog.values().m_presetAction, PresetAction::Save);
    QCOMPARE(dialog.values().m_presetPath, expected);
}

void tst_SetupDialogFiles::saveAndOpen_lastAcceptedFileDialogDecides_data() {
    // Buttons pressed in turn (S save, O open), the file dialogs' answers ("" for Cancel).
    QTest::addColumn<QString>("buttons");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<PresetAction>("action");
    QTest::addColumn<QString>("path");
    QTest::newRow("save then open")
        << "SO" << QStringList{"/p/a.qvd", "/p/b.qvd"} << PresetAction::Load << "/p/b.qvd";
    QTest::newRow("open then save")
        << "OS" << QStringList{"/p/b.qvd", "/p/c"} << PresetAction::Save << "/p/c.qvd";
    QTest::newRow("save, then a save cancelled")
        << "SS" << QStringList{"/p/a.qvd", ""} << PresetAction::Save << "/p/a.qvd";
    QTest::newRow("open, then an open cancelled")
        << "OO" << QStringList{"/p/b.qvd", ""} << PresetAction::Load << "/p/b.qvd";
    QTest::newRow("open cancelled only") << "O" << QStringList{""} << PresetAction::None << "NULL";
    QTest::newRow("open takes the name as it is")
        << "O" << QStringList{"/p/night.QVD"} << PresetAction::Load << "/p/night.QVD";
}

void tst_SetupDialogFiles::saveAndOpen_lastAcceptedFileDialogDecides() {
    QFETCH(QString, buttons);
    QFETCH(QStringList, answers);
    QFETCH(PresetAction, action);
    QFETCH(QString, path);
    CSetupDlg dialog;
    ScriptedChooser chooser{answers, {}};
    dialog.SetFileChooser(chooser.Chooser());
    QVERIFY(OpenDialog(dialog, Inputs("COM1")));
    QList<PresetFileMode> expectedModes;
    for (QChar button : buttons) {
        const bool save = button == 'S';
        expectedModes << (save ? PresetFileMode::Save : PresetFileMode::Open);
        Click(dialog, save ? CSetupDlg::IDC_SAVE : CSetupDlg::IDC_OPEN);
    }
    QCOMPARE(chooser.asked, expectedModes);
    QCOMPARE(FileNameText(dialog), path);
    Click(dialog, 1);
    QCOMPARE(dialog.values().m_presetAction, action);
    QCOMPARE(dialog.values().m_presetPath, path);
}

void tst_SetupDialogFiles::fileDialog_keepsThePortAndBoxTheOperatorChose_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("shown");
    QTest::newRow("save") << int(CSetupDlg::IDC_SAVE) << "/p/keep"
                          << "/p/keep.qvd";
    QTest::newRow("open") << int(CSetupDlg::IDC_OPEN) << "/p/keep.qvd"
                          << "/p/keep.qvd";
    QTest::newRow("open cancelled") << int(CSetupDlg::IDC_OPEN) << ""
                                    << "NULL";
}

void tst_SetupDialogFiles::fileDialog_keepsThePortAndBoxTheOperatorChose() {
    QFETCH(int, button);
    QFETCH(QString, answer);
    QFETCH(QString, shown);
    CSetupDlg dialog;
    ScriptedChooser chooser{{answer, answer}, {}};
    dialog.SetFileChooser(chooser.Chooser());

    // COM5 picked from the list, then a typed name; the box ticked.
    QVERIFY(OpenDialog(dialog, Inputs("COM1")));
    QComboBox* combo = PortCombo(dialog);
    combo->setFocus();
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(combo->lineEdit(), Qt::Key_Down);
    QCOMPARE(combo->currentText(), QString("COM5"));
    Click(dialog, CSetupDlg::IDC_ALL_OFF);
    Click(dialog, button);
    QCOMPARE(combo->currentText(), QString("COM5"));
    QCOMPARE(combo->currentIndex(), 4);
    QVERIFY(AllOffBox(dialog)->isChecked());
    QCOMPARE(FileNameText(dialog), shown);

    TypePort(dialog, "co");
    Click(dialog, button);
    QCOMPARE(combo->currentText(), QString("co"));
    QVERIFY(AllOffBox(dialog)->isChecked());

    Click(dialog, 1);
    const SetupValues out = dialog.values();
    QCOMPARE(out.m_strPortText, QString("co"));
    QCOMPARE(out.m_bAllOff, true);
    QCOMPARE(out.m_presetPath, shown);
}

void tst_SetupDialogFiles::realFileDialog_typedNames_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<PresetAction>("action");
    QTest::newRow("save night") << int(CSetupDlg::IDC_SAVE) << "night" << false << "night.qvd"
                                << PresetAction::Save;
    QTest::newRow("save over an existing file asks")
        << int(CSetupDlg::IDC_SAVE) << "night.qvd" << true << "night.qvd" << PresetAction::Save;
    QTest::newRow("open a name that does not exist")
        << int(CSetupDlg::IDC_OPEN) << "absent.qvd" << false << "absent.qvd" << PresetAction::Load;
    QTest::newRow("open an existing preset")
        << int(CSetupDlg::IDC_OPEN) << "there.qvd" << true << "there.qvd" << PresetAction::Load;
}

void tst_SetupDialogFiles::realFileDialog_typedNames() {
    QFETCH(int, button);
    QFETCH(QString, typed);
    QFETCH(bool, exists);
    QFETCH(QString, expected);
    QFETCH(PresetAction, action);
    QTemporaryDir folder;
    if (exists)
        QVERIFY(WriteAll(folder.filePath(typed), "[CH SET]\r\n"));

    CSetupDlg dialog;
    QVERIFY(OpenDialog(dialog, Inputs("COM1")));
    QObject context;
    FileDialogAnswer answer;
    answer.folder = folder.path();
    answer.name = typed;
    answer.Arm(&context);
    Click(dialog, button);

    QCOMPARE(answer.filters, QStringList{"Morvix 파일(*.qvd)"});
    QCOMPARE(answer.acceptMode,
             button == CSetupDlg::IDC_SAVE ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    QCOMPARE(answer.defaultSuffix, QString());
    QCOMPARE(answer.overwriteQuestions, button == CSetupDlg::IDC_SAVE && exists ? 1 : 0);
    QCOMPARE(dialog.values().m_presetPath, folder.filePath(expected));
    QCOMPARE(dialog.values().m_presetAction, action);
    QCOMPARE(FileNameText(dialog), folder.filePath(expected));
    QVERIFY(dialog.isVisible());
    Click(dialog, 2);
}

QTEST_MAIN(tst_SetupDialogFiles)
#include "tst_setupdialogfiles.moc"
