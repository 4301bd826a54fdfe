#include "ui/dialogs/CSetupDlg.h"

#include "ui/color/CColorPicker.h"
#include "ui/dialogs/DialogUnits.h"
#include "ui/dialogs/FieldWidthValidator.h"
#include "ui/dialogs/KoreanFont.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

namespace {

enum class Kind { DefaultButton, Button, Combo, Static, ColorPicker, CheckBox };

struct ControlTemplate {
    int id;
    Kind kind;
    const char* text;
    int x, y, width, height; // dialog units
};

// The dialog's controls in creation and tab order.
constexpr ControlTemplate kControls[] = {
    {1, Kind::DefaultButton, QT_TRANSLATE_NOOP("CSetupDlg", "OK"), 143, 7, 50, 25},
    {2, Kind::Button, QT_TRANSLATE_NOOP("CSetupDlg", "CLOSE"), 143, 35, 50, 25},
    {CSetupDlg::IDC_COMBO_PORT, Kind::Combo, "", 75, 10, 50, 100},
    {CSetupDlg::IDC_STATIC, Kind::Static, QT_TRANSLATE_NOOP("CSetupDlg", "COM PORT :"), 12, 11, 42,
     8},
    {CSetupDlg::IDC_COLOR_SLIDE_L, Kind::ColorPicker, "", 75, 25, 50, 12},
    {CSetupDlg::IDC_COLOR_SLIDE_R, Kind::ColorPicker, "", 75, 45, 50, 12},
    {CSetupDlg::IDC_COLOR_CH, Kind::ColorPicker, "", 74, 66, 50, 12},
    {CSetupDlg::IDC_FILE_NAME, Kind::Static, QT_TRANSLATE_NOOP("CSetupDlg", "FileName"), 15, 117,
     178, 26},
    {CSetupDlg::IDC_SAVE, Kind::Button, QT_TRANSLATE_NOOP("CSetupDlg", "&Save"), 15, 100, 50, 12},
    {CSetupDlg::IDC_OPEN, Kind::Button, QT_TRANSLATE_NOOP("CSetupDlg", "&Open"), 75, 100, 50, 12},
    {CSetupDlg::IDC_STATIC, Kind::Static, QT_TRANSLATE_NOOP("CSetupDlg", "Color (Slide L) :"), 12,
     25, 53, 8},
    {CSetupDlg::IDC_STATIC, Kind::Static, QT_TRANSLATE_NOOP("CSetupDlg", "Color (Slide R) :"), 12,
     45, 53, 8},
    {CSetupDlg::IDC_STATIC, Kind::Static, QT_TRANSLATE_NOOP("CSetupDlg", "Color (Ch') :"), 12, 65,
     41, 8},
    {CSetupDlg::IDC_ALL_OFF, Kind::CheckBox, QT_TRANSLATE_NOOP("CSetupDlg", "1~8 Ch' Off (0, OFF)"),
     12, 85, 82, 10},
};

constexpr int kDialogWidth = 200;
constexpr int kDialogHeight = 150;

} // namespace

// The template's initial data: stored files use these names.
const QStringList CSetupDlg::kComPorts = {
    QStringLiteral("COM1"), QStringLiteral("COM2"),  QStringLiteral("COM3"), QStringLiteral("COM4"),
    QStringLiteral("COM5"), QStringLiteral("COM6"),  QStringLiteral("COM7"), QStringLiteral("COM8"),
    QStringLiteral("COM9"), QStringLiteral("COM10"),
};

CSetupDlg::CSetupDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Setup"));
    setFont(KoreanFont(12));
    CreateControls();
}

CSetupDlg::~CSetupDlg() = default;

void CSetupDlg::CreateControls() {
    const DialogUnits du(font());
    setFixedSize(du.X(kDialogWidth), du.Y(kDialogHeight));

    for (const ControlTemplate& t : kControls) {
        const QString text = tr(t.text);
        const QRect rect = du.Rect(t.x, t.y, t.width, t.height);
        QWidget* control = nullptr;
        switch (t.kind) {
        case Kind::DefaultButton:
        case Kind::Button: {
            auto* button = new QPushButton(text, this);
            button->setDefault(t.kind == Kind::DefaultButton);
            button->setGeometry(rect);
            control = button;
            break;
        }
        case Kind::Combo: {
            auto* combo = new QComboBox(this);
            combo->setEditable(true);
            combo->addItems(kComPorts);
            // Typed names are returned as typed and never join the list.
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->setCompleter(nullptr);
            // The template's height includes the dropped list.
            const int fieldHeight = combo->sizeHint().height();
            combo->setGeometry(rect.x(), rect.y(), rect.width(), fieldHeight);
            const int rowHeight = qMax(1, combo->view()->sizeHintForRow(0));
            combo->setMaxVisibleItems(qMax(1, (rect.height() - fieldHeight) / rowHeight));
            combo->setValidator(new FieldWidthValidator(combo->lineEdit()));
            m_comboPort = combo;
            control = combo;
            break;
        }
        case Kind::Static: {
            auto* label = new QLabel(text, this);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setWordWrap(true);
            label->setGeometry(rect);
            if (t.id == IDC_FILE_NAME)
                m_staticFileName = label;
            control = label;
            break;
        }
        case Kind::ColorPicker: {
            auto* picker = new CColorPicker(t.id, this);
            picker->setGeometry(rect);
            // As on attaching: the height follows the arrow box, the width only grows.
            picker->FitSize();
            if (t.id == IDC_COLOR_SLIDE_L)
                m_btnSlideL = picker;
            else if (t.id == IDC_COLOR_SLIDE_R)
                m_btnSlideR = picker;
            else
                m_btnCh = picker;
            control = picker;
            break;
        }
        case Kind::CheckBox: {
            auto* check = new QCheckBox(text, this);
            check->setGeometry(rect);
            m_checkAllOff = check;
            control = check;
            break;
        }
        }
        m_controls.emplace_back(t.id, control);
        if (!m_firstTabStop && control->focusPolicy() & Qt::TabFocus)
            m_firstTabStop = control;
    }

    connect(qobject_cast<QPushButton*>(Control(1)), &QPushButton::clicked, this,
            &CSetupDlg::accept);
    connect(qobject_cast<QPushButton*>(Control(2)), &QPushButton::clicked, this,
            &CSetupDlg::reject);
    connect(qobject_cast<QPushButton*>(Control(IDC_SAVE)), &QPushButton::clicked, this,
            &CSetupDlg::OnSave);
    connect(qobject_cast<QPushButton*>(Control(IDC_OPEN)), &QPushButton::clicked, this,
            &CSetupDlg::OnOpen);
}

QWidget* CSetupDlg::Control(int id) const {
    if (id == IDC_STATIC)
        return nullptr;
    for (const auto& [controlId, control] : m_controls)
        if (controlId == id)
            return control;
    return nullptr;
}

int CSetupDlg::ControlId(const QWidget* widget) const {
    for (; widget; widget = widget->parentWidget())
        for (const auto& [id, control] : m_controls)
            if (control == widget)
                return id;
    return 0;
}
