#pragma once

#include <QString>
#include <functional>

class QWidget;

enum class PresetFileMode { Save, Open };

// The file dialog of the Setup dialog's "&Save" and "&Open": the chosen full path, or an empty
// string when it ended without OK. Tests put their own answer in its place.
using PresetFileChooser = std::function<QString(QWidget* parent, PresetFileMode mode)>;

// The real one: one *.qvd filter, no default extension. Save asks before overwriting; Open also
// takes the name of a file that does not exist yet.
QString RunPresetFileDialog(QWidget* parent, PresetFileMode mode);
