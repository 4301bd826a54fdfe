#include "remote/PageRoutes.h"

#include "remote/RemoteProtocol.h"

#include <QFile>

namespace {

struct PageFile {
    const char* path;
    const char* resource;
    const char* type;
};

const PageFile kFiles[] = {
    {"/", ":/remote/index.html", "text/html; charset=utf-8"},
    {"/index.html", ":/remote/index.html", "text/html; charset=utf-8"},
    {"/app.js", ":/remote/app.js", "text/javascript; charset=utf-8"},
    {"/style.css", ":/remote/style.css", "text/css; charset=utf-8"},
};

HttpAnswer Refuse(int status, const QByteArray& refusal) {
    HttpAnswer answer;
    answer.status = status;
    answer.contentType = "text/plain; charset=utf-8";
    answer.refusal = refusal;
    return answer;
}

QByteArray StatusText(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 426:
        return "Upgrade Required";
    case 431:
        return "Request Header Fields Too Large";
    }
    return "Error";
}

bool HasToken(const QByteArray& list, const QByteArray& token) {
    for (const QByteArray& item : list.split(','))
        if (item.trimmed().toLower() == token)
            return true;
    return false;
}

} // namespace

HttpAnswer BadRequest(int status, const QByteArray& refusal) {
    HttpAnswer answer = Refuse(status, refusal);
    answer.body = StatusText(status) + '\n';
    return answer;
}

HttpAnswer AnswerRequest(const HttpRequestHead& head, const QList<QByteArray>& hosts) {
    // A name that resolves to us by DNS rebinding still names itself here.
    const QByteArray host = head.Header("host").toLower();
    if (head.HeaderCount("host") != 1 || !hosts.contains(host))
        return BadRequest(403, "Host " + host.left(64) + " is not one this server listens on");
    if (head.method != "GET" && head.method != "HEAD")
        return BadRequest(405, "method " + head.method.left(16));
    const QByteArray path = head.Path();
    if (path == RemoteProtocol::kSocketPath) {
        if (head.method != "GET" || !HasToken(head.Header("upgrade"), "websocket") ||
            !HasToken(head.Header("connection"), "upgrade"))
            return BadRequest(426, "/ws without an upgrade");
        // Only the page this server gave out may open the socket; any other page a browser
        // shows sends its own origin.
        if (head.HeaderCount("origin") != 1 || head.Header("origin").toLower() != "http://" + host)
            return BadRequest(403,
                              "Origin " + head.Header("origin").left(64) + " is not the page's");
        HttpAnswer answer;
        answer.upgrade = true;
        return answer;
    }
    for (const PageFile& file : kFiles) {
        if (path != file.path)
            continue;
        QFile resource(QString::fromLatin1(file.resource));
        if (!resource.open(QIODevice::ReadOnly))
            break;
        HttpAnswer answer;
        answer.contentType = file.type;
        answer.body = resource.readAll();
        return answer;
    }
    return BadRequest(404, "no such page");
}

QByteArray ResponseBytes(const HttpAnswer& answer, const HttpRequestHead& head) {
    const QByteArray host = head.Header("host").toLower();
    QByteArray out =
        "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + StatusText(answer.status) + "\r\n";
    out += "Content-Type: " + answer.contentType + "\r\n";
    out += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
    out += "Cache-Control: no-store\r\n";
    out += "X-Content-Type-Options: nosniff\r\n";
    out += "Referrer-Policy: no-referrer\r\n";
    out += "X-Frame-Options: DENY\r\n";
    // The page's own files and its own socket, nothing else; no inline script or style.
    QByteArray connect = "'self'";
    if (answer.status == 200 && !host.isEmpty())
        connect += " ws://" + host;
    out += "Content-Security-Policy: default-src 'none'; script-src 'self'; style-src 'self'; "
           "img-src 'self' data:; connect-src " +
           connect + "; base-uri 'none'; form-action 'none'; frame-ancestors 'none'\r\n";
    if (answer.status == 405)
        out += "Allow: GET, HEAD\r\n";
    out += "Connection: close\r\n\r\n";
    if (head.method != "HEAD")
        out += answer.body;
    return out;
}
