#include "TempConfigHome.h"

TempConfigHome::TempConfigHome()
    : m_previous(qgetenv("XDG_CONFIG_HOME")),
      m_hadPrevious(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")) {
    qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
}

TempConfigHome::~TempConfigHome() {
    if (m_hadPrevious)
        qputenv("XDG_CONFIG_HOME", m_previous);
    else
        qunsetenv("XDG_CONFIG_HOME");
}
