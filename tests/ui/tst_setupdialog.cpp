#include "FakeDeviceTree.h"
#include "SetupDialogDriver.h"
#include "model/ColorRef.h"
#include "ui/dialogs/DialogUnits.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QFontInfo>

using namespace setup_test;

namespace {

QString TextOf(const QWidget* widget) {
    if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    return {};
}

} // namespace

class tst_SetupDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void frame_captionFontAndFixedSize();
    void template_controlsInCreationOrder_data();
    void template_controlsInCreationOrder();
    void tabOrder_followsCreation_andStartsAtOkEachShowing();
    void portList_tenComPortsInOrder();
    void portList_devicesPresentFollow_chosenByFullPath();
    void portSelection_firstItemBeginningWithText_data();
    void portSelection_firstItemBeginningWithText();
    void typedPort_returnedUnvalidated_data();
    void typedPort_returnedUnvalidated();
    void typing_stopsAtTheFieldsWidth();
    void enterInPortField_isOk();
    void endings_closeEscapeAndCloseBoxGiveTwo_data();
    void endings_closeEscapeAndCloseBoxGiveTwo();
    void colours_shownOnPickersAndReadBackOnOk_data();
    void colours_shownOnPickersAndReadBackOnOk();
    void allOffBox_shownAndReturned();
};

void tst_SetupDialog::frame_captionFontAndFixedSize() {
    CSetupDlg dialog;
    QCOMPARE(dialog.windowTitle(), QString("Setup"));
    QCOMPARE(dialog.font().pointSize(), 12);
    const QStringList korean = {"맑은 고딕", "Malgun Gothic", "NanumGothic", "Noto Sans CJK KR"};
    QVERIFY2(korean.contains(QFontInfo(dialog.font()).family()),
             qPrintable(QFontInfo(dialog.font()).family()));
    const DialogUnits du(dialog.font());
    QCOMPARE(dialog.size(), QSize(du.X(200), du.Y(150)));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QVERIFY(qobject_cast<QPushButton*>(dialog.Control(1))->isDefault());
}

void tst_SetupDialog::template_controlsInCreationOrder_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("units");
    const struct {
        int id;
        const char* kind;
        const char* text;
        QRect units;
    } rows[] = {
        {1, "QPushButton", "OK", {143, 7, 50, 25}},
        {2, "QPushButton", "CLOSE", {143, 35, 50, 25}},
        {1001, "QComboBox", "", {75, 10, 50, 100}},
        {-1, "QLabel", "COM PORT :", {12, 11, 42, 8}},
        {1003, "CColorPicker", "", {75, 25, 50, 12}},
        {1009, "CColorPicker", "", {75, 45, 50, 12}},
        {1010, "CColorPicker", "", {74, 66, 50, 12}},
        {1007, "QLabel", "FileName", {15, 117, 178, 26}},
        {1008, "QPushButton", "&Save", {15, 100, 50, 12}},
        {1011, "QPushButton", "&Open", {75, 100, 50, 12}},
        {-1, "QLabel", "Color (Slide L) :", {12, 25, 53, 8}},
        {-1, "QLabel", "Color (Slide R) :", {12, 45, 53, 8}},
        {-1, "QLabel", "Color (Ch') :", {12, 65, 41, 8}},
        {1012, "QCheckBox", "1~8 Ch' Off (0, OFF)", {12, 85, 82, 10}},
    };
    int index = 0;
    for (const auto& row : rows) {
        QTest::addRow("%d %s", index, row.text[0] ? row.text : row.kind)
            << index << row.id << QString(row.kind) << QString::fromUtf8(row.text) << row.units;
        ++index;
    }
}

