#include "pgusers.h"
#include "core/apperror.h"
#include "core/rights.h"
#include "core/schema.h"
#include "libpq.h"
#include "pgdatabase.h"
#include "store/address.h"
#include "store/serverusers.h"

#include <QCryptographicHash>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <iterator>

namespace gudang {

QByteArray pgIdent(const QByteArray &name);

namespace {

// Every function the program makes on a server runs with its search path set to the store's
// schema and the session's temporary schema last, and names every table and catalog with its
// schema: nothing a caller makes (a temporary table named like ours or like a catalog) is read
// in their place. In the texts below @S is the store's schema, @SL its name as a literal and
// @PEMILIK, @GUDANG, @KASIR the store's group roles as literals.
const char *const kPath = "SET search_path = @S, pg_temp";

// Membership of a store's group roles, the server's administrator not counted (a superuser
// is a member of every role for pg_has_role; is_superuser tells the session's user, whatever
// function runs). In PL/pgSQL, whose plans last the session; the role cache answers.
const QByteArray kMemberFunction = R"SQL(
CREATE FUNCTION @S.gudang_anggota(p_grup text) RETURNS boolean
LANGUAGE plpgsql STABLE @PATH AS $f$
BEGIN
  RETURN pg_catalog.current_setting('is_superuser') <> 'on'
         AND pg_catalog.pg_has_role(session_user, p_grup, 'MEMBER');
END $f$)SQL";

const QByteArray kStoreUserFunction = R"SQL(
CREATE FUNCTION @S.gudang_pengguna_toko() RETURNS boolean
LANGUAGE plpgsql STABLE @PATH AS $f$
BEGIN
  RETURN pg_catalog.current_setting('is_superuser') <> 'on'
         AND (pg_catalog.pg_has_role(session_user, @PEMILIK, 'MEMBER')
              OR pg_catalog.pg_has_role(session_user, @GUDANG, 'MEMBER')
              OR pg_catalog.pg_has_role(session_user, @KASIR, 'MEMBER'));
END $f$)SQL";

// Who may post and log: the store's people, the role that owns its tables (the first user's
// way in) and the administrator.
const QByteArray kMayPostFunction = R"SQL(
CREATE FUNCTION @S.gudang_boleh() RETURNS boolean
LANGUAGE plpgsql STABLE @PATH AS $f$
BEGIN
  RETURN pg_catalog.current_setting('is_superuser') = 'on'
      OR @S.gudang_pengguna_toko()
      OR EXISTS (SELECT 1 FROM pg_catalog.pg_class c
                 JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace
                 JOIN pg_catalog.pg_roles o ON o.oid = c.relowner
                 WHERE n.nspname = @SL AND c.relname = 'tstok' AND o.rolname = session_user);
END $f$)SQL";

const QByteArray kRoleFunction = R"SQL(
CREATE FUNCTION @S.gudang_peran() RETURNS TABLE (peran text, ganti boolean, versi integer)
LANGUAGE sql STABLE SECURITY DEFINER @PATH AS $f$
  SELECT CASE WHEN @S.gudang_anggota(@PEMILIK) THEN 'pemilik'
              WHEN @S.gudang_anggota(@GUDANG) THEN 'gudang'
              WHEN @S.gudang_anggota(@KASIR) THEN 'kasir' END,
         coalesce((SELECT p.ganti_password = 1 FROM @S.tpengguna p WHERE p.nama = session_user
                   LIMIT 1), false),
         (SELECT max(s.versi) FROM @S.gudang_skema s)
$f$)SQL";

// The journal names the person the server knows, whatever the program sent. The trigger is
// not run at all for the administrator (a superuser, as the server itself says, who writes the
// program's name as before); role membership is the server's cached answer.
const QByteArray kJournalTrigger = R"SQL(
CREATE FUNCTION @S.gudang_mutasi_pengguna() RETURNS trigger
LANGUAGE plpgsql @PATH AS $f$
BEGIN
  IF pg_catalog.pg_has_role(session_user, @PEMILIK, 'MEMBER')
     OR pg_catalog.pg_has_role(session_user, @GUDANG, 'MEMBER')
     OR pg_catalog.pg_has_role(session_user, @KASIR, 'MEMBER') THEN
    NEW.pengguna := pg_catalog.left(session_user, 10);
  END IF;
  RETURN NEW;
END $f$)SQL";

// A login or a failed one, as the workstation saw it; one line each, whatever was typed.
const QByteArray kLogFunction = R"SQL(
CREATE FUNCTION @S.gudang_catat(p_nama text, p_kejadian text, p_komputer text, p_ket text)
RETURNS void LANGUAGE plpgsql SECURITY DEFINER @PATH AS $f$
BEGIN
  IF NOT @S.gudang_boleh() THEN
    RAISE EXCEPTION 'bukan pengguna Gudang di database ini' USING ERRCODE = '42501';
  END IF;
  IF p_kejadian NOT IN ('masuk', 'gagal masuk') THEN
    RAISE EXCEPTION 'kejadian % tidak dicatat dari komputer kerja', p_kejadian
      USING ERRCODE = '22023';
  END IF;
  INSERT INTO @S.tlogmasuk (waktu, nama, kejadian, oleh, komputer, keterangan)
  VALUES (localtimestamp(0),
          pg_catalog.left(pg_catalog.regexp_replace(p_nama, '[[:cntrl:]]', ' ', 'g'), 10),
          p_kejadian, pg_catalog.left(session_user, 10),
          pg_catalog.left(pg_catalog.regexp_replace(p_komputer, '[[:cntrl:]]', ' ', 'g'), 64),
          pg_catalog.left(pg_catalog.regexp_replace(p_ket, '[[:cntrl:]]', ' ', 'g'), 100));
END $f$)SQL";

const QByteArray kOutcomeType
    = "CREATE TYPE @S.gudang_hasil AS ENUM ('ok', 'sudah', 'hilang', 'kosong', 'kurang', "
      "'sama', 'bukan')";

