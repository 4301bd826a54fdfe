#pragma once

#include "settings/SceneSlots.h"

#include <QDialog>
#include <array>

class QDoubleSpinBox;

// The eight scene slots' fade times, in seconds.
struct FadeTimes {
    std::array<double, SCENE_SLOTS> seconds{};
    bool operator==(const FadeTimes&) const = default;
};

// "Fade time": one field a slot, tenths of a second up to an hour. It only collects the times;
// the caller stores them after OK.
class CFadeTimeDlg : public QDialog {
    Q_OBJECT

public:
    explicit CFadeTimeDlg(QWidget* parent = nullptr);

    void SetTimes(const FadeTimes& times);
    FadeTimes Times() const;
    QDoubleSpinBox* Field(int slot) const { return m_fields.at(slot - 1); }

private:
    std::array<QDoubleSpinBox*, SCENE_SLOTS> m_fields{};
};