void tst_SetupDialog::template_controlsInCreationOrder() {
    QFETCH(int, index);
    QFETCH(int, id);
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QRect, units);
    CSetupDlg dialog;
    const QList<QWidget*> controls = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    QCOMPARE(controls.size(), 14);
    QWidget* control = controls[index];
    QCOMPARE(QString(control->metaObject()->className()), kind);
    QCOMPARE(dialog.ControlId(control), id);
    if (id > 0)
        QCOMPARE(dialog.Control(id), control);
    QCOMPARE(TextOf(control), text);

    const DialogUnits du(dialog.font());
    const QRect expected = du.Rect(units.x(), units.y(), units.width(), units.height());
    const QRect actual = control->geometry();
    QCOMPARE(actual.topLeft(), expected.topLeft());
    if (kind == "CColorPicker") {
        // The picker sets its own height from the arrow box and only ever widens.
        QCOMPARE(actual.width(), qMax(expected.width(), control->minimumWidth()));
        QCOMPARE(actual.height(), control->maximumHeight());
        QCOMPARE(actual.height(), control->minimumHeight());
    } else if (kind == "QComboBox") {
        // The template's height holds the field and the dropped list.
        auto* combo = qobject_cast<QComboBox*>(control);
        QCOMPARE(actual.width(), expected.width());
        QCOMPARE(actual.height(), combo->sizeHint().height());
        const int list = combo->maxVisibleItems() * combo->view()->sizeHintForRow(0);
        QVERIFY2(actual.height() + list <= expected.height(), qPrintable(QString::number(list)));
        QVERIFY(actual.height() + list + combo->view()->sizeHintForRow(0) > expected.height());
    } else {
        QCOMPARE(actual, expected);
    }
}

void tst_SetupDialog::tabOrder_followsCreation_andStartsAtOkEachShowing() {
    CSetupDlg dialog;
    QVERIFY(OpenDialog(dialog, Inputs("COM1")));
    QCOMPARE(dialog.ControlId(QApplication::focusWidget()), 1);
    QList<int> order;
    for (int i = 0; i < 9; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << dialog.ControlId(QApplication::focusWidget());
    }
    QCOMPARE(order, (QList<int>{2, 1001, 1003, 1009, 1010, 1008, 1011, 1012, 1}));

    // Reused: the focus left on the check box does not carry over to the next showing.
    AllOffBox(dialog)->setFocus();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QVERIFY(OpenDialog(dialog, Inputs("COM1")));
    QCOMPARE(dialog.ControlId(QApplication::focusWidget()), 1);
}

void tst_SetupDialog::portList_tenComPortsInOrder() {
    CSetupDlg dialog;
    QComboBox* combo = PortCombo(dialog);
    QVERIFY(combo->isEditable());
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    QCOMPARE(items, (QStringList{"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8",
                                 "COM9", "COM10"}));
}

void tst_SetupDialog::portList_devicesPresentFollow_chosenByFullPath() {
    FakeDeviceTree tree;
    QVERIFY(tree.AddTypical());
    const QString ftdi = tree.dev() + "/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    CSetupDlg dialog;
    // Stored as the full path, which is wider than the field: the device's entry is chosen.
    QVERIFY(OpenDialog(dialog, Inputs(ftdi), {tree.dev(), tree.sys()}));
    QComboBox* combo = PortCombo(dialog);
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    QCOMPARE(items.mid(0, 10), CSetupDlg::kComPorts);
    QCOMPARE(items.mid(10), (QStringList{"Arduino www.arduino.cc 0043 7573530323135 (ttyACM0)",
                                         "FTDI FT232R USB UART A50285BI (ttyUSB0)",
                                         tree.dev() + "/ttyUSB0", tree.dev() + "/ttyUSB2",
                                         tree.dev() + "/ttyUSB10", tree.dev() + "/ttyACM0",
                                         tree.dev() + "/rfcomm0", tree.dev() + "/ttyS0"}));
    QCOMPARE(combo->currentIndex(), 11);
    QCOMPARE(combo->currentText(), QString("FTDI FT232R USB UART A50285BI (ttyUSB0)"));
    Click(dialog, 1);
    QCOMPARE(dialog.values().m_strPortText, ftdi);

    // Picked from the list, whatever its length; the next opening lists again and picks it.
    QVERIFY(OpenDialog(dialog, Inputs("COM2"), {tree.dev(), tree.sys()}));
    combo->setCurrentIndex(10);
    Click(dialog, 1);
    const QString arduino =
        tree.dev() + "/serial/by-id/usb-Arduino__www.arduino.cc__0043_7573530323135-if00";
    QCOMPARE(dialog.values().m_strPortText, arduino);
    QVERIFY(OpenDialog(dialog, Inputs(arduino), {tree.dev(), tree.sys()}));
    QCOMPARE(combo->count(), 18);
    QCOMPARE(combo->currentIndex(), 10);

    // An entry's text edited by hand is typed text, not the device.
    PortCombo(dialog)->lineEdit()->setFocus();
    QTest::keyClick(combo->lineEdit(), Qt::Key_End);
    QTest::keyClick(combo->lineEdit(), Qt::Key_Backspace);
    Click(dialog, 1);
    QCOMPARE(dialog.values().m_strPortText,
             QString("Arduino www.arduino.cc 0043 7573530323135 (ttyACM0"));
}