// Valuing a journal row on a server, in the functions that write one (the posting, and
// gudang_nilai for the rows the store's people write), placed in them as @VALDECL (its
// variables) and @VALBODY (its statements): the journal row n_no of code n_kode on day n_hari,
// a change n_ubah of a stock of n_stok, n_harga a receipt's price. By the rule of
// core/valuation.h, in the same order of operations: the movement's value, the code's value
// now, and its day balances (a day the code had not moved on yet starts from the day before
// it). Written once and placed in both, a function of its own would cost each posting a call.
const QByteArray kValueDeclare = R"SQL(
  n_no integer;
  n_kode text;
  n_hari timestamp;
  n_ubah double precision;
  n_stok double precision;
  n_harga double precision;
  n_row record;
  n_akhir double precision;
  n_sebelum double precision := 0;
  n_rata double precision := 0;
  n_nilai double precision := 0;
  n_rata_akhir double precision;
  n_ada boolean;)SQL";

const QByteArray kValueBody = R"SQL(
  n_akhir := n_stok + n_ubah;
  SELECT x.nilai, x.rata INTO n_row FROM @S.tnilai x WHERE x.kode_barang = n_kode FOR UPDATE;
  IF FOUND THEN
    n_sebelum := coalesce(n_row.nilai, 0);
    n_rata := coalesce(n_row.rata, 0);
  END IF;
  IF n_akhir <= 0 THEN
    n_nilai := 0 - n_sebelum;
  ELSIF n_harga IS NOT NULL THEN
    n_nilai := n_ubah * n_harga;
    n_nilai := CASE WHEN n_nilai < 0 THEN 0 - pg_catalog.floor(0 - n_nilai + 0.5)
                    ELSE pg_catalog.floor(n_nilai + 0.5) END;
    IF n_sebelum + n_nilai < 0 THEN
      n_nilai := 0 - n_sebelum;
    END IF;
  ELSIF n_ubah < 0 THEN
    n_nilai := n_sebelum * (0 - n_ubah) / n_stok;
    n_nilai := 0 - CASE WHEN n_nilai < 0 THEN 0 - pg_catalog.floor(0 - n_nilai + 0.5)
                        ELSE pg_catalog.floor(n_nilai + 0.5) END;
  ELSIF n_ubah > 0 THEN
    n_nilai := CASE WHEN n_stok > 0 THEN n_sebelum * n_ubah / n_stok ELSE n_rata * n_ubah END;
    n_nilai := CASE WHEN n_nilai < 0 THEN 0 - pg_catalog.floor(0 - n_nilai + 0.5)
                    ELSE pg_catalog.floor(n_nilai + 0.5) END;
  END IF;
  n_rata_akhir := CASE WHEN n_akhir > 0 THEN (n_sebelum + n_nilai) / n_akhir ELSE n_rata END;
  -- The movement's value, the code's value now and its days from this one on: one statement.
  WITH v AS (INSERT INTO @S.tnilaimutasi (no_mutasi, kode_barang, tanggal, jumlah, harga, nilai,
                                          nilai_akhir, rata_awal, rata_akhir)
             VALUES (n_no, n_kode, n_hari, n_ubah, n_harga, n_nilai, n_sebelum + n_nilai, n_rata,
                     n_rata_akhir)),
       k AS (INSERT INTO @S.tnilai (kode_barang, nilai, rata)
             VALUES (n_kode, n_sebelum + n_nilai, n_rata_akhir)
             ON CONFLICT (kode_barang) DO UPDATE SET nilai = EXCLUDED.nilai, rata = EXCLUDED.rata),
       u AS (UPDATE @S.tsaldo SET jumlah = jumlah + n_ubah, nilai = nilai + n_nilai
              WHERE kode_barang = n_kode AND tanggal >= n_hari RETURNING tanggal)
  SELECT coalesce(pg_catalog.bool_or(u.tanggal = n_hari), false) INTO n_ada FROM u;
  IF NOT n_ada THEN
    INSERT INTO @S.tsaldo (kode_barang, tanggal, jumlah, nilai)
    SELECT n_kode, n_hari, coalesce(p.jumlah, 0) + n_ubah, coalesce(p.nilai, 0) + n_nilai
      FROM (SELECT 1) one
      LEFT JOIN LATERAL (SELECT s.jumlah, s.nilai FROM @S.tsaldo s
                          WHERE s.kode_barang = n_kode AND s.tanggal < n_hari
                          ORDER BY s.tanggal DESC LIMIT 1) p ON true;
  END IF;)SQL";

// The one posting of a server, whatever the role: one quantity (the goods-out row and the
// stock fall by the same number), a date the goods-out screen accepts, and the workstation's
// token, by which a posting sent twice is written once ('sudah': the row it wrote then).
const QByteArray kPostingFunction = R"SQL(
CREATE FUNCTION @S.gudang_keluar(p_kode text, p_tanggal timestamp, p_jumlah double precision,
                                 p_setuju double precision, p_token text, p_pengguna text)
RETURNS TABLE (hasil @S.gudang_hasil, stok double precision, minimum double precision,
               id_stok bigint, id_keluar bigint, nomor integer)
LANGUAGE plpgsql SECURITY DEFINER @PATH AS $f$
DECLARE
  r record;
  t record;
  v_akhir double precision;
  v_no integer;
  v_id bigint;
