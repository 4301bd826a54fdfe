#include "settings/ProfileIni.h"

#include "settings/StagedFile.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <unistd.h>

namespace {

const QByteArray kCrLf = QByteArrayLiteral("\r\n");

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView TrimBlanks(QByteArrayView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

bool SameName(QByteArrayView a, QByteArrayView b) {
    return a.size() == b.size() && a.compare(b, Qt::CaseInsensitive) == 0;
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

bool IsComment(QByteArrayView trimmed) {
    return trimmed.startsWith(';');
}

// "[name]" with blanks allowed around the name; false for anything else.
bool ParseSectionHeader(QByteArrayView line, QByteArrayView* name) {
    const QByteArrayView trimmed = TrimBlanks(line);
    if (!trimmed.startsWith('['))
        return false;
    const qsizetype close = trimmed.lastIndexOf(']');
    if (close < 0)
        return false;
    *name = TrimBlanks(trimmed.sliced(1, close - 1));
    return true;
}

// "key=value"; comment lines and lines without '=' are not key lines.
bool ParseKeyLine(QByteArrayView line, QByteArrayView* key, QByteArrayView* value) {
    const QByteArrayView trimmed = TrimBlanks(line);
    if (IsComment(trimmed))
        return false;
    const qsizetype eq = trimmed.indexOf('=');
    if (eq < 0)
        return false;
    *key = TrimBlanks(trimmed.first(eq));
    if (value) {
        QByteArrayView v = TrimBlanks(trimmed.sliced(eq + 1));
        if (v.size() >= 2 && IsQuote(v.front()) && v.back() == v.front())
            v = v.sliced(1, v.size() - 2);
        *value = v;
    }
    return true;
}

// A value that would not read back as itself (line breaks, outer blanks, an outer quote pair)
// is made safe: cut at the first line break, then wrapped in quotes where reading would strip.
QByteArray StorableValue(QByteArrayView value) {
    const qsizetype lineBreak = [&] {
        for (qsizetype i = 0; i < value.size(); ++i)
            if (value[i] == '\r' || value[i] == '\n')
                return i;
        return value.size();
    }();
    QByteArray v = value.first(lineBreak).toByteArray();
    const bool outerBlank = !v.isEmpty() && (IsBlank(v.front()) || IsBlank(v.back()));
    const bool outerQuotes = v.size() >= 2 && IsQuote(v.front()) && v.back() == v.front();
    if (outerBlank || outerQuotes)
        return '"' + v + '"';
    return v;
}

bool Failed(int reason, QString* error) {
    if (error)
        *error = QString::fromLocal8Bit(std::strerror(reason));
    return false;
}

} // namespace

bool ProfileIni::Load(const QString& path, QString* error) {
    m_lines.clear();
    const QByteArray name = QFile::encodeName(path);
    // A name no file can have reads as a missing file.
    if (name.contains('\0'))
        return true;
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR || Failed(errno, error);
    QByteArray bytes;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int reason = errno;
            ::close(fd);
            return Failed(reason, error);
        }
        if (n == 0)
            break;
        bytes.append(chunk, n);
    }
    ::close(fd);
    *this = FromBytes(bytes);
    return true;
}

ProfileIni ProfileIni::FromFile(const QString& path) {
    ProfileIni ini;
    ini.Load(path);
    return ini;
}

ProfileIni ProfileIni::FromBytes(const QByteArray& bytes) {
    ProfileIni ini;
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        qsizetype next = end;
        if (next < size && bytes[next] == '\r')
            ++next;
        if (next < size && bytes[next] == '\n' && (next == end || bytes[end] == '\r'))
            ++next;
        ini.m_lines.append({bytes.sliced(start, end - start), bytes.sliced(end, next - end)});
        start = next;
    }
    return ini;
}

qsizetype ProfileIni::FindSection(QByteArrayView section) const {
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        QByteArrayView name;
        if (ParseSectionHeader(m_lines[i].text, &name) && SameName(name, section))
            return i;
    }
    return -1;
}

