#include "pgusers.h"
#include "core/apperror.h"
#include "libpq.h"
#include "pgdatabase.h"
#include "store/address.h"
#include "store/serverusers.h"

#include <QStringList>

namespace gudang {

namespace {

QByteArray quoted(const QByteArray &value)
{
    QByteArray out = "'";
    for (const char c : value) {
        if (c == '\'' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '\'';
}

// The direct members of a program's group roles: the server's administrator (a superuser is a
// member of every role for pg_has_role) is none of them.
const QByteArray kMemberFunction = R"SQL(
CREATE OR REPLACE FUNCTION gudang_anggota(p_grup text) RETURNS boolean
LANGUAGE sql STABLE SET search_path FROM CURRENT AS $f$
  SELECT EXISTS (SELECT 1 FROM pg_auth_members m JOIN pg_roles g ON g.oid = m.roleid
                 JOIN pg_roles u ON u.oid = m.member
                 WHERE g.rolname = p_grup AND u.rolname = session_user)
$f$)SQL";

const QByteArray kRoleFunction = R"SQL(
CREATE OR REPLACE FUNCTION gudang_peran() RETURNS TABLE (peran text, ganti boolean, versi integer)
LANGUAGE sql STABLE SECURITY DEFINER SET search_path FROM CURRENT AS $f$
  SELECT CASE WHEN gudang_anggota('gudang_pemilik') THEN 'pemilik'
              WHEN gudang_anggota('gudang_gudang') THEN 'gudang'
              WHEN gudang_anggota('gudang_kasir') THEN 'kasir' END,
         coalesce((SELECT p.ganti_password = 1 FROM tpengguna p WHERE p.nama = session_user
                   LIMIT 1), false),
         (SELECT max(s.versi) FROM gudang_skema s)
$f$)SQL";

// The journal names the person the server knows, whatever the program sent. The trigger is
// not run at all for the administrator (a superuser, as the server itself says, who writes the
// program's name as before); role membership is the server's cached answer.
const QByteArray kJournalTrigger = R"SQL(
CREATE OR REPLACE FUNCTION gudang_mutasi_pengguna() RETURNS trigger
LANGUAGE plpgsql SET search_path FROM CURRENT AS $f$
BEGIN
  IF pg_has_role(session_user, 'gudang_pemilik', 'MEMBER')
     OR pg_has_role(session_user, 'gudang_gudang', 'MEMBER')
     OR pg_has_role(session_user, 'gudang_kasir', 'MEMBER') THEN
    NEW.pengguna := left(session_user, 10);
  END IF;
  RETURN NEW;
END $f$)SQL";

const QByteArray kLogFunction = R"SQL(
CREATE OR REPLACE FUNCTION gudang_catat(p_nama text, p_kejadian text, p_komputer text, p_ket text)
RETURNS void LANGUAGE sql SECURITY DEFINER SET search_path FROM CURRENT AS $f$
  INSERT INTO tlogmasuk (waktu, nama, kejadian, oleh, komputer, keterangan)
  VALUES (localtimestamp(0), left(p_nama, 10), left(p_kejadian, 20), left(session_user, 10),
          left(p_komputer, 64), left(p_ket, 100))
$f$)SQL";

// The posting, on the server's rules: a cashier may lower stock only so.
const QByteArray kPostingFunction = R"SQL(
CREATE OR REPLACE FUNCTION gudang_keluar(p_kode text, p_tanggal timestamp, p_jumlah double precision,
                                         p_angka double precision, p_setuju double precision)
RETURNS TABLE (hasil text, stok double precision, minimum double precision, id_stok bigint,
               id_keluar bigint, nomor integer)
LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $f$
DECLARE
  r record;
  v_akhir double precision;
  v_no integer;
  v_id bigint;
