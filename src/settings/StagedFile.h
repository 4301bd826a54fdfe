#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

// Replaces a file in two phases so that a crash or a full disk never leaves it half written:
// Stage() writes the new contents to a temporary file beside the target and forces them to
// disk; Commit() renames that file over the target. Until Commit() succeeds the target keeps its
// old contents, and a StagedFile destroyed without Commit() removes its temporary file.
class StagedFile {
public:
    explicit StagedFile(const QString& targetPath);
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    bool Stage(const QByteArray& contents);
    bool Commit();

private:
    QSaveFile m_file;
    bool m_staged = false;
};
