#include "core/locations.h"
#include "core/value.h"
#include "libpq.h"
#include "store/address.h"

#include <QStringList>

namespace gudang {

namespace {

// Keywords of a connection string that hold a secret: never shown, never stored.
bool secret(const char *keyword)
{
    return qstrcmp(keyword, "password") == 0 || qstrcmp(keyword, "sslpassword") == 0;
}

} // namespace

QString serverDisplayName(const QString &address)
{
    const QByteArray conninfo = serverConninfo(address).toUtf8();
    char *error = nullptr;
    PQconninfoOption *options = pq().PQconninfoParse(conninfo.constData(), &error);
    pq().PQfreemem(error);
    if (!options)
        return QStringLiteral("server (alamat tidak terbaca)");
    QStringList parts;
    for (PQconninfoOption *o = options; o->keyword; ++o) {
        if (!o->val || !*o->val || secret(o->keyword))
            continue;
        // A long value is cut, as messages quote every text the user gave.
        parts << QStringLiteral("%1=%2").arg(QString::fromUtf8(o->keyword),
                                             shortQuote(QString::fromUtf8(o->val)));
    }
    pq().PQconninfoFree(options);
    QString said = parts.join(QLatin1Char(' '));
    if (said.size() > 200)
        said = said.left(200) + QStringLiteral("…");
    return QStringLiteral("server PostgreSQL (%1)").arg(said);
}

bool conninfoHasPassword(const QString &conninfo)
{
    const QByteArray info = conninfo.toUtf8();
    PQconninfoOption *options = pq().PQconninfoParse(info.constData(), nullptr);
    if (!options)
        return false;
    bool found = false;
    for (PQconninfoOption *o = options; o->keyword; ++o) {
        if (secret(o->keyword) && o->val && *o->val)
            found = true;
    }
    pq().PQconninfoFree(options);
    return found;
}

QString conninfoError(const QString &conninfo)
{
    const QByteArray info = conninfo.toUtf8();
    char *error = nullptr;
    PQconninfoOption *options = pq().PQconninfoParse(info.constData(), &error);
    const QString why = error ? QString::fromUtf8(error).trimmed() : QString();
    pq().PQfreemem(error);
    if (options) {
        pq().PQconninfoFree(options);
        return QString();
    }
    return why.isEmpty() ? QStringLiteral("alamat server tidak terbaca") : shortQuote(why);
}

} // namespace gudang
