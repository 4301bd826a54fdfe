#include "remote/RemoteProtocol.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace RemoteProtocol {
namespace {

enum class Field { Ch, Level, On, Slot };

struct OpRule {
    const char* name;
    Op op;
    std::initializer_list<Field> fields;
};

const OpRule kOps[] = {
    {"level", Op::Level, {Field::Ch, Field::Level}},
    {"switch", Op::Switch, {Field::Ch, Field::On}},
    {"alloff", Op::AllOff, {}},
    {"recall", Op::Recall, {Field::Slot}},
    {"store", Op::Store, {Field::Slot}},
    {"stop", Op::Stop, {}},
    {"ping", Op::Ping, {}},
};

QString FieldName(Field field) {
    switch (field) {
    case Field::Ch:
        return QStringLiteral("ch");
    case Field::Level:
        return QStringLiteral("level");
    case Field::On:
        return QStringLiteral("on");
    case Field::Slot:
        return QStringLiteral("slot");
    }
    return {};
}

// A name from the page goes back in a refusal; a long one is cut, not echoed whole.
QString Quoted(const QString& text) {
    constexpr int kShown = 32;
    return QStringLiteral("\"%1\"").arg(
        text.size() > kShown ? text.left(kShown) + QStringLiteral("…") : text);
}

// JSON has numbers only; an integer is one without a fraction that a double holds exactly.
bool IsInteger(const QJsonValue& value) {
    if (!value.isDouble())
        return false;
    const double d = value.toDouble();
    return std::isfinite(d) && d == std::floor(d) && std::fabs(d) <= 9007199254740992.0;
}

// Out of int's range reads as its nearest end, which the range check then refuses.
int ToInt(const QJsonValue& value) {
    const double d = value.toDouble();
    if (d > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (d < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(d);
}

SessionRequest RequestOf(Op op, const QJsonObject& o) {
    const auto number = [&o](const char* key) { return ToInt(o.value(QLatin1String(key))); };
    switch (op) {
    case Op::Level:
        return SessionRequest::Level(number("ch"), number("level"));
    case Op::Switch:
        return SessionRequest::Switch(number("ch"), o.value(QLatin1String("on")).toBool());
    case Op::AllOff:
        return SessionRequest::AllOff();
    case Op::Recall:
        return SessionRequest::RecallScene(number("slot"));
    case Op::Store:
        return SessionRequest::StoreScene(number("slot"));
    case Op::Stop:
    case Op::Ping:
        break;
    }
    return SessionRequest::StopFade();
}

} // namespace

bool IsChange(Op op) {
    return op != Op::Ping;
}

PageMessage ParsePageMessage(const QByteArray& text) {
    PageMessage m;
    const auto refuse = [&m](const QString& reason) {
        m.refusal = reason;
        return m;
    };
    if (text.size() > kMaxMessageBytes)
        return refuse(QStringLiteral("message over %1 bytes").arg(kMaxMessageBytes));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError)
        return refuse(QStringLiteral("malformed JSON: %1").arg(error.errorString()));
    if (!document.isObject())
        return refuse(QStringLiteral("not a JSON object"));
    const QJsonObject o = document.object();

    // The id first, so every later refusal can carry it.
    if (o.contains(QLatin1String("id"))) {
        const QJsonValue id = o.value(QLatin1String("id"));
        if (!IsInteger(id))
            return refuse(QStringLiteral("id must be an integer"));
        m.id = static_cast<qint64>(id.toDouble());
    }
    const QJsonValue opValue = o.value(QLatin1String("op"));
    if (opValue.isUndefined())
        return refuse(QStringLiteral("missing field op"));
    if (!opValue.isString())
        return refuse(QStringLiteral("op must be a string"));
    const OpRule* rule = nullptr;
    for (const OpRule& candidate : kOps)
        if (opValue.toString() == QLatin1String(candidate.name))
            rule = &candidate;
    if (!rule)
        return refuse(QStringLiteral("unknown op %1").arg(Quoted(opValue.toString())));
    m.op = rule->op;

    for (auto it = o.begin(); it != o.end(); ++it) {
        const QString& key = it.key();
        bool known =
            key == QLatin1String("t") || key == QLatin1String("op") || key == QLatin1String("id");
        for (Field field : rule->fields)
            known = known || key == FieldName(field);
        if (!known)
            return refuse(QStringLiteral("unknown field %1").arg(Quoted(key)));
    }
    const QJsonValue token = o.value(QLatin1String("t"));
    if (token.isUndefined()) {
        if (IsChange(m.op))
            return refuse(QStringLiteral("missing field t"));
    } else if (!token.isString()) {
        return refuse(QStringLiteral("t must be a string"));
    } else {
        m.token = token.toString();
        m.hasToken = true;
    }
    for (Field field : rule->fields) {
        const QJsonValue value = o.value(FieldName(field));
        if (value.isUndefined())
            return refuse(QStringLiteral("missing field %1").arg(FieldName(field)));
        if (field == Field::On ? !value.isBool() : !IsInteger(value))
            return refuse(QStringLiteral("%1 must be %2")
                              .arg(FieldName(field), field == Field::On
                                                         ? QStringLiteral("true or false")
                                                         : QStringLiteral("an integer")));
    }
    m.request = RequestOf(m.op, o);
    if (IsChange(m.op)) {
        if (const SessionAnswer answer = CheckRequest(m.request); !answer.ok())
            return refuse(answer.text);
    }
    return m;
}

} // namespace RemoteProtocol
