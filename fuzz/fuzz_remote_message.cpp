// A page's message, any bytes: the parser never accepts what the session would refuse, a refusal
// always has a reason short enough to send back, and the answer built from it is one JSON object
// the page can read. The same bytes as a request head: read or refused, never past its bound.
#include "FuzzInput.h"
#include "remote/HttpRequestHead.h"
#include "remote/RemoteProtocol.h"

#include <QJsonDocument>
#include <QJsonObject>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace RemoteProtocol;
    FuzzInput in(data, size);
    const QByteArray text = in.Rest();
    const PageMessage m = ParsePageMessage(text);
    if (m.ok()) {
        FUZZ_CHECK(text.size() <= kMaxMessageBytes);
        FUZZ_CHECK(!IsChange(m.op) || (m.hasToken && CheckRequest(m.request).ok()));
    } else {
        FUZZ_CHECK(m.refusal.size() <= 120);
        const QByteArray answer = RefusedMessage(m.id, m.refusal);
        const QJsonObject o = QJsonDocument::fromJson(answer).object();
        FUZZ_CHECK(o.value(QLatin1String("type")).toString() == QLatin1String("refused"));
        FUZZ_CHECK(o.value(QLatin1String("reason")).toString() == m.refusal);
        FUZZ_CHECK(o.contains(QLatin1String("id")) == m.id.has_value());
    }

    const HeadParse head = ParseRequestHead(text);
    if (head.status == HeadParse::Status::Complete) {
        FUZZ_CHECK(text.indexOf("\r\n\r\n") + 4 <= kMaxRequestHeadBytes);
        FUZZ_CHECK(head.head.target.startsWith('/'));
        for (const auto& [name, value] : head.head.headers)
            FUZZ_CHECK(!name.contains('\r') && !name.contains('\n') && !value.contains('\n'));
    }
    return 0;
}
