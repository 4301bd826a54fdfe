#include "settings/StagedFile.h"

#include <unistd.h>

StagedFile::StagedFile(const QString& targetPath) : m_file(targetPath) {
    // Writing straight into the target would give up the all-or-nothing replacement.
    m_file.setDirectWriteFallback(false);
}

bool StagedFile::Stage(const QByteArray& contents) {
    if (m_staged || !m_file.open(QIODevice::WriteOnly))
        return false;
    const bool written = m_file.write(contents) == contents.size() && m_file.flush() &&
                         ::fsync(m_file.handle()) == 0;
    if (!written) {
        m_file.cancelWriting();
        return false;
    }
    m_staged = true;
    return true;
}

bool StagedFile::Commit() {
    if (!m_staged)
        return false;
    m_staged = false;
    return m_file.commit();
}
