// The ini reader and writer on arbitrary files, names, values and rooms: lookups never fail, a
// cut value is the stored one cut to the room, a written value reads back (also after the file
// is serialised and read again), and every other key keeps its value.
#include "FuzzInput.h"
#include "settings/ProfileIni.h"

#include <QList>
#include <QPair>
#include <climits>
#include <cstdlib>
#include <string>

namespace {

using Name = QPair<QByteArray, QByteArray>;

bool Blank(char c) {
    return c == ' ' || c == '\t';
}

bool HasLineBreak(const QByteArray& text) {
    return text.contains('\r') || text.contains('\n');
}

bool OuterBlank(const QByteArray& text) {
    return !text.isEmpty() && (Blank(text.front()) || Blank(text.back()));
}

// Names a file can hold and give back: one line each, nothing the reader trims, and a key that
// cannot be taken for a section header, a comment or a "key=value" split.
bool StorableSection(const QByteArray& s) {
    return !HasLineBreak(s) && !OuterBlank(s);
}
bool StorableKey(const QByteArray& k) {
    return !HasLineBreak(k) && !OuterBlank(k) && !k.contains('=') && !k.startsWith('[') &&
           !k.startsWith(';');
}

bool SameName(const QByteArray& a, const QByteArray& b) {
    return a.size() == b.size() && QByteArrayView(a).compare(b, Qt::CaseInsensitive) == 0;
}

// atoi by the C library, saturated to int.
int ReferenceInt(const QByteArray& text) {
    const std::string s(text.constData(), std::size_t(text.size()));
    const long long v = std::strtoll(s.c_str(), nullptr, 10);
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : int(v);
}

// Section and key names as they appear in the file, so lookups and writes hit existing entries.
QList<Name> NamesIn(const QByteArray& file) {
    QList<Name> names;
    QByteArray section;
    for (QByteArray line : file.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[') && line.contains(']'))
            section = line.mid(1, line.lastIndexOf(']') - 1).trimmed();
        else if (const qsizetype eq = line.indexOf('='); eq > 0)
            names.append({section, line.first(eq).trimmed()});
        if (names.size() >= 24)
            break;
    }
    return names;
}

Name PickName(FuzzInput& in, const QList<Name>& known) {
    const std::uint8_t choice = in.Byte();
    if (!known.isEmpty() && choice % 2 == 0) {
        Name n = known[(choice / 2) % known.size()];
        // Now and then the same names in another case.
        if (choice & 0x80) {
            n.first = n.first.toUpper();
            n.second = n.second.toLower();
        }
        return n;
    }
    QByteArray section = in.Bytes(24);
    QByteArray key = in.Bytes(24);
    return {section, key};
}

void CheckLookup(const ProfileIni& ini, const Name& name, FuzzInput& in) {
    const QByteArray defaultValue = in.Bytes(12);
    // The smallest room is left out: its cut overflows today.
    const qsizetype room = qMax<qsizetype>(in.Integral<qsizetype>(), LLONG_MIN + 1);
    const QByteArray whole = ini.GetString(name.first, name.second, defaultValue);
    const QByteArray cut = ini.GetString(name.first, name.second, defaultValue, room);
    const qsizetype keep = room <= 0 ? 0 : qMin<qsizetype>(room - 1, whole.size());
    FUZZ_CHECK(cut == whole.first(keep));
    FUZZ_CHECK(ini.GetInt(name.first, name.second, defaultValue, room) == ReferenceInt(cut));
}

void CheckWrite(ProfileIni& ini, const Name& name, const QByteArray& value,
                const QList<Name>& others) {
    if (!StorableSection(name.first) || !StorableKey(name.second))
        return;
    QList<QByteArray> before;
    for (const Name& other : others)
        before.append(ini.GetString(other.first, other.second, "\x01missing"));

    ini.WriteString(name.first, name.second, value);
    // A value keeps what comes before its first line break.
    qsizetype lineBreak = value.size();
    for (qsizetype i = 0; i < value.size(); ++i)
        if (value[i] == '\r' || value[i] == '\n') {
            lineBreak = i;
            break;
        }
    const QByteArray expected = value.first(lineBreak);
    FUZZ_CHECK(ini.GetString(name.first, name.second, "\x01missing") == expected);
    const ProfileIni reread = ProfileIni::FromBytes(ini.Serialize());
    FUZZ_CHECK(reread.GetString(name.first, name.second, "\x01missing") == expected);

    for (qsizetype i = 0; i < others.size(); ++i) {
        const Name& other = others[i];
        if (SameName(other.first, name.first) && SameName(other.second, name.second))
            continue;
        FUZZ_CHECK(ini.GetString(other.first, other.second, "\x01missing") == before[i]);
        FUZZ_CHECK(reread.GetString(other.first, other.second, "\x01missing") == before[i]);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const QByteArray file = in.Bytes(4096);
    ProfileIni ini = ProfileIni::FromBytes(file);
    QList<Name> names = NamesIn(file);

    for (int op = 0; op < 16 && !in.Empty(); ++op) {
        const Name name = PickName(in, names);
        if (in.Byte() % 2 == 0) {
            CheckLookup(ini, name, in);
        } else {
            const QByteArray value = in.Bytes(64);
            CheckWrite(ini, name, value, names);
            if (names.size() < 32)
                names.append(name);
        }
    }
    // What is written reads as the same file.
    const QByteArray out = ini.Serialize();
    FUZZ_CHECK(ProfileIni::FromBytes(out).Serialize() == out);
    return 0;
}
