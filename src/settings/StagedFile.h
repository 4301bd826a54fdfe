#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file in two phases so that a crash or a full disk never leaves it half written:
// Stage() writes the new contents to "<target>.tmp" beside the target and forces them to disk;
// Commit() renames that file over the target and syncs the folder, so the new name survives a
// power cut. Until Commit() succeeds the target keeps its old contents, and a StagedFile destroyed
// without Commit() removes its temporary file. The temporary name is fixed, so a process killed
// half way leaves at most that one file, which the next save reuses.
class StagedFile {
public:
    explicit StagedFile(const QString& targetPath);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    bool Stage(const QByteArray& contents);
    bool Commit();
    // The system's reason for the last failure ("Permission denied", "File too large", ...).
    QString ErrorString() const { return m_error; }

    static QString TemporaryPath(const QString& targetPath);

private:
    bool Fail(int error);
    void Discard();

    QByteArray m_target;
    QByteArray m_temporary;
    int m_fd = -1;
    bool m_staged = false;
    QString m_error;
};