@VALDECL
  -- A person of the store is named as the server knows them; the store's own role (the
  -- first user's way in) by the name the program gives.
  -- (Checked here rather than through the functions that say the same: a posting is the
  -- program's most frequent call.)
  v_super boolean := pg_catalog.current_setting('is_superuser') = 'on';
  v_orang boolean := NOT v_super
                     AND (pg_catalog.pg_has_role(session_user, @PEMILIK, 'MEMBER')
                          OR pg_catalog.pg_has_role(session_user, @GUDANG, 'MEMBER')
                          OR pg_catalog.pg_has_role(session_user, @KASIR, 'MEMBER'));
  v_siapa text := pg_catalog.left(CASE WHEN v_orang THEN session_user
                                       ELSE coalesce(p_pengguna, session_user) END, 10);
BEGIN
  IF NOT (v_super OR v_orang OR @S.gudang_boleh()) THEN
    RAISE EXCEPTION 'bukan pengguna Gudang di database ini' USING ERRCODE = '42501';
  END IF;
  IF p_token IS NULL OR pg_catalog.length(p_token) NOT BETWEEN 8 AND 36 THEN
    RAISE EXCEPTION 'token posting tidak sah' USING ERRCODE = '22023';
  END IF;
  IF p_tanggal IS NULL OR p_tanggal < '1601-01-01' OR p_tanggal >= '10000-01-01' THEN
    RAISE EXCEPTION 'tanggal barang keluar % di luar jangkauan 1601 sampai 9999', p_tanggal
      USING ERRCODE = '22008';
  END IF;
  -- A posting with this token being written now is waited for.
  PERFORM pg_catalog.pg_advisory_xact_lock(727272, pg_catalog.hashtext(p_token));
  SELECT p.no_keluar::integer INTO v_no FROM @S.tposting p WHERE p.token = p_token;
  IF FOUND THEN
    -- Each by its own index: the goods-out row by its number, the stock by its code.
    SELECT v_no AS no_keluar, k.id_baris, s.id_baris AS id_stok, s.jumlah_stok, s.stok_minimum,
           k.jumlah INTO t
      FROM (SELECT 1) one LEFT JOIN @S.tbrgkeluar k ON k.no_keluar = v_no
      LEFT JOIN @S.tstok s ON s.kode_barang = k.kode_barang;
    RETURN QUERY SELECT 'sudah'::@S.gudang_hasil, t.jumlah_stok + t.jumlah, t.stok_minimum,
                        t.id_stok, t.id_baris, t.no_keluar::integer;
    RETURN;
  END IF;
  IF p_jumlah IS NULL OR p_jumlah = 'NaN'::float8 OR p_jumlah = 'Infinity'::float8
     OR p_jumlah < 0 THEN
    RETURN QUERY SELECT 'bukan'::@S.gudang_hasil, NULL::float8, NULL::float8, NULL::bigint,
                        NULL::bigint, NULL::integer;
    RETURN;
  END IF;
  SELECT s.id_baris, s.jumlah_stok, s.stok_minimum INTO r FROM @S.tstok s
   WHERE s.kode_barang = p_kode ORDER BY s.id_baris LIMIT 1 FOR UPDATE;
  IF NOT FOUND THEN
    RETURN QUERY SELECT 'hilang'::@S.gudang_hasil, NULL::float8, NULL::float8, NULL::bigint,
                        NULL::bigint, NULL::integer;
    RETURN;
  END IF;
  IF r.jumlah_stok IS NULL THEN
    RETURN QUERY SELECT 'kosong'::@S.gudang_hasil, NULL::float8, r.stok_minimum, r.id_baris,
                        NULL::bigint, NULL::integer;
    RETURN;
  END IF;
  IF r.jumlah_stok < p_jumlah THEN
    RETURN QUERY SELECT 'kurang'::@S.gudang_hasil, r.jumlah_stok, r.stok_minimum, r.id_baris,
                        NULL::bigint, NULL::integer;
    RETURN;
  END IF;
  IF r.jumlah_stok = p_jumlah AND p_setuju IS DISTINCT FROM r.jumlah_stok THEN
    RETURN QUERY SELECT 'sama'::@S.gudang_hasil, r.jumlah_stok, r.stok_minimum, r.id_baris,
                        NULL::bigint, NULL::integer;
    RETURN;
  END IF;
  IF r.jumlah_stok <> p_jumlah AND NOT (r.jumlah_stok > r.jumlah_stok - p_jumlah) THEN
    RETURN QUERY SELECT 'bukan'::@S.gudang_hasil, r.jumlah_stok, r.stok_minimum, r.id_baris,
                        NULL::bigint, NULL::integer;
    RETURN;
  END IF;
  v_akhir := r.jumlah_stok - p_jumlah;
  UPDATE @S.tstok SET jumlah_stok = v_akhir WHERE id_baris = r.id_baris;
  INSERT INTO @S.tbrgkeluar (kode_barang, tanggal, jumlah) VALUES (p_kode, p_tanggal, p_jumlah)
    RETURNING no_keluar, id_baris INTO v_no, v_id;
  INSERT INTO @S.tmutasi (waktu, pengguna, jenis, kode_barang, perubahan, stok_akhir, no_keluar,
                          keterangan, tanggal)
  VALUES (localtimestamp(0), v_siapa, 'barang keluar',
          pg_catalog.left(p_kode, 10), v_akhir - r.jumlah_stok, v_akhir, v_no, '',
          pg_catalog.date_trunc('day', p_tanggal))
  RETURNING no_mutasi INTO n_no;
  -- The change and the stock before it as the journal row gives them, as gudang_nilai() reads.
  n_kode := pg_catalog.left(p_kode, 10);
  n_hari := pg_catalog.date_trunc('day', p_tanggal);
  n_ubah := v_akhir - r.jumlah_stok;
  n_stok := v_akhir - n_ubah;
@VALBODY
  INSERT INTO @S.tposting (token, no_keluar, waktu, pengguna)
  VALUES (p_token, v_no, localtimestamp(0), v_siapa);
  RETURN QUERY SELECT 'ok'::@S.gudang_hasil, r.jumlah_stok, r.stok_minimum, r.id_baris, v_id, v_no;
END $f$)SQL";

// The value of the journal row this session wrote last:
// the journal row itself says the code, the day, the change and the stock after it; a price
// counts only for a receipt or an import's opening stock. Called by the store's people who
// book stock; a row valued already is refused by the store's unique index.
const QByteArray kValueFunction = R"SQL(
CREATE FUNCTION @S.gudang_nilai(p_harga double precision) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER @PATH AS $f$
DECLARE
  m record;
@VALDECL
BEGIN
  n_no := pg_catalog.currval(pg_catalog.pg_get_serial_sequence(
            pg_catalog.quote_ident(@SL) || '.tmutasi', 'no_mutasi'));
  SELECT t.kode_barang, t.tanggal, coalesce(t.perubahan, 0) AS ubah,
         coalesce(t.stok_akhir - t.perubahan, 0) AS stok, t.jenis INTO m
    FROM @S.tmutasi t WHERE t.no_mutasi = n_no;
  IF NOT FOUND OR m.kode_barang IS NULL OR m.kode_barang = '' THEN
    RETURN;
  END IF;
  n_kode := m.kode_barang;
  n_hari := coalesce(m.tanggal, pg_catalog.date_trunc('day', localtimestamp(0)));
  n_ubah := m.ubah;
  n_stok := m.stok;
  n_harga := CASE WHEN m.jenis IN ('terima', 'stok awal impor') THEN p_harga END;
@VALBODY
END $f$)SQL";

// Whether a posting with the token was written: asked after the answer to it was lost. A
// posting with the token still being written is waited for.
const QByteArray kTokenFunction = R"SQL(
CREATE FUNCTION @S.gudang_keluar_token(p_token text) RETURNS integer
LANGUAGE plpgsql SECURITY DEFINER @PATH AS $f$
DECLARE
  v_no integer;
