#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

// The head of one HTTP/1.x request, as far as the remote needs it: no bodies, no chunks, no
// pipelining. Header names are kept in lower case.
struct HttpRequestHead {
    QByteArray method;
    QByteArray target;
    QList<QPair<QByteArray, QByteArray>> headers;

    // The header's value; empty when missing.
    QByteArray Header(const QByteArray& lowerName) const;
    int HeaderCount(const QByteArray& lowerName) const;
    // The target without its query.
    QByteArray Path() const;
};

struct HeadParse {
    enum class Status { Incomplete, Complete, Bad, TooLarge };
    Status status = Status::Incomplete;
    HttpRequestHead head;
};

// A head is never longer than this; the page's requests are a few hundred bytes.
inline constexpr int kMaxRequestHeadBytes = 8192;

// Reads what arrived so far; Incomplete until the blank line, TooLarge past the bound.
HeadParse ParseRequestHead(const QByteArray& bytes);