void tst_SetupDialog::portSelection_firstItemBeginningWithText_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("returned");
    QTest::newRow("COM1, not COM10") << "COM1" << 0 << "COM1";
    QTest::newRow("COM10") << "COM10" << 9 << "COM10";
    QTest::newRow("small letters") << "com3" << 2 << "COM3";
    QTest::newRow("prefix") << "co" << 0 << "COM1";
    QTest::newRow("empty") << "" << 0 << "COM1";
    QTest::newRow("NULL stays text") << "NULL" << -1 << "NULL";
    QTest::newRow("COM11 is no item") << "COM11" << -1 << "COM11";
    QTest::newRow("device path") << "/dev/ttyUSB0" << -1 << "/dev/ttyUSB0";
    QTest::newRow("longer than the field") << "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0" << -1
                                           << "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0";
}

void tst_SetupDialog::portSelection_firstItemBeginningWithText() {
    QFETCH(QString, stored);
    QFETCH(int, selected);
    QFETCH(QString, returned);
    CSetupDlg dialog;
    // A selection left from an earlier showing must not survive either.
    QVERIFY(OpenDialog(dialog, Inputs("COM7")));
    Click(dialog, 2);
    QVERIFY(OpenDialog(dialog, Inputs(stored)));
    QCOMPARE(PortCombo(dialog)->currentIndex(), selected);
    QCOMPARE(PortCombo(dialog)->currentText(), returned);
    Click(dialog, 1);
    QCOMPARE(dialog.result(), QDialog::Accepted);
    QCOMPARE(dialog.values().m_strPortText, returned);
}

void tst_SetupDialog::typedPort_returnedUnvalidated_data() {
    QTest::addColumn<QString>("typed");
    QTest::newRow("device name") << "ttyUSB0";
    QTest::newRow("small letters stay") << "com7";
    QTest::newRow("blank") << " ";
    QTest::newRow("empty") << "";
}

void tst_SetupDialog::typedPort_returnedUnvalidated() {
    QFETCH(QString, typed);
    CSetupDlg dialog;
    QVERIFY(OpenDialog(dialog, Inputs("COM2")));
    TypePort(dialog, typed);
    Click(dialog, 1);
    QCOMPARE(dialog.result(), QDialog::Accepted);
    QCOMPARE(dialog.values().m_strPortText, typed);
    QCOMPARE(PortCombo(dialog)->count(), 10);
}

void tst_SetupDialog::typing_stopsAtTheFieldsWidth() {
    CSetupDlg dialog;
    QVERIFY(OpenDialog(dialog, Inputs("COM2")));
    const QString longName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    TypePort(dialog, longName);
    QLineEdit* field = PortCombo(dialog)->lineEdit();
    const QString kept = field->text();
    QVERIFY2(kept.size() >= 4 && kept.size() < longName.size(), qPrintable(kept));
    QVERIFY(longName.startsWith(kept));
    QVERIFY(field->fontMetrics().horizontalAdvance(kept) <= field->contentsRect().width());

    // Text set by the program may be wider; it can still be shortened.
    Click(dialog, 2);
    QVERIFY(OpenDialog(dialog, Inputs("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0")));
    field->setFocus();
    QTest::keyClick(field, Qt::Key_End);
    QTest::keyClick(field, Qt::Key_Backspace);
    QCOMPARE(field->text(), QString("/dev/serial/by-id/usb-FTDI_FT232R-if00-port"));
}

void tst_SetupDialog::enterInPortField_isOk() {
    CSetupDlg dialog;
    QVERIFY(OpenDialog(dialog, Inputs("NULL")));
    TypePort(dialog, "COM4");
    QTest::keyClick(PortCombo(dialog)->lineEdit(), Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), QDialog::Accepted);
    QCOMPARE(dialog.values().m_strPortText, QString("COM4"));
    QCOMPARE(PortCombo(dialog)->count(), 10);
}

void tst_SetupDialog::endings_closeEscapeAndCloseBoxGiveTwo_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("CLOSE") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("close box") << 2;
}