BEGIN
  IF NOT @S.gudang_boleh() THEN
    RAISE EXCEPTION 'bukan pengguna Gudang di database ini' USING ERRCODE = '42501';
  END IF;
  PERFORM pg_catalog.pg_advisory_xact_lock(727272, pg_catalog.hashtext(p_token));
  SELECT p.no_keluar INTO v_no FROM @S.tposting p WHERE p.token = p_token;
  RETURN v_no;
END $f$)SQL";

const QByteArray kOwnerCheck = R"SQL(
CREATE FUNCTION @S.gudang_pemilik_saja() RETURNS void
LANGUAGE plpgsql @PATH AS $f$
BEGIN
  -- The store's owners, and the role that owns the store's tables (the first user's way in).
  IF NOT (@S.gudang_anggota(@PEMILIK)
          OR coalesce((SELECT r.rolsuper FROM pg_catalog.pg_roles r
                        WHERE r.rolname = session_user), false)
          OR EXISTS (SELECT 1 FROM pg_catalog.pg_class c
                     JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace
                     JOIN pg_catalog.pg_roles o ON o.oid = c.relowner
                     WHERE n.nspname = @SL AND c.relname = 'tpass'
                       AND o.rolname = session_user)) THEN
    RAISE EXCEPTION 'hanya pemilik yang boleh mengatur pengguna' USING ERRCODE = '42501';
  END IF;
END $f$)SQL";

// A person of this store: in its users, a plain login role (no superuser, no role creation,
// not the owner of the store's tables) and member of no role but the store's groups.
const QByteArray kPersonCheck = R"SQL(
CREATE FUNCTION @S.gudang_orang_toko(p_nama text) RETURNS void
LANGUAGE plpgsql @PATH AS $f$
BEGIN
  IF NOT EXISTS (SELECT 1 FROM @S.tpengguna p WHERE p.nama = p_nama) THEN
    RAISE EXCEPTION 'pengguna % tidak ada', p_nama USING ERRCODE = '02000';
  END IF;
  IF NOT EXISTS (SELECT 1 FROM pg_catalog.pg_roles r WHERE r.rolname = p_nama
                 AND NOT r.rolsuper AND NOT r.rolcreaterole AND NOT r.rolcreatedb
                 AND NOT r.rolreplication AND NOT r.rolbypassrls)
     OR EXISTS (SELECT 1 FROM pg_catalog.pg_class c
                JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace
                JOIN pg_catalog.pg_roles o ON o.oid = c.relowner
                WHERE n.nspname = @SL AND o.rolname = p_nama)
     OR EXISTS (SELECT 1 FROM pg_catalog.pg_auth_members m
                JOIN pg_catalog.pg_roles g ON g.oid = m.roleid
                JOIN pg_catalog.pg_roles u ON u.oid = m.member
                WHERE u.rolname = p_nama AND g.rolname NOT IN (@PEMILIK, @GUDANG, @KASIR)) THEN
    RAISE EXCEPTION '% bukan pengguna toko ini yang dapat diatur dari Gudang', p_nama
      USING ERRCODE = '42501';
  END IF;
END $f$)SQL";

const QByteArray kAddUser = R"SQL(
CREATE FUNCTION @S.gudang_pengguna_baru(p_nama text, p_verifier text, p_peran text)
RETURNS void LANGUAGE plpgsql SECURITY DEFINER @PATH AS $f$
BEGIN
  PERFORM @S.gudang_pemilik_saja();
  IF p_peran IS NULL OR p_peran NOT IN ('pemilik', 'gudang', 'kasir') THEN
    RAISE EXCEPTION 'peran % tidak dikenal', p_peran USING ERRCODE = '22023';
  END IF;
  IF p_verifier IS NULL OR p_verifier NOT LIKE 'SCRAM-SHA-256$%' THEN
    RAISE EXCEPTION 'password dikirim tanpa disandikan' USING ERRCODE = '22023';
  END IF;
  IF p_nama IS NULL OR p_nama = '' OR pg_catalog.length(p_nama) > 10 OR p_nama LIKE 'pg\_%'
     OR p_nama ~ '[[:cntrl:]]' THEN
    RAISE EXCEPTION 'nama % tidak dapat dipakai', p_nama USING ERRCODE = '22023';
  END IF;
  IF EXISTS (SELECT 1 FROM pg_catalog.pg_roles WHERE rolname = p_nama)
     OR EXISTS (SELECT 1 FROM @S.tpass WHERE "user" = p_nama) THEN
    RAISE EXCEPTION 'nama % sudah dipakai di server ini', p_nama USING ERRCODE = '23505';
  END IF;
  EXECUTE pg_catalog.format('CREATE ROLE %I LOGIN PASSWORD %L IN ROLE %I', p_nama, p_verifier,
                            CASE p_peran WHEN 'pemilik' THEN @PEMILIK WHEN 'gudang' THEN @GUDANG
                                         ELSE @KASIR END);
  INSERT INTO @S.tpengguna (nama, password, peran, aktif, ganti_password)
  VALUES (p_nama, NULL, p_peran, 1, 1);
  INSERT INTO @S.tlogmasuk (waktu, nama, kejadian, oleh, komputer, keterangan)
  VALUES (localtimestamp(0), p_nama, 'user ditambah', pg_catalog.left(session_user, 10),
          pg_catalog.left(coalesce(pg_catalog.inet_client_addr()::text, 'lokal'), 64),
          'peran ' || p_peran);
END $f$)SQL";

// Another role or active state; the last active owner stays one, decided under a lock so that
// two owners changing each other at once are one after the other. Disabling takes the person
// out of the store's groups and ends their open sessions on this database.
const QByteArray kChangeUser = R"SQL(
CREATE FUNCTION @S.gudang_pengguna_ubah(p_nama text, p_peran text, p_aktif integer)
RETURNS void LANGUAGE plpgsql SECURITY DEFINER @PATH AS $f$
DECLARE
  g text;
  v record;
  v_pemilik integer;
  v_ket text := '';
