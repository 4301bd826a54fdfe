#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// An ini file held in memory with the lookup and update rules of the Windows profile-string
// functions, so files written there load the same here and ours stay readable there.
// The file is bytes: names and values are compared and returned without any encoding step.
//
// Reading: section and key names match without regard to case, blanks around names and values
// are ignored, the first section and the first key of a name win, ';' starts a comment line, and
// a value enclosed in a pair of '"' or '\'' loses that pair.
// Writing: an existing key is replaced on its own line, a new key goes after the last key of its
// section, a new section is appended; every other byte of the file is kept.
class ProfileIni {
public:
    // Reads `path`. A missing file reads as empty and counts as success; false only when the file
    // exists but cannot be read (the object is then empty; `error` gets the system's reason).
    bool Load(const QString& path, QString* error = nullptr);
    // Load() for callers that treat an unreadable file like a missing one.
    static ProfileIni FromFile(const QString& path);
    static ProfileIni FromBytes(const QByteArray& bytes);

    // The stored value, or `defaultValue` when the section or key is missing.
    QByteArray GetString(QByteArrayView section, QByteArrayView key,
                         QByteArrayView defaultValue) const;
    // The same cut to `room` - 1 bytes, as read into a buffer of `room` bytes.
    QByteArray GetString(QByteArrayView section, QByteArrayView key, QByteArrayView defaultValue,
                         qsizetype room) const;
    // The value cut to `room` - 1 bytes, then converted by ParseLeadingInt.
    int GetInt(QByteArrayView section, QByteArrayView key, QByteArrayView defaultValue,
               qsizetype room) const;

    void WriteString(QByteArrayView section, QByteArrayView key, QByteArrayView value);

    // The file as it would be written: every line as read, each new or changed line ending in
    // CRLF, and a last line always terminated.
    QByteArray Serialize() const;
    // Replaces `path` with Serialize() in one step (see StagedFile); false if nothing was written,
    // with the system's reason in `error`.
    bool SaveTo(const QString& path, QString* error = nullptr) const;

private:
    struct Line {
        QByteArray text;
        QByteArray eol; // "\r\n", "\n", "\r" or empty for an unterminated last line
    };

    qsizetype FindSection(QByteArrayView section) const;
    qsizetype SectionEnd(qsizetype header) const;
    qsizetype FindKey(qsizetype header, QByteArrayView key) const;
    void TerminateLine(qsizetype index);

    QList<Line> m_lines;
};

// atoi: leading white space, an optional sign, then decimal digits up to the first other
// character; no digits gives 0. Out-of-range values saturate instead of overflowing.
int ParseLeadingInt(QByteArrayView text);
