#include "remote/HttpRequestHead.h"

#include <QByteArrayView>

QByteArray HttpRequestHead::Header(const QByteArray& lowerName) const {
    for (const auto& [name, value] : headers)
        if (name == lowerName)
            return value;
    return {};
}

int HttpRequestHead::HeaderCount(const QByteArray& lowerName) const {
    int count = 0;
    for (const auto& header : headers)
        count += header.first == lowerName ? 1 : 0;
    return count;
}

QByteArray HttpRequestHead::Path() const {
    const qsizetype query = target.indexOf('?');
    return query < 0 ? target : target.left(query);
}

namespace {

bool IsToken(QByteArrayView text) {
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
        if (!ok)
            return false;
    }
    return true;
}

// Control characters other than tab have no place in a head; a bare CR or NUL is a smuggling try.
bool HasControl(QByteArrayView text) {
    for (const char c : text)
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f)
            return true;
    return false;
}

} // namespace

HeadParse ParseRequestHead(const QByteArray& bytes) {
    HeadParse parse;
    const qsizetype end = bytes.indexOf("\r\n\r\n");
    if (end < 0) {
        parse.status = bytes.size() >= kMaxRequestHeadBytes ? HeadParse::Status::TooLarge
                                                            : HeadParse::Status::Incomplete;
        return parse;
    }
    if (end + 4 > kMaxRequestHeadBytes) {
        parse.status = HeadParse::Status::TooLarge;
        return parse;
    }
    parse.status = HeadParse::Status::Bad;
    QList<QByteArray> lines;
    for (qsizetype from = 0; from <= end;) {
        qsizetype to = bytes.indexOf("\r\n", from);
        if (to < 0 || to > end)
            to = end;
        lines.append(bytes.mid(from, to - from));
        from = to + 2;
    }
    // A lone CR or LF inside a line is left in it, and refused as a control character.
    const QList<QByteArray> requestLine = lines[0].split(' ');
    if (requestLine.size() != 3 || !IsToken(requestLine[0]) || !requestLine[1].startsWith('/') ||
        HasControl(requestLine[1]) ||
        (requestLine[2] != "HTTP/1.1" && requestLine[2] != "HTTP/1.0"))
        return parse;
    HttpRequestHead& head = parse.head;
    head.method = requestLine[0];
    head.target = requestLine[1];
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const qsizetype colon = line.indexOf(':');
        // No folded lines, no blanks before the colon.
        if (colon <= 0 || !IsToken(QByteArrayView(line).first(colon)) || HasControl(line))
            return parse;
        head.headers.append({line.left(colon).toLower(), line.mid(colon + 1).trimmed()});
    }
    parse.status = HeadParse::Status::Complete;
    return parse;
}