BEGIN
  PERFORM @S.gudang_pemilik_saja();
  IF p_peran IS NULL OR p_peran NOT IN ('pemilik', 'gudang', 'kasir') THEN
    RAISE EXCEPTION 'peran % tidak dikenal', p_peran USING ERRCODE = '22023';
  END IF;
  LOCK TABLE @S.tpengguna IN SHARE ROW EXCLUSIVE MODE;
  PERFORM @S.gudang_orang_toko(p_nama);
  SELECT p.peran, p.aktif INTO v FROM @S.tpengguna p WHERE p.nama = p_nama;
  IF v.peran = 'pemilik' AND v.aktif = 1 AND (p_peran <> 'pemilik' OR p_aktif <> 1) THEN
    SELECT (CASE WHEN EXISTS (SELECT 1 FROM @S.tpass) THEN 1 ELSE 0 END)
           + (SELECT count(*) FROM @S.tpengguna p
               WHERE p.nama <> p_nama AND p.peran = 'pemilik' AND p.aktif = 1)
      INTO v_pemilik;
    IF v_pemilik = 0 THEN
      RAISE EXCEPTION 'User % adalah pemilik aktif terakhir', p_nama USING ERRCODE = 'GD001';
    END IF;
  END IF;
  FOREACH g IN ARRAY ARRAY[@PEMILIK, @GUDANG, @KASIR] LOOP
    EXECUTE pg_catalog.format('REVOKE %I FROM %I', g, p_nama);
  END LOOP;
  IF p_aktif = 1 THEN
    EXECUTE pg_catalog.format('GRANT %I TO %I', CASE p_peran WHEN 'pemilik' THEN @PEMILIK
                              WHEN 'gudang' THEN @GUDANG ELSE @KASIR END, p_nama);
    EXECUTE pg_catalog.format('ALTER ROLE %I LOGIN', p_nama);
  ELSE
    EXECUTE pg_catalog.format('ALTER ROLE %I NOLOGIN', p_nama);
    PERFORM pg_catalog.pg_terminate_backend(a.pid) FROM pg_catalog.pg_stat_activity a
      WHERE a.usename = p_nama AND a.datname = pg_catalog.current_database();
  END IF;
  IF v.peran IS DISTINCT FROM p_peran THEN
    v_ket := 'peran ' || v.peran || ' menjadi ' || p_peran;
  END IF;
  IF (v.aktif = 1) <> (p_aktif = 1) THEN
    v_ket := v_ket || CASE WHEN v_ket = '' THEN '' ELSE ', ' END
             || CASE WHEN p_aktif = 1 THEN 'diaktifkan' ELSE 'dinonaktifkan' END;
  END IF;
  UPDATE @S.tpengguna SET peran = p_peran, aktif = CASE WHEN p_aktif = 1 THEN 1 ELSE 0 END
   WHERE nama = p_nama;
  INSERT INTO @S.tlogmasuk (waktu, nama, kejadian, oleh, komputer, keterangan)
  VALUES (localtimestamp(0), p_nama, 'user diubah', pg_catalog.left(session_user, 10),
          pg_catalog.left(coalesce(pg_catalog.inet_client_addr()::text, 'lokal'), 64), v_ket);
END $f$)SQL";

const QByteArray kSetPassword = R"SQL(
CREATE FUNCTION @S.gudang_pengguna_sandi(p_nama text, p_verifier text, p_ganti integer)
RETURNS void LANGUAGE plpgsql SECURITY DEFINER @PATH AS $f$
BEGIN
  IF p_nama IS DISTINCT FROM session_user THEN
    PERFORM @S.gudang_pemilik_saja();
  ELSIF p_ganti <> 0 THEN
    RAISE EXCEPTION 'password sendiri tidak perlu diganti lagi' USING ERRCODE = '22023';
  END IF;
  IF p_verifier IS NULL OR p_verifier NOT LIKE 'SCRAM-SHA-256$%' THEN
    RAISE EXCEPTION 'password dikirim tanpa disandikan' USING ERRCODE = '22023';
  END IF;
  PERFORM @S.gudang_orang_toko(p_nama);
  EXECUTE pg_catalog.format('ALTER ROLE %I PASSWORD %L', p_nama, p_verifier);
  UPDATE @S.tpengguna SET ganti_password = CASE WHEN p_ganti <> 0 THEN 1 ELSE 0 END
   WHERE nama = p_nama;
  INSERT INTO @S.tlogmasuk (waktu, nama, kejadian, oleh, komputer, keterangan)
  VALUES (localtimestamp(0), p_nama,
          CASE WHEN p_nama = session_user THEN 'password diganti' ELSE 'password direset' END,
          pg_catalog.left(session_user, 10),
          pg_catalog.left(coalesce(pg_catalog.inet_client_addr()::text, 'lokal'), 64), '');
END $f$)SQL";

// The functions, with their arguments as the server names them, and which of the store's
// roles owns each: the person functions the one that may make roles, the rest the posting's.
struct ServerFunction
{
    const QByteArray *sql;
    const char *signature;
    bool persons;
};
const ServerFunction kFunctions[] = {
    { &kMemberFunction, "gudang_anggota(text)", false },
    { &kStoreUserFunction, "gudang_pengguna_toko()", false },
    { &kMayPostFunction, "gudang_boleh()", false },
    { &kRoleFunction, "gudang_peran()", false },
    { &kJournalTrigger, "gudang_mutasi_pengguna()", false },
    { &kLogFunction, "gudang_catat(text, text, text, text)", false },
    { &kValueFunction, "gudang_nilai(double precision)", false },
    { &kPostingFunction,
      "gudang_keluar(text, timestamp, double precision, double precision, text, text)", false },
    { &kTokenFunction, "gudang_keluar_token(text)", false },
    { &kOwnerCheck, "gudang_pemilik_saja()", true },
    { &kPersonCheck, "gudang_orang_toko(text)", true },
    { &kAddUser, "gudang_pengguna_baru(text, text, text)", true },
    { &kChangeUser, "gudang_pengguna_ubah(text, text, integer)", true },
    { &kSetPassword, "gudang_pengguna_sandi(text, text, integer)", true },
};

// Functions of earlier versions that are no more.
const char *const kOldFunctions[] = {
    "gudang_keluar(text, timestamp, double precision, double precision, double precision)",
    "gudang_nilai_baris(integer, text, timestamp, double precision, double precision, double "
    "precision)",
};

// The groups of earlier versions, one set for every database of a server.
const char *const kOldGroups[] = { "gudang_pemilik", "gudang_gudang", "gudang_kasir" };