BEGIN
  IF NOT (gudang_anggota('gudang_pemilik') OR gudang_anggota('gudang_gudang')
          OR gudang_anggota('gudang_kasir')) THEN
    RAISE EXCEPTION 'bukan pengguna Gudang' USING ERRCODE = '42501';
  END IF;
  SELECT s.id_baris, s.jumlah_stok, s.stok_minimum INTO r FROM tstok s
   WHERE s.kode_barang = p_kode ORDER BY s.id_baris LIMIT 1 FOR UPDATE;
  IF NOT FOUND THEN
    RETURN QUERY SELECT 'hilang'::text, NULL::float8, NULL::float8, NULL::bigint, NULL::bigint,
                        NULL::integer;
    RETURN;
  END IF;
  IF r.jumlah_stok IS NULL THEN
    RETURN QUERY SELECT 'kosong'::text, NULL::float8, r.stok_minimum, r.id_baris, NULL::bigint,
                        NULL::integer;
    RETURN;
  END IF;
  IF r.jumlah_stok < p_angka THEN
    RETURN QUERY SELECT 'kurang'::text, r.jumlah_stok, r.stok_minimum, r.id_baris, NULL::bigint,
                        NULL::integer;
    RETURN;
  END IF;
  IF r.jumlah_stok = p_angka AND p_setuju IS DISTINCT FROM r.jumlah_stok THEN
    RETURN QUERY SELECT 'sama'::text, r.jumlah_stok, r.stok_minimum, r.id_baris, NULL::bigint,
                        NULL::integer;
    RETURN;
  END IF;
  IF r.jumlah_stok <> p_angka AND NOT (r.jumlah_stok > r.jumlah_stok - p_angka) THEN
    RETURN QUERY SELECT 'bukan'::text, r.jumlah_stok, r.stok_minimum, r.id_baris, NULL::bigint,
                        NULL::integer;
    RETURN;
  END IF;
  v_akhir := r.jumlah_stok - p_angka;
  UPDATE tstok SET jumlah_stok = v_akhir WHERE id_baris = r.id_baris;
  INSERT INTO tbrgkeluar (kode_barang, tanggal, jumlah) VALUES (p_kode, p_tanggal, p_jumlah)
    RETURNING no_keluar, id_baris INTO v_no, v_id;
  INSERT INTO tmutasi (waktu, pengguna, jenis, kode_barang, perubahan, stok_akhir, no_keluar,
                       keterangan, tanggal)
  VALUES (localtimestamp(0), left(session_user, 10), 'barang keluar', left(p_kode, 10),
          v_akhir - r.jumlah_stok, v_akhir, v_no, '', date_trunc('day', p_tanggal));
  RETURN QUERY SELECT 'ok'::text, r.jumlah_stok, r.stok_minimum, r.id_baris, v_id, v_no;
END $f$)SQL";

const QByteArray kOwnerCheck = R"SQL(
CREATE OR REPLACE FUNCTION gudang_pemilik_saja() RETURNS void
LANGUAGE plpgsql SET search_path FROM CURRENT AS $f$
BEGIN
  -- The owners, and the server's administrator who made the tables (the first user's way in).
  IF NOT (gudang_anggota('gudang_pemilik')
          OR (SELECT r.rolsuper FROM pg_roles r WHERE r.rolname = session_user)
          OR session_user = (SELECT t.tableowner FROM pg_tables t
                              WHERE t.tablename = 'tpass' AND t.schemaname = current_schema())) THEN
    RAISE EXCEPTION 'hanya pemilik yang boleh mengatur pengguna' USING ERRCODE = '42501';
  END IF;
END $f$)SQL";

const QByteArray kAddUser = R"SQL(
CREATE OR REPLACE FUNCTION gudang_pengguna_baru(p_nama text, p_verifier text, p_peran text)
RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $f$
BEGIN
  PERFORM gudang_pemilik_saja();
  IF p_peran NOT IN ('pemilik', 'gudang', 'kasir') THEN
    RAISE EXCEPTION 'peran % tidak dikenal', p_peran USING ERRCODE = '22023';
  END IF;
  IF EXISTS (SELECT 1 FROM pg_roles WHERE rolname = p_nama)
     OR EXISTS (SELECT 1 FROM tpass WHERE "user" = p_nama) THEN
    RAISE EXCEPTION 'nama % sudah dipakai di server ini', p_nama USING ERRCODE = '23505';
  END IF;
  EXECUTE format('CREATE ROLE %I LOGIN PASSWORD %L IN ROLE %I', p_nama, p_verifier,
                 'gudang_' || p_peran);
  INSERT INTO tpengguna (nama, password, peran, aktif, ganti_password)
  VALUES (p_nama, NULL, p_peran, 1, 1);
