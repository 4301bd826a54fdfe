#include "ui/dialogs/CFadeTimeDlg.h"

#include "ui/dialogs/KoreanFont.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

CFadeTimeDlg::CFadeTimeDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Fade time"));
    setAccessibleName(tr("Fade time"));
    setFont(KoreanFont(10));

    auto* form = new QFormLayout;
    for (int slot = 1; slot <= SCENE_SLOTS; ++slot) {
        auto* field = new QDoubleSpinBox(this);
        field->setRange(0.0, kMaxFadeSeconds);
        field->setDecimals(1);
        field->setSingleStep(0.5);
        field->setSuffix(tr(" s"));
        field->setAccessibleName(tr("Fade time of scene %1").arg(slot));
        auto* label = new QLabel(tr("Scene &%1").arg(slot), this);
        label->setBuddy(field);
        form->addRow(label, field);
        m_fields[slot - 1] = field;
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}

void CFadeTimeDlg::SetTimes(const FadeTimes& times) {
    for (int i = 0; i < SCENE_SLOTS; ++i)
        m_fields[i]->setValue(times.seconds[i]);
}

FadeTimes CFadeTimeDlg::Times() const {
    FadeTimes times;
    for (int i = 0; i < SCENE_SLOTS; ++i)
        times.seconds[i] = m_fields[i]->value();
    return times;
}
