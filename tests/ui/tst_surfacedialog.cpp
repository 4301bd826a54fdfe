#include "HostedPanel.h"
#include "model/PanelLayout.h"
#include "ui/dialogs/CSurfaceDlg.h"
#include "ui/view/CMorvixView.h"
#include "ui/view/PanelContextMenu.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(SurfaceDialogValues)

namespace {

const QStringList kProfiles{"generic", "nanokontrol2", "mackie", "xtouch-compact", "apc-mini"};

SurfaceDialogValues Values(QStringList ports, QString port, QString profile, bool pickUp) {
    SurfaceDialogValues v;
    v.ports = std::move(ports);
    v.profiles = kProfiles;
    v.port = std::move(port);
    v.profile = std::move(profile);
    v.pickUp = pickUp;
    return v;
}

// The view as it paints itself now.
QImage Shown(CMorvixView& view) {
    view.Panel().MarkRedrawPending();
    return view.grab().toImage();
}

// Whether the mark's orange shows at the point of the view.
bool Orange(const QImage& image, QPoint at) {
    const QColor c = image.pixelColor(at);
    return c.red() > 180 && c.green() > 60 && c.green() < 130 && c.blue() < 60;
}

} // namespace

class tst_SurfaceDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What goes in comes out, whether or not the chosen port is plugged in now.
    void valuesRoundTrip_data() {
        QTest::addColumn<SurfaceDialogValues>("values");
        QTest::newRow("a listed port") << Values({"Midi Through:Port-0", "Fader Box:Faders"},
                                                 "Fader Box:Faders", "generic", false);
        QTest::newRow("a port not plugged in now") << Values(
            {"Midi Through:Port-0"}, "nanoKONTROL2:nanoKONTROL2 _ CTRL", "nanokontrol2", true);
        QTest::newRow("no surface") << Values({"Fader Box:Faders"}, "", "mackie", false);
        SurfaceDialogValues noSequencer = Values({}, "Fader Box:Faders", "apc-mini", true);
        noSequencer.portsProblem = "cannot open the ALSA sequencer: No such file or directory";
        QTest::newRow("no sequencer: the reason is shown") << noSequencer;
    }
    void valuesRoundTrip() {
        QFETCH(SurfaceDialogValues, values);
        CSurfaceDlg dialog;
        dialog.SetValues(values);
        QCOMPARE(dialog.Values(), values);
        QCOMPARE(dialog.ProblemLabel()->isVisibleTo(&dialog), !values.portsProblem.isEmpty());
    }

    // The list follows the controllers coming and going; the operator's choice stays.
    void portsRefreshed_choiceStays() {
        CSurfaceDlg dialog;
        dialog.SetValues(Values({"A:a", "B:b"}, "B:b", "generic", true));
        dialog.SetPorts({"C:c"});
        QCOMPARE(dialog.Values().port, QStringLiteral("B:b"));
        dialog.SetPorts({"C:c", "B:b"});
        QCOMPARE(dialog.PortBox()->currentText(), QStringLiteral("B:b"));
        QCOMPARE(dialog.Values().ports, (QStringList{"C:c", "B:b"}));
        dialog.PortBox()->setCurrentIndex(0);
        QCOMPARE(dialog.Values().port, QString());
    }

    void choicesMade_comeBack() {
        CSurfaceDlg dialog;
        dialog.SetValues(Values({"A:a", "B:b"}, "", "generic", true));
        dialog.PortBox()->setCurrentIndex(2);
        dialog.ProfileBox()->setCurrentText("mackie");
        dialog.PickUpBox()->setChecked(false);
        QTimer::singleShot(0, &dialog, [&] { dialog.LearnButton()->click(); });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        const SurfaceDialogValues got = dialog.Values();
        QCOMPARE(got.port, QStringLiteral("B:b"));
        QCOMPARE(got.profile, QStringLiteral("mackie"));
        QCOMPARE(got.pickUp, false);
        QCOMPARE(got.learn, true);
        // Opened again, it has forgotten the Learn.
        dialog.SetValues(got);
        QCOMPARE(dialog.Values().learn, false);
    }

    // The menu asks for the dialog; the view itself does nothing with it.
    void menuEntry_asksForTheDialog() {
        HostedPanel hosted;
        CMorvixView view(hosted.session);
        QSignalSpy asked(&view.PanelMenu(), &PanelContextMenu::SurfaceRequested);
        view.PanelMenu().SurfaceAction()->trigger();
        QCOMPARE(asked.count(), 1);
    }

    // Each row shows its mark, pointing the way the fader must go, and loses it again.
    void pickUpMarks_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("mark");
        QTest::newRow("up on the first row") << 0 << int(PickUpMark::Up);
        QTest::newRow("down on the last row") << 7 << int(PickUpMark::Down);
        QTest::newRow("up on row 4") << 3 << int(PickUpMark::Up);
    }
    void pickUpMarks() {
        QFETCH(int, row);
        QFETCH(int, mark);
        HostedPanel hosted;
        CMorvixView view(hosted.session);
        view.resize(CMorvixView::kViewWidth, CMorvixView::kViewHeight);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        PickUpMarks marks{};
        marks[row] = PickUpMark(mark);
        view.SetPickUpMarks(marks);
        const QRect area = PanelLayout::PickUpMarkArea(row);
        const QPoint tipTop(area.center().x(), area.top() + 1);
        const QPoint tipBottom(area.center().x(), area.bottom() - 1);
        QTRY_VERIFY(Orange(Shown(view), mark == int(PickUpMark::Up) ? tipBottom : tipTop));
        const QImage shown = Shown(view);
        // The point of the triangle is narrow: its corners on that side stay clear.
        const QPoint corner = mark == int(PickUpMark::Up) ? area.topLeft() : area.bottomLeft();
        QVERIFY(!Orange(shown, corner));
        for (int other = 0; other < CHANNEL_COUNT; ++other) {
            if (other != row)
                QVERIFY(!Orange(shown, PanelLayout::PickUpMarkArea(other).center()));
        }
        view.SetPickUpMarks({});
        QTRY_VERIFY(!Orange(Shown(view), area.center()));
    }
};

QTEST_MAIN(tst_SurfaceDialog)
#include "tst_surfacedialog.moc"