END $f$)SQL";

const QByteArray kChangeUser = R"SQL(
CREATE OR REPLACE FUNCTION gudang_pengguna_ubah(p_nama text, p_peran text, p_aktif integer)
RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $f$
DECLARE
  g text;
BEGIN
  PERFORM gudang_pemilik_saja();
  IF p_peran NOT IN ('pemilik', 'gudang', 'kasir') THEN
    RAISE EXCEPTION 'peran % tidak dikenal', p_peran USING ERRCODE = '22023';
  END IF;
  IF NOT EXISTS (SELECT 1 FROM tpengguna WHERE nama = p_nama) THEN
    RAISE EXCEPTION 'pengguna % tidak ada', p_nama USING ERRCODE = '02000';
  END IF;
  FOREACH g IN ARRAY ARRAY['gudang_pemilik', 'gudang_gudang', 'gudang_kasir'] LOOP
    EXECUTE format('REVOKE %I FROM %I', g, p_nama);
  END LOOP;
  EXECUTE format('GRANT %I TO %I', 'gudang_' || p_peran, p_nama);
  EXECUTE format('ALTER ROLE %I %s', p_nama, CASE WHEN p_aktif = 1 THEN 'LOGIN' ELSE 'NOLOGIN' END);
  UPDATE tpengguna SET peran = p_peran, aktif = p_aktif WHERE nama = p_nama;
END $f$)SQL";

const QByteArray kSetPassword = R"SQL(
CREATE OR REPLACE FUNCTION gudang_pengguna_sandi(p_nama text, p_verifier text, p_ganti integer)
RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $f$
BEGIN
  IF p_nama <> session_user THEN
    PERFORM gudang_pemilik_saja();
  ELSIF p_ganti <> 0 THEN
    RAISE EXCEPTION 'password sendiri tidak perlu diganti lagi' USING ERRCODE = '22023';
  END IF;
  IF NOT EXISTS (SELECT 1 FROM tpengguna WHERE nama = p_nama) THEN
    RAISE EXCEPTION 'pengguna % tidak ada', p_nama USING ERRCODE = '02000';
  END IF;
  EXECUTE format('ALTER ROLE %I PASSWORD %L', p_nama, p_verifier);
  UPDATE tpengguna SET ganti_password = p_ganti WHERE nama = p_nama;
END $f$)SQL";

const char *const kGroups[] = { "gudang_pemilik", "gudang_gudang", "gudang_kasir" };

} // namespace