QByteArray literal(const QByteArray &text)
{
    QByteArray out = "'";
    for (const char c : text) {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    return out + '\'';
}

QByteArray ident(const QByteArray &name)
{
    return pgIdent(name);
}

} // namespace

QByteArray pgIdent(const QByteArray &name)
{
    QByteArray out = "\"";
    for (const char c : name) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + '"';
}

namespace {

bool roleExists(PgDatabase &db, const QByteArray &name)
{
    return db.exec("SELECT 1 FROM pg_catalog.pg_roles WHERE rolname = $1", { name }).rows() > 0;
}

} // namespace

StoreRoles storeRoles(const QString &database)
{
    QByteArray base = database.toUtf8();
    // A role's name holds 63 bytes at most: a long database name is cut and told apart by a
    // piece of its hash.
    if (base.size() > 40)
        base = base.left(30) + '_'
            + QCryptographicHash::hash(database.toUtf8(), QCryptographicHash::Md5).toHex().left(8);
    const QByteArray prefix = "gudang_" + base + '_';
    StoreRoles r;
    r.groups[0] = prefix + "pemilik";
    r.groups[1] = prefix + "gudang";
    r.groups[2] = prefix + "kasir";
    r.posting = prefix + "posting";
    r.persons = prefix + "pengguna";
    return r;
}

QByteArray storeGroup(const StoreRoles &roles, Role role)
{
    switch (role) {
    case Role::Pemilik:
        return roles.groups[0];
    case Role::Gudang:
        return roles.groups[1];
    case Role::Kasir:
        return roles.groups[2];
    }
    return {};
}

