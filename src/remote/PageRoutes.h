#pragma once

#include "remote/HttpRequestHead.h"

#include <QByteArray>
#include <QList>

// What the remote answers one HTTP request: the page's three files (compiled in), the upgrade on
// /ws, or a refusal. Nothing here changes anything, whatever the request.
struct HttpAnswer {
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    // Hand the socket to the WebSocket server as it is.
    bool upgrade = false;
    // Why a request was refused, for the log; never the target, which may hold the token.
    QByteArray refusal;
};

// `hosts`: every "host:port" a request may name in Host, in lower case.
HttpAnswer AnswerRequest(const HttpRequestHead& head, const QList<QByteArray>& hosts);
// The status line, the headers and (but for HEAD) the body.
QByteArray ResponseBytes(const HttpAnswer& answer, const HttpRequestHead& head);
// For a head that could not be read at all.
HttpAnswer BadRequest(int status, const QByteArray& refusal);