void tst_SetupDialog::endings_closeEscapeAndCloseBoxGiveTwo() {
    QFETCH(int, how);
    CSetupDlg dialog;
    QVERIFY(OpenDialog(dialog, Inputs("COM2")));
    if (how == 0)
        Click(dialog, 2);
    else if (how == 1)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    else
        dialog.close();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), QDialog::Rejected);
}

void tst_SetupDialog::colours_shownOnPickersAndReadBackOnOk_data() {
    QTest::addColumn<ColorRef>("before");
    QTest::addColumn<ColorRef>("chosen");
    // What screen readers read as the colour buttons' descriptions.
    QTest::addColumn<QString>("beforeText");
    QTest::addColumn<QString>("chosenText");
    QTest::newRow("plain") << MakeColorRef(10, 20, 30) << MakeColorRef(255, 0, 128)
                           << "red 10, green 20, blue 30"
                           << "red 255, green 0, blue 128";
    QTest::newRow("Auto chosen") << MakeColorRef(0, 0, 255) << CLR_DEFAULT
                                 << "파란색 (red 0, green 0, blue 255)"
                                 << "Auto";
    QTest::newRow("Auto before") << CLR_DEFAULT << MakeColorRef(0, 255, 0) << "Auto"
                                 << "밝은 녹색 (red 0, green 255, blue 0)";
}

void tst_SetupDialog::colours_shownOnPickersAndReadBackOnOk() {
    QFETCH(ColorRef, before);
    QFETCH(ColorRef, chosen);
    QFETCH(QString, beforeText);
    QFETCH(QString, chosenText);
    CSetupDlg dialog;
    SetupValues in = Inputs("COM1");
    in.m_colorSlideL = before;
    in.m_colorSlideR = before ^ 0x000101u;
    in.m_colorCh = before ^ 0x010000u;
    QVERIFY(OpenDialog(dialog, in));
    auto* left = qobject_cast<CColorPicker*>(dialog.Control(1003));
    auto* right = qobject_cast<CColorPicker*>(dialog.Control(1009));
    auto* channel = qobject_cast<CColorPicker*>(dialog.Control(1010));
    QCOMPARE(left->FillColor(), in.m_colorSlideL);
    QCOMPARE(right->FillColor(), in.m_colorSlideR);
    QCOMPARE(channel->FillColor(), in.m_colorCh);
    // Each button named after the text beside it.
    const std::pair<CColorPicker*, QString> named[] = {
        {left, "Color (Slide L)"}, {right, "Color (Slide R)"}, {channel, "Color (Ch')"}};
    for (const auto& [picker, name] : named) {
        QAccessibleInterface* button = QAccessible::queryAccessibleInterface(picker);
        QCOMPARE(button->role(), QAccessible::Button);
        QCOMPARE(button->text(QAccessible::Name), name);
    }
    QAccessibleInterface* leftButton = QAccessible::queryAccessibleInterface(left);
    QCOMPARE(leftButton->text(QAccessible::Description), beforeText);

    // What the popup does with the operator's choice.
    left->SetPickedColor(chosen);
    QCOMPARE(leftButton->text(QAccessible::Description), chosenText);
    left->SetPickedColor(in.m_colorSlideL);
    right->SetPickedColor(chosen);
    Click(dialog, 1);
    const SetupValues out = dialog.values();
    QCOMPARE(out.m_colorSlideL, in.m_colorSlideL);
    QCOMPARE(out.m_colorSlideR, chosen);
    QCOMPARE(out.m_colorCh, in.m_colorCh);
}

void tst_SetupDialog::allOffBox_shownAndReturned() {
    CSetupDlg dialog;
    SetupValues in = Inputs("COM1");
    in.m_bAllOff = true;
    QVERIFY(OpenDialog(dialog, in));
    QVERIFY(AllOffBox(dialog)->isChecked());
    Click(dialog, CSetupDlg::IDC_ALL_OFF);
    Click(dialog, 1);
    QCOMPARE(dialog.values().m_bAllOff, false);

    in.m_bAllOff = false;
    QVERIFY(OpenDialog(dialog, in));
    QVERIFY(!AllOffBox(dialog)->isChecked());
    Click(dialog, CSetupDlg::IDC_ALL_OFF);
    Click(dialog, 1);
    QCOMPARE(dialog.values().m_bAllOff, true);
}

QTEST_MAIN(tst_SetupDialog)
#include "tst_setupdialog.moc"