QString prepareRoles(PgDatabase &db)
{
    const PgResult who
        = db.exec("SELECT current_database(), current_schema(), current_user, r.rolsuper FROM "
                  "pg_catalog.pg_roles r WHERE r.rolname = current_user");
    const QString database = who.text(0, 0);
    const QByteArray schema = who.bytes(0, 1);
    const QByteArray me = who.bytes(0, 2);
    const bool superuser = who.bytes(0, 3) == "t";
    const StoreRoles roles = storeRoles(database);
    const QByteArray s = ident(schema);
    const QByteArray groupList
        = ident(roles.groups[0]) + ", " + ident(roles.groups[1]) + ", " + ident(roles.groups[2]);
    const auto fill = [&](QByteArray sql) {
        sql.replace("@VALDECL", kValueDeclare);
        sql.replace("@VALBODY", kValueBody);
        sql.replace("@PATH", QByteArray(kPath));
        sql.replace("@SL", literal(schema));
        sql.replace("@S", s);
        sql.replace("@PEMILIK", literal(roles.groups[0]));
        sql.replace("@GUDANG", literal(roles.groups[1]));
        sql.replace("@KASIR", literal(roles.groups[2]));
        return sql;
    };
    // The store's roles: its three groups, and two that own the functions and may do no more
    // than they need (neither logs in; only the person functions' may make roles).
    QStringList made;
    const auto makeRole = [&](const QByteArray &name, const QByteArray &options) {
        if (roleExists(db, name)) {
            db.exec("ALTER ROLE " + ident(name) + ' ' + options);
            return;
        }
        try {
            db.exec("CREATE ROLE " + ident(name) + ' ' + options);
        } catch (const AppError &e) {
            throw AppError(QStringLiteral("Peran server %1 tidak dapat dibuat: %2\nJalankan "
                                          "--init-server sebagai pemilik database yang boleh "
                                          "membuat peran (CREATEROLE).")
                               .arg(QString::fromUtf8(name), e.description()),
                           e.kind(), e.sqlState(), e.detail());
        }
        made << QString::fromUtf8(name);
    };
    for (const QByteArray &group : roles.groups)
        makeRole(group, "NOLOGIN NOSUPERUSER NOCREATEDB NOCREATEROLE");
    makeRole(roles.posting, "NOLOGIN NOSUPERUSER NOCREATEDB NOCREATEROLE");
    makeRole(roles.persons, "NOLOGIN NOSUPERUSER NOCREATEDB CREATEROLE");
    // Whoever prepares the store must be able to hand the functions to their owners.
    if (!superuser)
        db.exec("GRANT " + ident(roles.posting) + ", " + ident(roles.persons) + " TO " + ident(me));
    // Ending a disabled person's sessions.
    db.exec("GRANT pg_signal_backend TO " + ident(roles.persons));
    db.exec("GRANT CREATE ON SCHEMA " + s + " TO " + ident(roles.posting) + ", "
            + ident(roles.persons));

    db.exec("DROP TRIGGER IF EXISTS gudang_mutasi_pengguna ON " + s + ".tmutasi");
    for (const char *old : kOldFunctions)
        db.exec("DROP FUNCTION IF EXISTS " + s + '.' + old);
    for (auto it = std::rbegin(kFunctions); it != std::rend(kFunctions); ++it)
        db.exec("DROP FUNCTION IF EXISTS " + s + '.' + it->signature);
    if (!db.exec("SELECT 1 FROM pg_catalog.pg_type t JOIN pg_catalog.pg_namespace n ON n.oid = "
                 "t.typnamespace WHERE t.typname = 'gudang_hasil' AND n.nspname = $1",
                 { schema })
             .rows())
        db.exec(fill(kOutcomeType));
    db.exec("ALTER TYPE " + s + ".gudang_hasil OWNER TO " + ident(roles.posting));
    for (const ServerFunction &f : kFunctions) {
        db.exec(fill(*f.sql));
        db.exec("REVOKE ALL ON FUNCTION " + s + '.' + f.signature + " FROM PUBLIC");
        db.exec("ALTER FUNCTION " + s + '.' + f.signature + " OWNER TO "
                + ident(f.persons ? roles.persons : roles.posting));
    }
    db.exec("REVOKE CREATE ON SCHEMA " + s + " FROM " + ident(roles.posting) + ", "
            + ident(roles.persons));
    db.exec("CREATE TRIGGER gudang_mutasi_pengguna BEFORE INSERT ON " + s
            + ".tmutasi FOR EACH ROW WHEN (current_setting('is_superuser') <> 'on') EXECUTE "
              "FUNCTION "
            + s + ".gudang_mutasi_pengguna()");

    // The tables: nobody but the store's groups, each exactly what its role may do (from the
    // one table of rights), and the functions' owners what the functions write.
    QByteArrayList tables;
    for (const DbRole part : { DbRole::Credentials, DbRole::Working }) {
        for (const TableDef *t : tablesOf(part))
            tables << s + '.' + t->name.toUtf8();
    }
    tables << s + ".gudang_skema";
    QByteArrayList everyone { "PUBLIC", groupList, ident(roles.posting), ident(roles.persons) };
    for (const char *old : kOldGroups) {
        if (roleExists(db, old))
            everyone << ident(old);
    }
    db.exec("REVOKE ALL ON " + tables.join(", ") + " FROM " + everyone.join(", "));
    QByteArrayList functions;
    for (const ServerFunction &f : kFunctions)
        functions << s + '.' + f.signature;
    db.exec("REVOKE ALL ON FUNCTION " + functions.join(", ") + " FROM " + everyone.join(", "));
    for (const Role role : allRoles()) {
        const QByteArray group = ident(storeGroup(roles, role));
        QSet<QString> reads, appends, writes, calls;
        for (const RightData &d : rightData()) {
            if (!allows(role, d.right))
                continue;
            for (const QString &t : d.reads)
                reads.insert(t);
            for (const QString &t : d.appends)
                appends.insert(t);
            for (const QString &t : d.writes)
                writes.insert(t);
            for (const QString &f : d.functions)
                calls.insert(f);
        }
        const auto grant = [&](const char *what, const QSet<QString> &names) {
            QStringList sorted(names.begin(), names.end());
            sorted.sort();
            if (!sorted.isEmpty())
                db.exec(
                    QByteArray("GRANT ") + what + " ON " + s + '.'
                    + sorted.join(QStringLiteral(", ") + QString::fromUtf8(s) + QLatin1Char('.'))
                          .toUtf8()
                    + " TO " + group);
        };
        grant("SELECT", reads);
        grant("SELECT, INSERT", appends);
        grant("SELECT, INSERT, UPDATE, DELETE", writes);
        db.exec("GRANT SELECT ON " + s + ".gudang_skema TO " + group);
        QByteArrayList executes { s + ".gudang_anggota(text)", s + ".gudang_pengguna_toko()",
                                  s + ".gudang_boleh()", s + ".gudang_peran()",
                                  s + ".gudang_catat(text, text, text, text)" };
        for (const QString &name : calls) {
            for (const ServerFunction &f : kFunctions) {
                if (QByteArray(f.signature).startsWith(name.toUtf8() + '('))
                    executes << s + '.' + f.signature;
            }
        }
        db.exec("GRANT EXECUTE ON FUNCTION " + executes.join(", ") + " TO " + group);
    }
    const QByteArray posting = ident(roles.posting);
    db.exec("GRANT SELECT, UPDATE ON " + s + ".tstok TO " + posting);
    db.exec("GRANT SELECT, INSERT ON " + s + ".tbrgkeluar, " + s + ".tposting TO " + posting);
    db.exec("GRANT INSERT ON " + s + ".tlogmasuk TO " + posting);
    db.exec("GRANT SELECT, INSERT ON " + s + ".tmutasi, " + s + ".tnilaimutasi TO " + posting);
    db.exec("GRANT SELECT, INSERT, UPDATE ON " + s + ".tnilai, " + s + ".tsaldo TO " + posting);
    // The journal's numbers: the value function reads the one this session took last.
    const PgResult journalNumbers
        = db.exec("SELECT pg_catalog.pg_get_serial_sequence($1, 'no_mutasi')", { s + ".tmutasi" });
    db.exec("GRANT USAGE ON SEQUENCE " + journalNumbers.bytes(0, 0) + " TO " + posting);
    db.exec("GRANT SELECT ON " + s + ".tpengguna, " + s + ".gudang_skema TO " + posting);
    db.exec("GRANT EXECUTE ON FUNCTION " + s + ".gudang_anggota(text), " + s
            + ".gudang_pengguna_toko(), " + s + ".gudang_boleh(), " + s
            + ".gudang_nilai(double precision) TO " + posting);
    const QByteArray persons = ident(roles.persons);
    db.exec("GRANT SELECT, INSERT, UPDATE ON " + s + ".tpengguna TO " + persons);
    db.exec("GRANT SELECT ON " + s + ".tpass TO " + persons);
    db.exec("GRANT INSERT ON " + s + ".tlogmasuk TO " + persons);
    db.exec("GRANT EXECUTE ON FUNCTION " + s + ".gudang_anggota(text), " + s
            + ".gudang_pemilik_saja(), " + s + ".gudang_orang_toko(text) TO " + persons);

    // The database: only the store's groups connect (its owner and the administrator always
    // may), nobody makes temporary objects, nobody but its owner makes anything in the schema.
    const QByteArray dbName = ident(database.toUtf8());
    db.exec("REVOKE CONNECT, TEMPORARY ON DATABASE " + dbName + " FROM PUBLIC");
    db.exec("REVOKE TEMPORARY ON DATABASE " + dbName + " FROM " + groupList + ", " + posting + ", "
            + persons);
    db.exec("GRANT CONNECT ON DATABASE " + dbName + " TO " + groupList);
    db.exec("REVOKE CREATE ON SCHEMA " + s + " FROM PUBLIC");

    // People of an earlier version, members of the groups every database shared: moved to this
    // store's groups (only those of this store).
    for (int i = 0; i < 3; ++i) {
        if (!roleExists(db, kOldGroups[i]))
            continue;
        const PgResult members = db.exec(
            "SELECT u.rolname FROM pg_catalog.pg_auth_members m JOIN pg_catalog.pg_roles g ON "
            "g.oid = m.roleid JOIN pg_catalog.pg_roles u ON u.oid = m.member WHERE g.rolname = "
            "$1 AND u.rolname IN (SELECT p.nama FROM "
                + s + ".tpengguna p)",
            { QByteArray(kOldGroups[i]) });
        for (int r = 0; r < members.rows(); ++r) {
            const QByteArray person = ident(members.bytes(r, 0));
            db.exec("GRANT " + ident(roles.groups[i]) + " TO " + person);
            db.exec("REVOKE " + ident(kOldGroups[i]) + " FROM " + person);
        }
    }
    if (!superuser)
        return {};
    return QStringLiteral("Fungsi server dimiliki peran %1 (posting) dan %2 (pengguna); "
                          "kelompok pengguna: %3.")
        .arg(QString::fromUtf8(roles.posting), QString::fromUtf8(roles.persons),
             QString::fromUtf8(roles.groups[0] + ", " + roles.groups[1] + ", " + roles.groups[2]));
}