void prepareRoles(PgDatabase &db)
{
    for (const char *group : kGroups) {
        if (db.exec("SELECT 1 FROM pg_roles WHERE rolname = $1", { QByteArray(group) }).rows())
            continue;
        try {
            db.exec(QByteArray("CREATE ROLE ") + group + " NOLOGIN");
        } catch (const AppError &e) {
            throw AppError(QStringLiteral("Peran server %1 tidak dapat dibuat: %2\nJalankan "
                                          "--init-server sebagai pengguna server yang boleh "
                                          "membuat peran (CREATEROLE), misalnya postgres.")
                               .arg(QLatin1String(group), e.description()),
                           e.kind(), e.sqlState(), e.detail());
        }
    }
    for (const QByteArray &sql :
         { kMemberFunction, kRoleFunction, kJournalTrigger, kLogFunction, kPostingFunction,
           kOwnerCheck, kAddUser, kChangeUser, kSetPassword })
        db.exec(sql);
    db.exec("DROP TRIGGER IF EXISTS gudang_mutasi_pengguna ON tmutasi");
    db.exec("CREATE TRIGGER gudang_mutasi_pengguna BEFORE INSERT ON tmutasi FOR EACH ROW WHEN "
            "(current_setting('is_superuser') <> 'on') EXECUTE FUNCTION "
            "gudang_mutasi_pengguna()");
    // Nobody but the groups, each exactly what its role may do.
    const QByteArray all = "tpass, tpengguna, tlogmasuk, tbarang, tstok, tbrgkeluar, tmutasi, "
                           "topname, topnamebrg, gudang_skema";
    const QByteArray groups = "gudang_pemilik, gudang_gudang, gudang_kasir";
    db.exec("REVOKE ALL ON " + all + " FROM PUBLIC, " + groups);
    db.exec("REVOKE ALL ON FUNCTION gudang_anggota(text), gudang_peran(), gudang_catat(text, text, "
            "text, text), gudang_keluar(text, timestamp, double precision, double precision, "
            "double precision), gudang_pemilik_saja(), gudang_pengguna_baru(text, text, text), "
            "gudang_pengguna_ubah(text, text, integer), gudang_pengguna_sandi(text, text, "
            "integer), gudang_mutasi_pengguna() FROM PUBLIC");
    db.exec("GRANT SELECT ON gudang_skema TO " + groups);
    db.exec("GRANT SELECT, INSERT, UPDATE, DELETE ON tbarang, tstok, tbrgkeluar TO "
            "gudang_pemilik, gudang_gudang");
    db.exec("GRANT SELECT, INSERT ON tmutasi TO gudang_pemilik, gudang_gudang");
    db.exec("GRANT SELECT, INSERT, UPDATE, DELETE ON topname, topnamebrg TO gudang_pemilik, "
            "gudang_gudang");
    // A cashier reads what the posting and the goods-out reports show (the period report names
    // who posted, from the journal).
    db.exec("GRANT SELECT ON tbarang, tstok, tbrgkeluar, tmutasi TO gudang_kasir");
    db.exec("GRANT SELECT, INSERT, UPDATE, DELETE ON tpass TO gudang_pemilik");
    db.exec("GRANT SELECT ON tpengguna TO gudang_pemilik");
    db.exec("GRANT SELECT ON tlogmasuk TO gudang_pemilik");
    db.exec("GRANT EXECUTE ON FUNCTION gudang_anggota(text), gudang_peran(), gudang_catat(text, "
            "text, text, text), gudang_keluar(text, timestamp, double precision, double "
            "precision, double precision), gudang_pemilik_saja(), gudang_pengguna_sandi(text, "
            "text, integer), gudang_mutasi_pengguna() TO "
            + groups);
    db.exec("GRANT EXECUTE ON FUNCTION gudang_pengguna_baru(text, text, text), "
            "gudang_pengguna_ubah(text, text, integer) TO gudang_pemilik");
}

QString withServerLogin(const QString &conninfo, const QString &user, const QString &password)
{
    const QByteArray info = conninfo.toUtf8();
    PQconninfoOption *options = pq().PQconninfoParse(info.constData(), nullptr);
    if (!options)
        throw AppError(QStringLiteral("Alamat server tidak terbaca."), AppError::Kind::CannotOpen);
    QByteArrayList parts;
    for (PQconninfoOption *o = options; o->keyword; ++o) {
        const QByteArray key(o->keyword);
        if (!o->val || !*o->val || key == "user" || key == "password")
            continue;
        parts << key + '=' + quoted(o->val);
    }
    pq().PQconninfoFree(options);
    parts << "user=" + quoted(user.toUtf8()) << "password=" + quoted(password.toUtf8());
    return QString::fromUtf8(parts.join(' '));
}

ServerLogin tryServerLogin(const QString &personConninfo)
{
    ServerLogin login;
    try {
        PgDatabase::open(personConninfo);
        login.opened = true;
    } catch (const AppError &e) {
        login.why = e.description();
        // The server's words for a name or password it does not take (a role that may not log
        // in, one that does not exist, a wrong password, none given).
        for (const char *said :
             { "password authentication failed", "does not exist", "not permitted to log in",
               "no password supplied", "authentication failed" }) {
            if (login.why.contains(QLatin1String(said)))
                login.refused = true;
        }
    }
    return login;
}