qsizetype ProfileIni::SectionEnd(qsizetype header) const {
    QByteArrayView name;
    qsizetype i = header + 1;
    while (i < m_lines.size() && !ParseSectionHeader(m_lines[i].text, &name))
        ++i;
    return i;
}

qsizetype ProfileIni::FindKey(qsizetype header, QByteArrayView key) const {
    const qsizetype end = SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        QByteArrayView name;
        if (ParseKeyLine(m_lines[i].text, &name, nullptr) && SameName(name, key))
            return i;
    }
    return -1;
}

QByteArray ProfileIni::GetString(QByteArrayView section, QByteArrayView key,
                                 QByteArrayView defaultValue) const {
    const qsizetype header = FindSection(section);
    if (header < 0)
        return defaultValue.toByteArray();
    const qsizetype line = FindKey(header, key);
    if (line < 0)
        return defaultValue.toByteArray();
    QByteArrayView name;
    QByteArrayView value;
    ParseKeyLine(m_lines[line].text, &name, &value);
    return value.toByteArray();
}

QByteArray ProfileIni::GetString(QByteArrayView section, QByteArrayView key,
                                 QByteArrayView defaultValue, qsizetype room) const {
    QByteArray value = GetString(section, key, defaultValue);
    // Written so that no room, however small, overflows.
    value.truncate(room > 0 ? room - 1 : 0);
    return value;
}

int ProfileIni::GetInt(QByteArrayView section, QByteArrayView key, QByteArrayView defaultValue,
                       qsizetype room) const {
    return ParseLeadingInt(GetString(section, key, defaultValue, room));
}

void ProfileIni::TerminateLine(qsizetype index) {
    if (m_lines[index].eol.isEmpty())
        m_lines[index].eol = kCrLf;
}

void ProfileIni::WriteString(QByteArrayView section, QByteArrayView key, QByteArrayView value) {
    const QByteArray keyLine = key.toByteArray() + '=' + StorableValue(value);
    const qsizetype header = FindSection(section);
    if (header < 0) {
        if (!m_lines.isEmpty())
            TerminateLine(m_lines.size() - 1);
        m_lines.append({'[' + section.toByteArray() + ']', kCrLf});
        m_lines.append({keyLine, kCrLf});
        return;
    }
    const qsizetype existing = FindKey(header, key);
    if (existing >= 0) {
        // The key keeps the spelling it has in the file.
        QByteArrayView stored;
        ParseKeyLine(m_lines[existing].text, &stored, nullptr);
        m_lines[existing].text = stored.toByteArray() + '=' + StorableValue(value);
        TerminateLine(existing);
        return;
    }
    qsizetype after = header;
    const qsizetype end = SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        QByteArrayView name;
        if (ParseKeyLine(m_lines[i].text, &name, nullptr))
            after = i;
    }
    TerminateLine(after);
    m_lines.insert(after + 1, {keyLine, kCrLf});
}

QByteArray ProfileIni::Serialize() const {
    QByteArray out;
    for (const Line& line : m_lines) {
        out += line.text;
        out += line.eol;
    }
    if (!m_lines.isEmpty() && m_lines.back().eol.isEmpty())
        out += kCrLf;
    return out;
}

bool ProfileIni::SaveTo(const QString& path, QString* error) const {
    StagedFile staged(path);
    if (staged.Stage(Serialize()) && staged.Commit())
        return true;
    if (error)
        *error = staged.ErrorString();
    return false;
}

int ParseLeadingInt(QByteArrayView text) {
    qsizetype i = 0;
    const auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (i < text.size() && isSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr long long limit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    long long magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        magnitude = qMin(magnitude * 10 + (text[i] - '0'), limit);
    if (negative)
        return static_cast<int>(-magnitude);
    return static_cast<int>(qMin<long long>(magnitude, std::numeric_limits<int>::max()));
}