namespace {

QByteArray quotedConn(const QByteArray &value)
{
    QByteArray out = "'";
    for (const char c : value) {
        if (c == '\'' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '\'';
}

} // namespace

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
        parts << key + '=' + quotedConn(o->val);
    }
    pq().PQconninfoFree(options);
    parts << "user=" + quotedConn(user.toUtf8()) << "password=" + quotedConn(password.toUtf8());
    return QString::fromUtf8(parts.join(' '));
}

namespace {

// A connection tried as the person, judged by the server's SQLSTATE: a name or password it does
// not take (with SCRAM a role that does not exist is told as a wrong password too) is the one
// failure that counts toward the waits.
ServerLogin loginBy(const std::function<void()> &connect)
{
    ServerLogin login;
    try {
        connect();
        login.opened = true;
    } catch (const AppError &e) {
        login.why = e.description();
        login.refused = e.sqlState() == "28P01";
        login.shut = e.sqlState() == "28000" || e.sqlState() == "42501";
    }
    return login;
}

} // namespace

ServerLogin tryServerLogin(const QString &personConninfo)
{
    return loginBy([&] { PgDatabase::open(personConninfo); });
}

ServerLogin tryServerLoginAnew(const QString &personConninfo)
{
    return loginBy([&] { pq().PQfinish(PgDatabase::connect(personConninfo)); });
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
    try {
        db->execOnce("SELECT gudang_pengguna_baru($1, $2, $3)",
                     { name.toUtf8(), verifier(*db, name, password), roleName(role).toUtf8() });
    } catch (const AppError &e) {
        if (e.kind() != AppError::Kind::Unsure)
            throw;
        // The answer was lost: the server says whether the person is there now.
        bool there = false;
        try {
            there = db->exec("SELECT 1 FROM pg_catalog.pg_roles WHERE rolname = $1",
                             { name.toUtf8() })
                        .rows()
                > 0;
        } catch (const AppError &) {
            throw e;
        }
        if (!there)
            throw AppError(QStringLiteral("Hubungan ke server database terputus: user %1 belum "
                                          "tersimpan. Ulangi setelah server dapat dihubungi lagi.")
                               .arg(name),
                           AppError::Kind::ConnectionLost);
    }
}

void serverChangeUser(const QString &conninfo, const QString &name, Role role, bool active)
{
    auto db = PgDatabase::open(conninfo);
    try {
        db->execOnce("SELECT gudang_pengguna_ubah($1, $2, $3)",
                     { name.toUtf8(), roleName(role).toUtf8(), QByteArray(active ? "1" : "0") });
    } catch (const AppError &e) {
        if (e.sqlState() != "GD001")
            throw;
        throw AppError(QStringLiteral("User %1 adalah pemilik aktif terakhir: tidak dapat "
                                      "dinonaktifkan atau diganti perannya.")
                           .arg(name),
                       AppError::Kind::Refused, e.sqlState(), e.detail());
    }
}

void serverSetPassword(const QString &conninfo, const QString &name, const QString &password,
                       bool mustChange)
{
    auto db = PgDatabase::open(conninfo);
    db->execOnce(
        "SELECT gudang_pengguna_sandi($1, $2, $3)",
        { name.toUtf8(), verifier(*db, name, password), QByteArray(mustChange ? "1" : "0") });
}

void serverLog(const QString &conninfo, const QString &name, const QString &event,
               const QString &computer, const QString &remark)
{
    auto db = PgDatabase::open(conninfo);
    db->execOnce("SELECT gudang_catat($1, $2, $3, $4)",
                 { name.toUtf8(), event.toUtf8(), computer.toUtf8(), remark.toUtf8() });
}

ServerPosting serverPost(const QString &conninfo, const QString &code, const QDateTime &date,
                         double quantity, std::optional<double> confirmedAt, const QString &token,
                         const QString &user)
{
    auto db = PgDatabase::open(conninfo);
    const auto number = [](double v) {
        return QByteArray::number(v, 'g', 17);
    };
    const PgResult r = db->execOnce(
        "SELECT hasil, stok, minimum, id_stok, id_keluar, nomor FROM gudang_keluar($1, $2, $3, "
        "$4, $5, $6)",
        { code.toUtf8(), date.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8(),
          number(quantity),
          confirmedAt ? std::optional<QByteArray>(number(*confirmedAt)) : std::nullopt,
          token.toUtf8(), user.toUtf8() },
        QByteArrayLiteral("gudang_keluar"));
    if (r.rows() != 1)
        throw AppError(QStringLiteral("Server tidak menjawab posting barang keluar."));
    using O = ServerPosting::Outcome;
    static const std::pair<const char *, O> outcomes[] = {
        { "ok", O::Done },
        { "sudah", O::Already },
        { "hilang", O::CodeGone },
        { "kosong", O::NoStockValue },
        { "kurang", O::Short },
        { "sama", O::AskEqual },
        { "bukan", O::NotAQuantity },
    };
    ServerPosting p;
    const QByteArray said = r.bytes(0, 0);
    const auto it = std::find_if(std::begin(outcomes), std::end(outcomes),
                                 [&](const auto &o) { return said == o.first; });
    if (it == std::end(outcomes))
        throw AppError(QStringLiteral("Server menjawab posting barang keluar dengan \"%1\" yang "
                                      "tidak dikenal program ini.")
                           .arg(QString::fromUtf8(said)));
    p.outcome = it->second;
    if (!r.isNull(0, 1))
        p.stock = r.bytes(0, 1).toDouble();
    if (!r.isNull(0, 2))
        p.minimum = r.bytes(0, 2).toDouble();
    p.stockRowId = r.isNull(0, 3) ? 0 : r.bytes(0, 3).toLongLong();
    p.outRowId = r.isNull(0, 4) ? 0 : r.bytes(0, 4).toLongLong();
    p.outNumber = r.isNull(0, 5) ? 0 : r.bytes(0, 5).toLongLong();
    return p;
}

std::optional<qint64> serverPostingOf(const QString &conninfo, const QString &token)
{
    auto db = PgDatabase::open(conninfo);
    const PgResult r = db->exec("SELECT gudang_keluar_token($1)", { token.toUtf8() });
    if (r.rows() != 1 || r.isNull(0, 0))
        return std::nullopt;
    return r.bytes(0, 0).toLongLong();
}

} // namespace gudang