ServerPerson serverPerson(const QString &conninfo)
{
    auto db = PgDatabase::open(conninfo);
    ServerPerson person;
    const PgResult r = db->exec("SELECT peran, ganti, versi FROM gudang_peran()");
    if (r.rows() != 1)
        return person;
    if (!r.isNull(0, 0))
        person.role = roleFromName(r.text(0, 0));
    person.mustChangePassword = r.bytes(0, 1) == "t";
    person.schemaVersion = r.isNull(0, 2) ? 0 : r.bytes(0, 2).toInt();
    return person;
}

namespace {

QByteArray verifier(PgDatabase &db, const QString &name, const QString &password)
{
    const QByteArray pw = password.toUtf8();
    const QByteArray user = name.toUtf8();
    char *v = pq().PQencryptPasswordConn(db.handle(), pw.constData(), user.constData(),
                                         "scram-sha-256");
    if (!v)
        throw AppError(QStringLiteral("Password tidak dapat disiapkan untuk server: %1")
                           .arg(QString::fromUtf8(pq().PQerrorMessage(db.handle())).trimmed()));
    const QByteArray out(v);
    pq().PQfreemem(v);
    return out;
}

} // namespace

void serverAddUser(const QString &conninfo, const QString &name, const QString &password, Role role)
{
    auto db = PgDatabase::open(conninfo);
    db->exec("SELECT gudang_pengguna_baru($1, $2, $3)",
             { name.toUtf8(), verifier(*db, name, password), roleName(role).toUtf8() });
}

void serverChangeUser(const QString &conninfo, const QString &name, Role role, bool active)
{
    auto db = PgDatabase::open(conninfo);
    db->exec("SELECT gudang_pengguna_ubah($1, $2, $3)",
             { name.toUtf8(), roleName(role).toUtf8(), QByteArray(active ? "1" : "0") });
}

void serverSetPassword(const QString &conninfo, const QString &name, const QString &password,
                       bool mustChange)
{
    auto db = PgDatabase::open(conninfo);
    db->exec("SELECT gudang_pengguna_sandi($1, $2, $3)",
             { name.toUtf8(), verifier(*db, name, password), QByteArray(mustChange ? "1" : "0") });
}

void serverLog(const QString &conninfo, const QString &name, const QString &event,
               const QString &computer, const QString &remark)
{
    auto db = PgDatabase::open(conninfo);
    db->exec("SELECT gudang_catat($1, $2, $3, $4)",
             { name.toUtf8(), event.toUtf8(), computer.toUtf8(), remark.toUtf8() });
}

ServerPosting serverPost(const QString &conninfo, const QString &code, const QDateTime &date,
                         double stored, double quantity, std::optional<double> confirmedAt)
{
    auto db = PgDatabase::open(conninfo);
    const auto number = [](double v) {
        return QByteArray::number(v, 'g', 17);
    };
    const PgResult r = db->exec(
        "SELECT hasil, stok, minimum, id_stok, id_keluar, nomor FROM gudang_keluar($1, $2, $3, "
        "$4, $5)",
        { code.toUtf8(), date.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8(),
          number(stored), number(quantity),
          confirmedAt ? std::optional<QByteArray>(number(*confirmedAt)) : std::nullopt });
    ServerPosting p;
    if (r.rows() != 1)
        throw AppError(QStringLiteral("Server tidak menjawab posting barang keluar."));
    p.outcome = r.text(0, 0);
    if (!r.isNull(0, 1))
        p.stock = r.bytes(0, 1).toDouble();
    if (!r.isNull(0, 2))
        p.minimum = r.bytes(0, 2).toDouble();
    p.stockRowId = r.isNull(0, 3) ? 0 : r.bytes(0, 3).toLongLong();
    p.outRowId = r.isNull(0, 4) ? 0 : r.bytes(0, 4).toLongLong();
    p.outNumber = r.isNull(0, 5) ? 0 : r.bytes(0, 5).toLongLong();
    return p;
}

} // namespace gudang
